#include "avs_builtin/function_table.h"

#include <stdexcept>

namespace bv::builtin {

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

const FunctionTable& FunctionTable::Instance() {
    static const FunctionTable table = [] {
        FunctionTable t;
        RegisterCoreFunctions(t);
        RegisterSourceFunctions(t);
        RegisterGeneratorFunctions(t);
        RegisterConversionFunctions(t);
        RegisterEditFunctions(t);
        return t;
    }();
    return table;
}

void FunctionTable::Add(const std::string& name, std::string_view spec, FunctionImpl impl, bool scriptOnly) {
    FunctionDef def;
    def.name = name;
    def.impl = impl;
    def.scriptOnly = scriptOnly;
    size_t i = 0;
    while (i < spec.size()) {
        Param p{"", 0, false};
        if (spec[i] == '[') {
            const size_t close = spec.find(']', i);
            if (close == std::string_view::npos)
                throw std::logic_error("bad parameter list for " + name);
            p.name = ToLower(spec.substr(i + 1, close - i - 1));
            p.optional = true;
            i = close + 1;
        }
        p.type = spec[i++];
        if (i < spec.size() && (spec[i] == '*' || spec[i] == '+')) {
            def.repeatedType = p.type;
            def.repeatedAt = def.params.size();
            def.repeatedNeedsOne = spec[i] == '+';
            ++i;
            continue;
        }
        def.params.push_back(p);
    }
    const std::string key = ToLower(name);
    for (auto& [n, defs] : byName_) {
        if (n == key) {
            defs.push_back(std::move(def));
            return;
        }
    }
    byName_.push_back({key, {std::move(def)}});
}

const std::vector<FunctionDef>* FunctionTable::Find(std::string_view name) const {
    for (const auto& [n, defs] : byName_)
        if (EqualsNoCase(n, name))
            return &defs;
    return nullptr;
}

namespace {
bool Fits(char type, const Value& v) {
    switch (type) {
    case 'c':
        return v.isClip();
    case 'i':
        return v.isInt();
    case 'f':
        return v.isNumber();
    case 'b':
        return v.isBool();
    case 's':
        return v.isString();
    case '.':
        return !v.isVoid();
    default:
        return false;
    }
}
} // namespace

char TypeLetter(const Value& v) {
    return v.isClip()     ? 'c'
           : v.isInt()    ? 'i'
           : v.isNumber() ? 'f'
           : v.isBool()   ? 'b'
           : v.isString() ? 's'
                          : 'v';
}

std::optional<Args> BindArguments(const FunctionDef& def, const std::vector<Value>& values,
                                  const std::vector<std::string>& names) {
    std::vector<Value> slots(def.params.size());
    std::vector<bool> given(def.params.size(), false);
    std::vector<Value> rest;
    size_t position = 0;
    for (size_t a = 0; a < values.size(); ++a) {
        const std::string& name = a < names.size() ? names[a] : std::string();
        if (!name.empty()) {
            size_t p = 0;
            while (p < def.params.size() &&
                   (def.params[p].name.empty() || !EqualsNoCase(def.params[p].name, name)))
                ++p;
            if (p == def.params.size() || given[p])
                return std::nullopt;
            given[p] = true;
            if (values[a].isVoid())
                continue;
            if (!Fits(def.params[p].type, values[a]))
                return std::nullopt;
            slots[p] = values[a];
            continue;
        }
        if (def.repeatedType != 0 && position >= def.repeatedAt) {
            if (!Fits(def.repeatedType, values[a]))
                return std::nullopt;
            rest.push_back(values[a]);
        } else if (position < def.params.size()) {
            const size_t p = position++;
            if (given[p])
                return std::nullopt;
            given[p] = true;
            if (values[a].isVoid())
                continue;
            if (!Fits(def.params[p].type, values[a]))
                return std::nullopt;
            slots[p] = values[a];
        } else {
            return std::nullopt;
        }
    }
    for (size_t p = 0; p < def.params.size(); ++p)
        if (!def.params[p].optional && slots[p].isVoid())
            return std::nullopt;
    if (def.repeatedNeedsOne && rest.empty())
        return std::nullopt;
    return Args(std::move(slots), std::move(rest));
}

std::optional<std::string> NamedArgumentError(const std::vector<FunctionDef>& defs, const std::string& name,
                                              const std::vector<Value>& values,
                                              const std::vector<std::string>& names, const Value* last) {
    std::vector<Value> positional;
    std::vector<std::pair<std::string, Value>> named;
    if (last != nullptr)
        positional.push_back(*last);
    for (size_t a = 0; a < values.size(); ++a) {
        if (a < names.size() && !names[a].empty())
            named.emplace_back(names[a], values[a]);
        else
            positional.push_back(values[a]);
    }
    auto paramOf = [](const FunctionDef& def, const std::string& n) {
        size_t p = 0;
        while (p < def.params.size() && (def.params[p].name.empty() || !EqualsNoCase(def.params[p].name, n)))
            ++p;
        return p;
    };
    const FunctionDef* chosen = nullptr;
    for (bool byNames : {true, false}) {
        for (const FunctionDef& def : defs) {
            bool covered = true;
            for (const auto& [n, v] : named)
                covered = covered && paramOf(def, n) < def.params.size();
            if ((!byNames || covered) && BindArguments(def, positional, {})) {
                chosen = &def;
                break;
            }
        }
        if (chosen != nullptr)
            break;
    }
    if (chosen == nullptr)
        return std::nullopt;
    std::vector<bool> filled(chosen->params.size(), false);
    const size_t byPosition = chosen->repeatedType != 0 ? chosen->repeatedAt : chosen->params.size();
    for (size_t p = 0; p < std::min(positional.size(), byPosition); ++p)
        filled[p] = !positional[p].isVoid();
    for (const auto& [n, v] : named) {
        const size_t p = paramOf(*chosen, n);
        if (p == chosen->params.size())
            return "Script error: " + name + " does not have a named argument \"" + n + "\"";
        if (filled[p])
            return "Script error: the named argument \"" + n +
                   "\" was passed more than once (twice as named or first unnamed then named) to " + name;
        if (!v.isVoid() && !Fits(chosen->params[p].type, v))
            return "Script error: the named argument \"" + n + "\" to " + name + " had the wrong type (passed '" +
                   std::string(1, TypeLetter(v)) + "')";
        filled[p] = !v.isVoid();
    }
    return std::nullopt;
}

} // namespace bv::builtin
