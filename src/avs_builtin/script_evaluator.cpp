#include "avs_builtin/script_evaluator.h"

#include "avs_builtin/clip.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/script_parser.h"
#include "avs_builtin/splice.h"

#include <cstdint>
#include <strings.h>

namespace bv::builtin {

namespace {

// Integer arithmetic wraps at 32 bits as the language's does, without undefined behaviour.
int Wrap(int64_t v) {
    return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

class Evaluator {
public:
    Evaluator(ScriptEngine& env, const std::string& file) : env_(env), file_(file) {}

    Value Run(const ParsedScript& script) {
        Value result;
        bool endsWithExpression = false;
        for (const Statement& s : script.statements) {
            try {
                Value v = Evaluate(*s.expression);
                switch (s.kind) {
                case Statement::Kind::Return:
                    return v;
                case Statement::Kind::Assignment:
                    env_.SetVariable(s.variable, std::move(v));
                    endsWithExpression = false;
                    break;
                case Statement::Kind::Expression:
                    if (v.isClip())
                        env_.SetVariable("last", v);
                    result = std::move(v);
                    endsWithExpression = true;
                    break;
                }
            } catch (ScriptError& e) {
                // Every error within a statement names the statement's line, as AviSynth+ does.
                if (!e.located())
                    e.AppendLocation(file_, s.line);
                throw;
            }
        }
        if (endsWithExpression && !result.isVoid())
            return result;
        Value last;
        env_.GetVariable("last", last);
        return last;
    }

private:
    [[noreturn]] static void Fail(const std::string& message) { throw ScriptError(message); }

    Value Evaluate(const Node& n) {
        switch (n.kind) {
        case Node::Kind::Literal:
            return n.literal;
        case Node::Kind::Identifier:
            return EvaluateIdentifier(n);
        case Node::Kind::Call:
            return EvaluateCall(n);
        case Node::Kind::Unary:
            return EvaluateUnary(n);
        case Node::Kind::Binary:
            return EvaluateBinary(n);
        case Node::Kind::Comparison:
            return EvaluateComparison(n);
        case Node::Kind::Ternary: {
            const Value c = Evaluate(*n.children[0]);
            if (!c.isBool())
                Fail("Evaluate: left of `?' must be boolean (true/false)");
            return Evaluate(*n.children[c.asBool() ? 1 : 2]);
        }
        }
        return Value();
    }

    // A variable, else a function without arguments, else one taking `last` alone.
    Value EvaluateIdentifier(const Node& n) {
        Value v;
        if (env_.GetVariable(n.name, v) || env_.TryCallByName(n.name, v))
            return v;
        Fail("I don't know what '" + n.name + "' means.");
    }

    Value EvaluateCall(const Node& n) {
        std::vector<Value> args;
        args.reserve(n.children.size());
        for (const auto& child : n.children)
            args.push_back(Evaluate(*child));
        return env_.CallFromScript(n.name, args, n.argNames, n.method);
    }

    Value EvaluateUnary(const Node& n) {
        const Value v = Evaluate(*n.children[0]);
        if (n.op == Operator::Not) {
            if (!v.isBool())
                Fail("Evaluate: operand of `!' must be boolean (true/false)");
            return Value::Bool(!v.asBool());
        }
        if (!v.isNumber())
            Fail("Evaluate: unary minus can only by used with numbers");
        return v.isInt() ? Value::Int(Wrap(-int64_t{v.asInt()})) : Value::Float(-v.asFloat());
    }

    Value EvaluateBinary(const Node& n) {
        if (n.op == Operator::And || n.op == Operator::Or) {
            const Value l = Evaluate(*n.children[0]);
            if (!l.isBool())
                Fail("Evaluate: left operand of " + n.name + " must be boolean (true/false)");
            if (l.asBool() == (n.op == Operator::Or))
                return l;
            const Value r = Evaluate(*n.children[1]);
            if (!r.isBool())
                Fail("Evaluate: right operand of " + n.name + " must be boolean (true/false)");
            return r;
        }
        const Value l = Evaluate(*n.children[0]);
        const Value r = Evaluate(*n.children[1]);
        switch (n.op) {
        case Operator::Plus:
            return Plus(l, r);
        case Operator::Splice:
            if (!l.isClip() || !r.isClip())
                Fail("Evaluate: operands of `++' must be clips");
            return Value::FromClip(MakeSplice(l.asClip(), r.asClip()));
        default:
            return Product(n, l, r);
        }
    }

    Value Plus(const Value& l, const Value& r) {
        if (l.isClip() && r.isClip())
            return Value::FromClip(MakeSplice(l.asClip(), r.asClip()));
        if (l.isInt() && r.isInt())
            return Value::Int(Wrap(int64_t{l.asInt()} + r.asInt()));
        if (l.isNumber() && r.isNumber())
            return Value::Float(l.asFloat() + r.asFloat());
        if (l.isString() && r.isString()) {
            if (l.asString().size() + r.asString().size() > kMaxStringLength)
                Fail("Evaluate: string too long");
            return Value::String(l.asString() + r.asString());
        }
        Fail("Evaluate: operands of `+' must both be numbers, strings, or clips");
    }

    // *, / and %: % takes integers only, as in AviSynth+.
    Value Product(const Node& n, const Value& l, const Value& r) {
        if (n.op == Operator::Modulo ? !l.isInt() || !r.isInt() : !l.isNumber() || !r.isNumber())
            Fail("Evaluate: operands of `" + n.name + "' must be " +
                 (n.op == Operator::Modulo ? "integers" : "numeric"));
        if (l.isInt() && r.isInt()) {
            const int64_t a = l.asInt(), b = r.asInt();
            if (n.op == Operator::Times)
                return Value::Int(Wrap(a * b));
            if (b == 0)
                Fail("Evaluate: division by zero");
            return Value::Int(Wrap(n.op == Operator::Divide ? a / b : a % b));
        }
        const double a = l.asFloat(), b = r.asFloat();
        return Value::Float(n.op == Operator::Times ? a * b : a / b);
    }

    // AviSynth+ has two comparisons, equality and less-than; the others are made of them
    // (a >= b is !(a < b)), and a chain a < b < c is (a < b) && (b < c).
    Value EvaluateComparison(const Node& n) {
        Value left = Evaluate(*n.children[0]);
        for (size_t i = 0; i < n.comparisons.size(); ++i) {
            Value right = Evaluate(*n.children[i + 1]);
            bool holds = false;
            switch (n.comparisons[i]) {
            case Operator::Equal:
                holds = Equal(left, right);
                break;
            case Operator::NotEqual:
                holds = !Equal(left, right);
                break;
            case Operator::Less:
                holds = Less(left, right);
                break;
            case Operator::Greater:
                holds = Less(right, left);
                break;
            case Operator::LessEqual:
                holds = !Less(right, left);
                break;
            default:
                holds = !Less(left, right);
                break;
            }
            if (!holds)
                return Value::Bool(false);
            left = std::move(right);
        }
        return Value::Bool(true);
    }

    static bool Equal(const Value& a, const Value& b) {
        if (a.isBool() && b.isBool())
            return a.asBool() == b.asBool();
        if (a.isInt() && b.isInt())
            return a.asInt() == b.asInt();
        if (a.isNumber() && b.isNumber())
            return a.asFloat() == b.asFloat();
        if (a.isClip() && b.isClip())
            return a.asClip() == b.asClip();
        if (a.isString() && b.isString())
            return strcasecmp(a.asString().c_str(), b.asString().c_str()) == 0; // the language ignores case
        Fail("Evaluate: operands of `==' and `!=' must be comparable");
    }

    static bool Less(const Value& a, const Value& b) {
        if (a.isInt() && b.isInt())
            return a.asInt() < b.asInt();
        if (a.isNumber() && b.isNumber())
            return a.asFloat() < b.asFloat();
        if (a.isString() && b.isString())
            return strcasecmp(a.asString().c_str(), b.asString().c_str()) < 0;
        Fail("Evaluate: operands of `<' and friends must be string or numeric");
    }

    ScriptEngine& env_;
    const std::string& file_;
};

} // namespace

Value EvaluateScript(ScriptEngine& environment, std::string_view text, const std::string& fileName) {
    const ParsedScript script = ParseScript(text, fileName);
    return Evaluator(environment, fileName).Run(script);
}

} // namespace bv::builtin
