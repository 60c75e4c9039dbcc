// Helpers for the built-in server's tests: evaluating script text, catching error texts,
// reading test clips and private temporary folders.
#pragma once

#include "avs_builtin/clip.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>

namespace bv::builtin::test {

inline Value Eval(ScriptEngine& env, const std::string& text, const std::string& file = "/t/x.avs") {
    return env.EvaluateText(text, file, "/t");
}

inline ClipPtr EvalClip(ScriptEngine& env, const std::string& text) {
    Value v = Eval(env, text);
    if (!v.isClip())
        throw std::runtime_error("script gave no clip: " + text);
    return v.asClip();
}

// The text of the ScriptError that `text` raises, or "" when it raises none.
inline std::string ErrorOf(ScriptEngine& env, const std::string& text,
                           const std::string& file = "/t/x.avs") {
    try {
        Eval(env, text, file);
    } catch (const ScriptError& e) {
        return e.what();
    }
    return "";
}

// Runs a shell command (ffmpeg making clips); fails the test when it fails.
inline void Shell(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

inline std::string TestData(const std::string& name) {
    const char* dir = std::getenv("BREVANTA_TEST_DATA");
    return std::string(dir != nullptr ? dir : "testdata") + "/" + name;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder under /tmp, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "bv_avs_XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Bytes of image row y of plane p, without padding.
inline std::string RowOf(const VideoFrame& f, int p, int y) {
    const uint8_t* row = p == 0 ? f.row(y) : f.data(p) + static_cast<ptrdiff_t>(y) * f.pitch(p);
    return std::string(reinterpret_cast<const char*>(row), static_cast<size_t>(f.rowSize(p)));
}

// The whole luma plane (or the whole image of packed formats), rows without padding.
inline std::string PlaneBytes(const VideoFrame& f, int p = 0) {
    std::string out;
    for (int y = 0; y < f.planeHeight(p); ++y)
        out += RowOf(f, p, y);
    return out;
}

} // namespace bv::builtin::test
