// The functions scripts can call: names, parameter lists and implementations, and the
// matching of a call's arguments to a parameter list.
#pragma once

#include "avs_builtin/script_value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bv::builtin {

class ScriptEngine;

// The arguments of one call, one slot per parameter (void when not given), plus the values
// of a trailing repeated parameter.
class Args {
public:
    Args() = default;
    explicit Args(std::vector<Value> slots, std::vector<Value> rest = {})
        : slots_(std::move(slots)), rest_(std::move(rest)) {}

    size_t size() const { return slots_.size(); }
    bool Has(size_t i) const { return i < slots_.size() && !slots_[i].isVoid(); }
    const Value& operator[](size_t i) const { return slots_[i]; }
    const std::vector<Value>& rest() const { return rest_; }

    int IntOr(size_t i, int fallback) const { return Has(i) ? slots_[i].asInt() : fallback; }
    double FloatOr(size_t i, double fallback) const { return Has(i) ? slots_[i].asFloat() : fallback; }
    bool BoolOr(size_t i, bool fallback) const { return Has(i) ? slots_[i].asBool() : fallback; }
    std::string StringOr(size_t i, const std::string& fallback) const {
        return Has(i) ? slots_[i].asString() : fallback;
    }
    const ClipPtr& ClipAt(size_t i) const { return slots_[i].asClip(); }

private:
    std::vector<Value> slots_;
    std::vector<Value> rest_;
};

// What an implementation may use besides its arguments.
struct CallContext {
    ScriptEngine& environment;
    const std::string& name; // the function's name as the script wrote it
};

using FunctionImpl = Value (*)(const Args& args, CallContext& context);

struct Param {
    std::string name; // "" for a parameter that is only given by position
    char type;        // c clip, i int, f float (int accepted), b bool, s string, . anything
    bool optional;
};

struct FunctionDef {
    std::string name;
    std::vector<Param> params;
    char repeatedType = 0; // type of a repeated parameter, 0 for none
    size_t repeatedAt = 0; // positional parameters before it; only named ones follow it
    bool repeatedNeedsOne = false;
    FunctionImpl impl = nullptr;
    bool scriptOnly = false; // hidden from the C interface (avs_function_exists, avs_invoke)
};

class FunctionTable {
public:
    static const FunctionTable& Instance();

    // Registers `name` with a parameter list written as AviSynth writes them: a type letter
    // per parameter ("cii"), "[name]t" for an optional named one, "[]t" for an optional
    // positional one, and "*" or "+" after the last letter for zero or more / one or more.
    void Add(const std::string& name, std::string_view params, FunctionImpl impl, bool scriptOnly = false);

    // Every overload of `name` (letter case ignored), or nullptr.
    const std::vector<FunctionDef>* Find(std::string_view name) const;

private:
    std::vector<std::pair<std::string, std::vector<FunctionDef>>> byName_; // lower-case names
};

// Matches values (with names, "" for positional; void values count as not given) to the
// parameter list; nothing when they do not fit.
std::optional<Args> BindArguments(const FunctionDef& def, const std::vector<Value>& values,
                                  const std::vector<std::string>& names);

// When no overload of `name` takes the arguments: the overload AviSynth+ settles on for the
// positional ones alone (first one whose parameter names cover the named arguments, else
// the first at all; without `last` in front before with it) and what it then says about a
// named argument ("Script error: Trim does not have a named argument \"x\"", "... was
// passed more than once ...", "... had the wrong type (passed 's')"); nothing when no
// overload takes the positional arguments either.
std::optional<std::string> NamedArgumentError(const std::vector<FunctionDef>& defs, const std::string& name,
                                              const std::vector<Value>& values,
                                              const std::vector<std::string>& names, const Value* last);

// The type letter of a value as parameter lists write it ('c', 'i', 'f', 'b', 's').
char TypeLetter(const Value& v);

std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Registration of each group of functions (one file each).
void RegisterCoreFunctions(FunctionTable& table);
void RegisterSourceFunctions(FunctionTable& table);
void RegisterGeneratorFunctions(FunctionTable& table);
void RegisterConversionFunctions(FunctionTable& table);
void RegisterEditFunctions(FunctionTable& table);

} // namespace bv::builtin
