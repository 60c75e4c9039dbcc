// The server's side of one script environment (what avs_create_script_environment hands out):
// its variables, the functions it calls, Import and the folder that relative file names are
// resolved against. Named apart from the client's ScriptEnvironment in frame_source/.
#pragma once

#include "avs_builtin/script_value.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bv::builtin {

struct EnvironmentOptions {
    // Off for the fuzzer: Import and the source filters fail as for a missing file.
    bool fileAccess = true;
};

// What the C interface answers with "Function Not Found": an unknown name, or arguments
// that fit none of the function's parameter lists.
class FunctionNotFound : public std::runtime_error {
public:
    FunctionNotFound() : std::runtime_error("Function Not Found") {}
};

// Scripts importing each other deeper than this are refused rather than recursing forever.
inline constexpr int kMaxImportDepth = 32;
// Script files larger than this are refused.
inline constexpr size_t kMaxScriptBytes = 16u << 20;

class ScriptEngine {
public:
    explicit ScriptEngine(EnvironmentOptions options = {}) : options_(options) {}
    const EnvironmentOptions& options() const { return options_; }

    // The C interface's call: no implicit `last`; throws FunctionNotFound or ScriptError.
    Value Invoke(std::string_view name, const std::vector<Value>& args,
                 const std::vector<std::string>& names);
    // Whether the C interface can call `name`.
    bool FunctionExists(std::string_view name) const;

    // A call written in a script: tries the arguments as given, then (unless written as a
    // method) with `last` in front. Throws ScriptError with AviSynth's wording.
    Value CallFromScript(const std::string& name, const std::vector<Value>& args,
                         const std::vector<std::string>& names, bool method);
    bool ScriptFunctionExists(std::string_view name) const;
    // A name written alone: the function called without arguments, else with `last`;
    // false when neither fits (AviSynth+ then says it does not know the name).
    bool TryCallByName(const std::string& name, Value& result);

    // Evaluates a script file in this environment and returns its value.
    Value ImportFile(const std::string& path);
    // Evaluates script text; `fileName` names it in error messages, `folder` resolves
    // relative paths inside it.
    Value EvaluateText(std::string_view text, const std::string& fileName, const std::string& folder);

    bool GetVariable(std::string_view name, Value& out) const;
    void SetVariable(std::string_view name, Value value);

    // A relative path is taken relative to the folder of the script being evaluated.
    std::string ResolvePath(const std::string& path) const;

private:
    EnvironmentOptions options_;
    std::unordered_map<std::string, Value> variables_; // lower-case names
    std::vector<std::string> folders_;
    int importDepth_ = 0;
};

} // namespace bv::builtin
