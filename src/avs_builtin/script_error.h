// The error of a script or filter, with AviSynth's wording. `located` tells whether the
// "(file, line N)" of the innermost script has been appended yet.
#pragma once

#include <exception>
#include <string>

namespace bv::builtin {

class ScriptError : public std::exception {
public:
    explicit ScriptError(std::string message, bool located = false)
        : message_(std::move(message)), located_(located) {}

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const { return message_; }
    bool located() const { return located_; }

    void AppendLocation(const std::string& file, int line) {
        message_ += "\n(" + file + ", line " + std::to_string(line) + ")";
        located_ = true;
    }
    // Leaving an imported script: the caller's own line is still to be added.
    void ClearLocated() { located_ = false; }

private:
    std::string message_;
    bool located_;
};

} // namespace bv::builtin
