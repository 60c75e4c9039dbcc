#include "avs_builtin/script_parser.h"

#include "avs_builtin/function_table.h"
#include "avs_builtin/script_error.h"
#include "avs_builtin/tokenizer.h"

#include <utility>
#include <vector>

namespace bv::builtin {

namespace {

using NodePtr = std::unique_ptr<Node>;


class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

    // As AviSynth+ reads a script: statements follow one another, on lines of their own or
    // not ("a = 1 b = 2" is two statements).
    ParsedScript Run() {
        ParsedScript script;
        while (true) {
            while (Peek().kind == Token::Kind::Newline)
                ++i_;
            if (Peek().kind == Token::Kind::End)
                return script;
            script.statements.push_back(ParseStatement());
            // Runtime errors name the line the statement ends on, as AviSynth+ does.
            script.statements.back().line = Peek().endLine;
        }
    }

private:
    // Reaching a token the tokenizer could not read raises its error there.
    const Token& Peek(size_t ahead = 0) const {
        const Token& t = t_[std::min(i_ + ahead, t_.size() - 1)];
        if (t.kind == Token::Kind::Error)
            Fail(t, t.text);
        return t;
    }
    const Token& Take() {
        const Token& t = Peek();
        if (i_ + 1 < t_.size())
            ++i_;
        return t;
    }
    bool IsOp(const Token& t, std::string_view op) const {
        return t.kind == Token::Kind::Operator && t.text == op;
    }
    bool IsWord(const Token& t, std::string_view word) const {
        return t.kind == Token::Kind::Identifier && EqualsNoCase(t.text, word);
    }
    // AviSynth+ places an error at the end of the token it stopped at.
    [[noreturn]] void Fail(const Token& at, const std::string& message) const {
        throw SyntaxError{message, at.endLine, at.endColumn};
    }
    // Every level of the tree counts (parentheses, operator chains, method chains), since
    // evaluating and freeing the tree recurse as deep as it is.
    void Enter(const Token& at) {
        if (++depth_ > kMaxExpressionDepth)
            Fail(at, "Script error: expression nested too deeply");
    }
    void Expect(std::string_view op) {
        if (!IsOp(Peek(), op))
            Fail(Peek(), "Script error: expected `" + std::string(op) + "'");
        Take();
    }
    NodePtr MakeNode(Node::Kind kind, const Token& at) const {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->line = at.line;
        n->column = at.column;
        return n;
    }
    NodePtr MakeOperator(Node::Kind kind, const Token& at, std::string_view text, NodePtr a, NodePtr b = nullptr) {
        NodePtr n = MakeNode(kind, at);
        n->name = std::string(text);
        n->op = OperatorFromText(text);
        n->children.push_back(std::move(a));
        if (b)
            n->children.push_back(std::move(b));
        return n;
    }

    Statement ParseStatement() {
        Statement s;
        const Token& first = Peek();
        static constexpr std::string_view kUnsupported[] = {"function", "if", "while", "for", "try"};
        for (std::string_view word : kUnsupported)
            if (IsWord(first, word) && !IsOp(Peek(1), "(") && !IsOp(Peek(1), "="))
                Fail(first, "Script error: '" + first.text + "' is not supported by this frame server");
        if (IsWord(first, "return")) {
            Take();
            s.kind = Statement::Kind::Return;
            s.expression = ParseExpression();
            return s;
        }
        if (IsWord(first, "global")) {
            Take();
            if (Peek().kind != Token::Kind::Identifier)
                Fail(Peek(), "Script error: `global' must be followed by a variable name");
            s.kind = Statement::Kind::Assignment;
            s.variable = Take().text;
            Expect("=");
            s.expression = ParseExpression();
            return s;
        }
        if (Peek().kind == Token::Kind::Identifier && IsOp(Peek(1), "=")) {
            s.kind = Statement::Kind::Assignment;
            s.variable = Take().text;
            Take(); // '='
            s.expression = ParseExpression();
            return s;
        }
        s.expression = ParseExpression();
        if (IsOp(Peek(), "="))
            Fail(Peek(), "Script error: left operand of `=' must be a variable name");
        return s;
    }

