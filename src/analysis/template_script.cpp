#include "analysis/template_script.h"

#include <cctype>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "analysis/text_file.h"
#include "frame_source/avs_error.h"
#include "platform/program_folder.h"

namespace bv {

SourceKind SourceKindOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string_view::npos && name.substr(dot) == ".avs")
        return SourceKind::ScriptFile;
    return SourceKind::TemplateScript;
}

std::string ReplaceFileNamePlaceholder(std::string_view line, std::string_view sourcePath) {
    static constexpr std::string_view kPlaceholder = "$filename";
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        bool match = i + kPlaceholder.size() <= line.size();
        for (size_t k = 0; match && k < kPlaceholder.size(); ++k)
            match = std::tolower(static_cast<unsigned char>(line[i + k])) == kPlaceholder[k];
        if (match) {
            out += sourcePath;
            i += kPlaceholder.size();
        } else {
            out += line[i++];
        }
    }
    return out;
}

bool TemplateIgnoresSource(const std::vector<std::string>& templateLines) {
    if (templateLines.empty())
        return false;
    for (const std::string& line : templateLines)
        if (ReplaceFileNamePlaceholder(line, "") != line)
            return false;
    return true;
}

void WriteTemplateScript(const std::vector<std::string>& templateLines, const std::string& sourcePath,
                         const std::string& scriptPath) {
    std::vector<std::string> lines;
    lines.reserve(templateLines.size());
    for (const std::string& line : templateLines)
        lines.push_back(ReplaceFileNamePlaceholder(line, sourcePath));
    WriteTextLines(scriptPath, lines);
}

std::string GeneratedScriptPath(const char* scriptName) { return GeneratedFilesFolder() + scriptName; }

namespace {
// An advisory lock beside the generated scripts: two processes writing the same fixed
// script name must not open each other's script.
class ScriptFolderLock {
public:
    explicit ScriptFolderLock(const std::string& folder)
        : fd_(::open((folder + ".bv_avisynth.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0)
            ::flock(fd_, LOCK_EX);
    }
    ~ScriptFolderLock() {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    ScriptFolderLock(const ScriptFolderLock&) = delete;
    ScriptFolderLock& operator=(const ScriptFolderLock&) = delete;

private:
    int fd_;
};
} // namespace

std::string LocateInTemplate(const std::string& message, const std::string& scriptPath,
                             const std::string& templateName, const std::vector<std::string>& templateLines,
                             const std::string& sourcePath) {
    // The script line where each template line begins (a path holding a line break spreads
    // its template line over several script lines).
    std::vector<int> firstScriptLine;
    int line = 1;
    for (const std::string& t : templateLines) {
        firstScriptLine.push_back(line);
        const std::string written = ReplaceFileNamePlaceholder(t, sourcePath);
        for (size_t i = 0; i < written.size(); ++i)
            if (written[i] == '\n' || (written[i] == '\r' && (i + 1 == written.size() || written[i + 1] != '\n')))
                ++line;
        ++line;
    }
    const auto templateLineOf = [&firstScriptLine](int scriptLine) {
        int t = 0;
        while (t < static_cast<int>(firstScriptLine.size()) && firstScriptLine[t] <= scriptLine)
            ++t;
        return t; // 1-based: the last template line starting at or before scriptLine
    };
    const std::string located = "(" + scriptPath + ", line ";
    std::string out;
    size_t at = 0;
    while (at < message.size()) {
        const size_t hit = message.find(scriptPath, at);
        if (hit == std::string::npos) {
            out.append(message, at, std::string::npos);
            break;
        }
        if (hit > 0 && message.compare(hit - 1, located.size(), located) == 0) {
            size_t digits = hit - 1 + located.size(), end = digits;
            while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end])))
                ++end;
            if (end > digits) {
                out.append(message, at, hit - at);
                out += templateName + ", line " + std::to_string(templateLineOf(std::stoi(message.substr(digits, end - digits))));
                at = end;
                continue;
            }
        }
        out.append(message, at, hit - at);
        out += templateName;
        at = hit + scriptPath.size();
    }
    return out;
}

AvsClip OpenSourceClip(ScriptEnvironment& environment, const std::string& sourcePath,
                       const std::vector<std::string>& templateLines, const char* scriptName,
                       bool keepScript, const std::string& templateName) {
    if (SourceKindOf(sourcePath) == SourceKind::ScriptFile)
        return OpenAvsClip(environment, sourcePath);
    const std::string folder = GeneratedFilesFolder();
    const std::string script = folder + scriptName;
    ScriptFolderLock lock(folder);
    WriteTemplateScript(templateLines, sourcePath, script);
    struct Cleanup {
        const std::string& path;
        bool keep;
        ~Cleanup() {
            if (!keep)
                ::unlink(path.c_str());
        }
    } cleanup{script, keepScript};
    if (templateName.empty())
        return OpenAvsClip(environment, script);
    try {
        return OpenAvsClip(environment, script);
    } catch (const EAviSynthCException& e) {
        throw EAviSynthCException(LocateInTemplate(e.what(), script, templateName, templateLines, sourcePath));
    }
}

} // namespace bv
