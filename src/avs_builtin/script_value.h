// A value of the script language: void, bool, int, float, string or clip.
#pragma once

#include <memory>
#include <string>
#include <variant>

namespace bv::builtin {

class Clip;
using ClipPtr = std::shared_ptr<Clip>;

class Value {
public:
    enum class Type { Void, Bool, Int, Float, String, Clip };

    Value() = default;
    static Value Bool(bool b) { return Value(Storage(std::in_place_index<1>, b)); }
    static Value Int(int i) { return Value(Storage(std::in_place_index<2>, i)); }
    static Value Float(double f) { return Value(Storage(std::in_place_index<3>, f)); }
    static Value String(std::string s) { return Value(Storage(std::in_place_index<4>, std::move(s))); }
    static Value FromClip(ClipPtr c) { return Value(Storage(std::in_place_index<5>, std::move(c))); }

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isVoid() const { return type() == Type::Void; }
    bool isBool() const { return type() == Type::Bool; }
    bool isInt() const { return type() == Type::Int; }
    bool isNumber() const { return type() == Type::Int || type() == Type::Float; }
    bool isString() const { return type() == Type::String; }
    bool isClip() const { return type() == Type::Clip; }

    bool asBool() const { return std::get<1>(v_); }
    int asInt() const { return std::get<2>(v_); }
    // Ints widen to float, as the language does wherever a float is expected.
    double asFloat() const { return isInt() ? static_cast<double>(std::get<2>(v_)) : std::get<3>(v_); }
    const std::string& asString() const { return std::get<4>(v_); }
    const ClipPtr& asClip() const { return std::get<5>(v_); }

private:
    using Storage = std::variant<std::monostate, bool, int, double, std::string, ClipPtr>;
    explicit Value(Storage s) : v_(std::move(s)) {}
    Storage v_;
};

} // namespace bv::builtin