    // Each nesting level passes through here, so this is where the depth is bounded.
    NodePtr ParseExpression() {
        Enter(Peek());
        NodePtr n = ParseTernary();
        --depth_;
        return n;
    }

    NodePtr ParseTernary() {
        NodePtr cond = ParseOr();
        if (!IsOp(Peek(), "?"))
            return cond;
        const Token& q = Take();
        NodePtr n = MakeNode(Node::Kind::Ternary, q);
        n->children.push_back(std::move(cond));
        n->children.push_back(ParseExpression());
        Expect(":");
        n->children.push_back(ParseExpression());
        return n;
    }

    // `||` and `&&` group to the right, as in AviSynth+.
    NodePtr ParseOr() { return ParseRightAssoc("||", &Parser::ParseAnd); }
    NodePtr ParseAnd() { return ParseRightAssoc("&&", &Parser::ParseComparison); }
    NodePtr ParseRightAssoc(std::string_view op, NodePtr (Parser::*next)()) {
        NodePtr left = (this->*next)();
        if (!IsOp(Peek(), op))
            return left;
        const Token& t = Take();
        Enter(t);
        NodePtr right = ParseRightAssoc(op, next);
        --depth_;
        return MakeOperator(Node::Kind::Binary, t, op, std::move(left), std::move(right));
    }

    // A chain of comparisons, a < b <= c, holds when each neighbouring pair does.
    NodePtr ParseComparison() {
        NodePtr first = ParseAdditive(false);
        if (!IsComparison(Peek()))
            return first;
        NodePtr n = MakeNode(Node::Kind::Comparison, Peek());
        n->children.push_back(std::move(first));
        const int depthBefore = depth_;
        while (IsComparison(Peek())) {
            const Token& t = Take();
            Enter(t);
            n->comparisons.push_back(OperatorFromText(t.text));
            n->children.push_back(ParseAdditive(false));
        }
        depth_ = depthBefore;
        return n;
    }
    bool IsComparison(const Token& t) const {
        for (std::string_view op : {"==", "!=", "<>", "<", ">", "<=", ">="})
            if (IsOp(t, op))
                return true;
        return false;
    }

    // As AviSynth+ builds sums: to the right, a - b becoming a + (-b), so a - b - c is
    // a + ((-b) + (-c)) and `"x" - "y"` fails in the negation.
    NodePtr ParseAdditive(bool negate) {
        NodePtr left = ParseMultiplicative();
        if (negate)
            left = MakeOperator(Node::Kind::Unary, Peek(), "-", std::move(left));
        const Token& t = Peek();
        if (!IsOp(t, "+") && !IsOp(t, "-") && !IsOp(t, "++"))
            return left;
        Take();
        Enter(t);
        NodePtr right = ParseAdditive(IsOp(t, "-"));
        --depth_;
        return MakeOperator(Node::Kind::Binary, t, IsOp(t, "++") ? "++" : "+", std::move(left), std::move(right));
    }

    NodePtr ParseMultiplicative() {
        NodePtr left = ParseUnary();
        const int depthBefore = depth_;
        while (IsOp(Peek(), "*") || IsOp(Peek(), "/") || IsOp(Peek(), "%")) {
            const Token& t = Take();
            Enter(t);
            NodePtr right = ParseUnary();
            left = MakeOperator(Node::Kind::Binary, t, t.text, std::move(left), std::move(right));
        }
        depth_ = depthBefore;
        return left;
    }

    // A leading + is dropped whatever follows it.
    NodePtr ParseUnary() {
        while (IsOp(Peek(), "+"))
            Take();
        const Token& t = Peek();
        if (IsOp(t, "-") || IsOp(t, "!")) {
            Take();
            Enter(t);
            NodePtr operand = ParseUnary();
            --depth_;
            return MakeOperator(Node::Kind::Unary, t, t.text, std::move(operand));
        }
        return ParsePostfix();
    }

    NodePtr ParsePostfix() {
        NodePtr n = ParsePrimary();
        const int depthBefore = depth_;
        while (IsOp(Peek(), ".")) {
            Enter(Take());
            const Token& name = Peek();
            if (name.kind != Token::Kind::Identifier)
                Fail(name, "Script error: expected a function name after `.'");
            Take();
            NodePtr call = MakeNode(Node::Kind::Call, name);
            call->name = name.text;
            call->method = true;
            call->children.push_back(std::move(n));
            call->argNames.emplace_back();
            if (IsOp(Peek(), "("))
                ParseArguments(*call);
            n = std::move(call);
        }
        depth_ = depthBefore;
        return n;
    }

