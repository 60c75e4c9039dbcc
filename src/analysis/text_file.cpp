#include "analysis/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace bv {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
std::string ErrorText(const std::string& what, const std::string& path) {
    return what + " \"" + path + "\": " + std::strerror(errno);
}
} // namespace

std::vector<std::string> ReadTextLines(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw std::runtime_error(ErrorText("Cannot open file", path));
    std::string content;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        content.append(buffer, n);
    if (std::ferror(file.get()))
        throw std::runtime_error(ErrorText("Cannot read file", path));

    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw std::runtime_error(ErrorText("Cannot create file", path));
    for (const std::string& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size() ||
            std::fwrite("\r\n", 1, 2, file.get()) != 2)
            throw std::runtime_error(ErrorText("Cannot write file", path));
    }
    if (std::fclose(file.release()) != 0)
        throw std::runtime_error(ErrorText("Cannot write file", path));
}

} // namespace bv
