#include "avs_builtin/script_engine.h"

#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/script_evaluator.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace bv::builtin {

namespace {

Value CallImpl(const FunctionDef& def, const Args& args, ScriptEngine& env, const std::string& name) {
    CallContext context{env, name};
    return def.impl(args, context);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

Value ScriptEngine::Invoke(std::string_view name, const std::vector<Value>& args,
                                const std::vector<std::string>& names) {
    const std::vector<FunctionDef>* defs = FunctionTable::Instance().Find(name);
    if (defs == nullptr)
        throw FunctionNotFound();
    for (const FunctionDef& def : *defs) {
        if (def.scriptOnly)
            continue;
        if (auto bound = BindArguments(def, args, names))
            return CallImpl(def, *bound, *this, std::string(name));
    }
    throw FunctionNotFound();
}

bool ScriptEngine::FunctionExists(std::string_view name) const {
    const std::vector<FunctionDef>* defs = FunctionTable::Instance().Find(name);
    if (defs == nullptr)
        return false;
    for (const FunctionDef& def : *defs)
        if (!def.scriptOnly)
            return true;
    return false;
}

bool ScriptEngine::ScriptFunctionExists(std::string_view name) const {
    return FunctionTable::Instance().Find(name) != nullptr;
}

Value ScriptEngine::CallFromScript(const std::string& name, const std::vector<Value>& args,
                                   const std::vector<std::string>& names, bool method) {
    const std::vector<FunctionDef>* defs = FunctionTable::Instance().Find(name);
    if (defs == nullptr)
        throw ScriptError("Script error: There is no function named '" + name + "'.");
    for (const FunctionDef& def : *defs)
        if (auto bound = BindArguments(def, args, names))
            return CallImpl(def, *bound, *this, name);
    Value last;
    const bool withLast = !method && GetVariable("last", last) && last.isClip();
    if (withLast) {
        std::vector<Value> withLastArgs;
        withLastArgs.reserve(args.size() + 1);
        withLastArgs.push_back(last);
        withLastArgs.insert(withLastArgs.end(), args.begin(), args.end());
        std::vector<std::string> namesWithLast;
        namesWithLast.reserve(args.size() + 1);
        namesWithLast.emplace_back();
        namesWithLast.insert(namesWithLast.end(), names.begin(), names.end());
        namesWithLast.resize(withLastArgs.size());
        for (const FunctionDef& def : *defs)
            if (auto bound = BindArguments(def, withLastArgs, namesWithLast))
                return CallImpl(def, *bound, *this, name);
    }
    // AviSynth+ settles on an overload by the positional arguments and then complains about
    // the named ones; failing that, its general wording.
    auto named = NamedArgumentError(*defs, name, args, names, nullptr);
    if (!named && withLast)
        named = NamedArgumentError(*defs, name, args, names, &last);
    if (named)
        throw ScriptError(*named);
    throw ScriptError("Script error: Invalid arguments to function '" + name + "'.");
}

bool ScriptEngine::TryCallByName(const std::string& name, Value& result) {
    const std::vector<FunctionDef>* defs = FunctionTable::Instance().Find(name);
    if (defs == nullptr)
        return false;
    for (const FunctionDef& def : *defs)
        if (auto bound = BindArguments(def, {}, {})) {
            result = CallImpl(def, *bound, *this, name);
            return true;
        }
    Value last;
    if (!GetVariable("last", last) || !last.isClip())
        return false;
    for (const FunctionDef& def : *defs)
        if (auto bound = BindArguments(def, {last}, {""})) {
            result = CallImpl(def, *bound, *this, name);
            return true;
        }
    return false;
}

Value ScriptEngine::ImportFile(const std::string& path) {
    // Messages name the file as the script wrote it; only opening it uses the resolved path.
    const std::string resolved = ResolvePath(path);
    const std::string cannotOpen = "Import: couldn't open \"" + path + "\"";
    if (!options_.fileAccess)
        throw ScriptError(cannotOpen);
    struct stat st {};
    if (::stat(resolved.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw ScriptError(cannotOpen);
    if (static_cast<size_t>(st.st_size) > kMaxScriptBytes)
        throw ScriptError("Import: the script \"" + path + "\" is too large");
    std::ifstream in(resolved, std::ios::binary);
    if (!in)
        throw ScriptError(cannotOpen);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > kMaxScriptBytes)
        throw ScriptError("Import: the script \"" + path + "\" is too large");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    if (importDepth_ >= kMaxImportDepth)
        throw ScriptError("Import: scripts import each other too deeply");
    ++importDepth_;
    try {
        Value v = EvaluateText(text, path, FolderOf(resolved));
        --importDepth_;
        return v;
    } catch (ScriptError& e) {
        --importDepth_;
        e.ClearLocated(); // the importing script adds its own line
        throw;
    } catch (...) {
        --importDepth_;
        throw;
    }
}

Value ScriptEngine::EvaluateText(std::string_view text, const std::string& fileName,
                                      const std::string& folder) {
    folders_.push_back(folder);
    try {
        Value v = EvaluateScript(*this, text, fileName);
        folders_.pop_back();
        return v;
    } catch (...) {
        folders_.pop_back();
        throw;
    }
}

bool ScriptEngine::GetVariable(std::string_view name, Value& out) const {
    auto it = variables_.find(ToLower(name));
    if (it == variables_.end())
        return false;
    out = it->second;
    return true;
}

void ScriptEngine::SetVariable(std::string_view name, Value value) {
    variables_[ToLower(name)] = std::move(value);
}

std::string ScriptEngine::ResolvePath(const std::string& path) const {
    if (path.empty() || path[0] == '/' || folders_.empty() || folders_.back().empty())
        return path;
    const std::string& folder = folders_.back();
    return folder.back() == '/' ? folder + path : folder + "/" + path;
}

} // namespace bv::builtin