    // Whether the name at hand is followed by `=`. AviSynth+ looks ahead with a copy of its
    // tokenizer, so an unreadable token there is reported at the end of the name.
    bool NamedArgumentFollows() const {
        const Token& next = t_[std::min(i_ + 1, t_.size() - 1)];
        if (next.kind == Token::Kind::Error)
            Fail(t_[i_], next.text);
        return IsOp(next, "=");
    }

    void ParseArguments(Node& call) {
        Take(); // '('
        bool needComma = false;
        while (!IsOp(Peek(), ")")) {
            if (needComma) {
                if (!IsOp(Peek(), ","))
                    Fail(Peek(), "Script error: expected a , or )");
                Take();
            }
            std::string name;
            if (Peek().kind == Token::Kind::Identifier && NamedArgumentFollows()) {
                name = Take().text;
                Take();
            }
            call.children.push_back(ParseExpression());
            call.argNames.push_back(std::move(name));
            needComma = true;
        }
        Take(); // ')'
    }

    NodePtr ParsePrimary() {
        const Token& t = Peek();
        switch (t.kind) {
        case Token::Kind::Int: {
            NodePtr n = MakeNode(Node::Kind::Literal, Take());
            n->literal = Value::Int(t.intValue);
            return n;
        }
        case Token::Kind::Float: {
            NodePtr n = MakeNode(Node::Kind::Literal, Take());
            n->literal = Value::Float(t.floatValue);
            return n;
        }
        case Token::Kind::String: {
            NodePtr n = MakeNode(Node::Kind::Literal, Take());
            n->literal = Value::String(t.text);
            return n;
        }
        case Token::Kind::Identifier: {
            Take();
            if (IsWord(t, "true") || IsWord(t, "yes") || IsWord(t, "false") || IsWord(t, "no")) {
                NodePtr n = MakeNode(Node::Kind::Literal, t);
                n->literal = Value::Bool(IsWord(t, "true") || IsWord(t, "yes"));
                return n;
            }
            if (IsOp(Peek(), "(")) {
                NodePtr n = MakeNode(Node::Kind::Call, t);
                n->name = t.text;
                ParseArguments(*n);
                return n;
            }
            NodePtr n = MakeNode(Node::Kind::Identifier, t);
            n->name = t.text;
            return n;
        }
        case Token::Kind::Operator:
            if (IsOp(t, "(")) {
                Take();
                NodePtr n = ParseExpression();
                Expect(")");
                return n;
            }
            break;
        default:
            break;
        }
        Fail(t, "Script error: syntax error");
    }

    std::vector<Token> t_;
    size_t i_ = 0;
    int depth_ = 0;
};

} // namespace

Operator OperatorFromText(std::string_view text) {
    static constexpr std::pair<std::string_view, Operator> kOperators[] = {
        {"||", Operator::Or},         {"&&", Operator::And},      {"==", Operator::Equal},
        {"!=", Operator::NotEqual},   {"<>", Operator::NotEqual}, {"<", Operator::Less},
        {">", Operator::Greater},     {"<=", Operator::LessEqual}, {">=", Operator::GreaterEqual},
        {"+", Operator::Plus},        {"++", Operator::Splice},   {"-", Operator::Minus},
        {"*", Operator::Times},       {"/", Operator::Divide},    {"%", Operator::Modulo},
        {"!", Operator::Not},
    };
    for (const auto& [spelling, op] : kOperators)
        if (spelling == text)
            return op;
    return Operator::None;
}

ParsedScript ParseScript(std::string_view text, const std::string& fileName) {
    try {
        return Parser(Tokenize(text)).Run();
    } catch (const SyntaxError& e) {
        throw ScriptError(e.message + "\n(" + fileName + ", line " + std::to_string(e.line) + ", column " +
                              std::to_string(e.column) + ")",
                          true);
    }
}

} // namespace bv::builtin
