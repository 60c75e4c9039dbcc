#include "avs_builtin/script_evaluator.h"

#include "avs_builtin/clip.h"
#include "avs_builtin/script_engine.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/script_parser.h"
#include "avs_builtin/splice.h"

#include <cmath>
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
    [[noreturn]] void Fail(const Node& at, const std::string& message) const {
        ScriptError e(message);
        e.AppendLocation(file_, at.line);
        throw e;
    }

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
        case Node::Kind::Ternary: {
            const Value c = Evaluate(*n.children[0]);
            if (!c.isBool())
                Fail(n, "Evaluate: left of `?' must be boolean (true/false)");
            return Evaluate(*n.children[c.asBool() ? 1 : 2]);
        }
        }
        return Value();
    }

    Value EvaluateIdentifier(const Node& n) {
        Value v;
        if (env_.GetVariable(n.name, v))
            return v;
        if (!env_.ScriptFunctionExists(n.name))
            Fail(n, "I don't know what '" + n.name + "' means.");
        return Call(n, {}, {}, false);
    }

    Value EvaluateCall(const Node& n) {
        std::vector<Value> args;
        args.reserve(n.children.size());
        for (const auto& child : n.children)
            args.push_back(Evaluate(*child));
        return Call(n, args, n.argNames, n.method);
    }

    Value Call(const Node& n, const std::vector<Value>& args, const std::vector<std::string>& names,
               bool method) {
        try {
            return env_.CallFromScript(n.name, args, names, method);
        } catch (ScriptError& e) {
            if (!e.located())
                e.AppendLocation(file_, n.line);
            throw;
        }
    }

    Value EvaluateUnary(const Node& n) {
        const Value v = Evaluate(*n.children[0]);
        if (n.op == Operator::Not) {
            if (!v.isBool())
                Fail(n, "Evaluate: operand of `!' must be boolean (true/false)");
            return Value::Bool(!v.asBool());
        }
        if (!v.isNumber())
            Fail(n, "Evaluate: unary operator `" + n.name + "' needs a number");
        if (n.op == Operator::Plus)
            return v;
        return v.isInt() ? Value::Int(Wrap(-int64_t{v.asInt()})) : Value::Float(-v.asFloat());
    }

    Value EvaluateBinary(const Node& n) {
        if (n.op == Operator::And || n.op == Operator::Or) {
            const Value l = Evaluate(*n.children[0]);
            if (!l.isBool())
                Fail(n, "Evaluate: left operand of " + n.name + " must be boolean (true/false)");
            if (l.asBool() == (n.op == Operator::Or))
                return l;
            const Value r = Evaluate(*n.children[1]);
            if (!r.isBool())
                Fail(n, "Evaluate: right operand of " + n.name + " must be boolean (true/false)");
            return r;
        }
        const Value l = Evaluate(*n.children[0]);
        const Value r = Evaluate(*n.children[1]);
        switch (n.op) {
        case Operator::Plus:
        case Operator::Splice:
            return Add(n, l, r);
        case Operator::Minus:
        case Operator::Times:
        case Operator::Divide:
        case Operator::Modulo:
            return Arithmetic(n, l, r);
        default:
            return Compare(n, l, r);
        }
    }

    Value Add(const Node& n, const Value& l, const Value& r) {
        if (l.isClip() && r.isClip()) {
            try {
                return Value::FromClip(MakeSplice(l.asClip(), r.asClip()));
            } catch (ScriptError& e) {
                Fail(n, e.message());
            }
        }
        if (n.op == Operator::Plus && l.isString() && r.isString()) {
            if (l.asString().size() + r.asString().size() > kMaxStringLength)
                Fail(n, "Evaluate: string too long");
            return Value::String(l.asString() + r.asString());
        }
        if (n.op == Operator::Plus && l.isNumber() && r.isNumber())
            return Arithmetic(n, l, r);
        Fail(n, "Evaluate: operands of `" + n.name + "' must both be numbers, strings or clips");
    }

    Value Arithmetic(const Node& n, const Value& l, const Value& r) {
        if (!l.isNumber() || !r.isNumber())
            Fail(n, "Evaluate: operands of `" + n.name + "' must be numbers");
        if (l.isInt() && r.isInt()) {
            const int64_t a = l.asInt(), b = r.asInt();
            switch (n.op) {
            case Operator::Plus:
                return Value::Int(Wrap(a + b));
            case Operator::Minus:
                return Value::Int(Wrap(a - b));
            case Operator::Times:
                return Value::Int(Wrap(a * b));
            default:
                if (b == 0)
                    Fail(n, "Evaluate: division by zero");
                return Value::Int(Wrap(n.op == Operator::Divide ? a / b : a % b));
            }
        }
        const double a = l.asFloat(), b = r.asFloat();
        switch (n.op) {
        case Operator::Plus:
            return Value::Float(a + b);
        case Operator::Minus:
            return Value::Float(a - b);
        case Operator::Times:
            return Value::Float(a * b);
        case Operator::Divide:
            return Value::Float(a / b);
        default:
            return Value::Float(std::fmod(a, b));
        }
    }

    Value Compare(const Node& n, const Value& l, const Value& r) {
        const Operator op = n.op;
        const bool equality = op == Operator::Equal || op == Operator::NotEqual;
        int order = 0; // <0, 0, >0
        if (l.isNumber() && r.isNumber()) {
            const double a = l.asFloat(), b = r.asFloat();
            if (l.isInt() && r.isInt())
                order = l.asInt() < r.asInt() ? -1 : l.asInt() > r.asInt() ? 1 : 0;
            else
                order = a < b ? -1 : a > b ? 1 : 0;
        } else if (l.isString() && r.isString()) {
            order = strcasecmp(l.asString().c_str(), r.asString().c_str()); // the language ignores case
        } else if (l.isBool() && r.isBool() && equality) {
            order = l.asBool() == r.asBool() ? 0 : 1;
        } else if (l.isClip() && r.isClip() && equality) {
            order = l.asClip() == r.asClip() ? 0 : 1;
        } else {
            Fail(n, "Evaluate: operands of `" + n.name + "' cannot be compared");
        }
        switch (op) {
        case Operator::Equal:
            return Value::Bool(order == 0);
        case Operator::NotEqual:
            return Value::Bool(order != 0);
        case Operator::Less:
            return Value::Bool(order < 0);
        case Operator::Greater:
            return Value::Bool(order > 0);
        case Operator::LessEqual:
            return Value::Bool(order <= 0);
        default:
            return Value::Bool(order >= 0);
        }
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
