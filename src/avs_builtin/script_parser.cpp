#include "avs_builtin/script_parser.h"

#include "avs_builtin/script_error.h"
#include "avs_builtin/tokenizer.h"

#include <utility>
#include <vector>

namespace bv::builtin {

namespace {

using NodePtr = std::unique_ptr<Node>;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

    ParsedScript Run() {
        ParsedScript script;
        while (true) {
            while (Peek().kind == Token::Kind::Newline)
                ++i_;
            if (Peek().kind == Token::Kind::End)
                return script;
            script.statements.push_back(ParseStatement());
            const Token& end = Peek();
            if (end.kind != Token::Kind::Newline && end.kind != Token::Kind::End)
                Fail(end, "Script error: syntax error");
        }
    }

private:
    const Token& Peek(size_t ahead = 0) const { return t_[std::min(i_ + ahead, t_.size() - 1)]; }
    const Token& Take() {
        const Token& t = t_[i_];
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
    [[noreturn]] void Fail(const Token& at, const std::string& message) const {
        throw SyntaxError{message, at.line, at.column};
    }
    // Every level of the tree counts (parentheses, operator chains, method chains), since
    // evaluating and freeing the tree recurse as deep as it is.
    void Enter(const Token& at) {
        if (++depth_ > kMaxExpressionDepth)
            Fail(at, "Script error: expression nested too deeply");
    }
    void Expect(std::string_view op, const char* message) {
        if (!IsOp(Peek(), op))
            Fail(Peek(), message);
        Take();
    }
    NodePtr MakeNode(Node::Kind kind, const Token& at) const {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->line = at.line;
        n->column = at.column;
        return n;
    }

    Statement ParseStatement() {
        Statement s;
        const Token& first = Peek();
        s.line = first.line;
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
        size_t nameAt = 0;
        if (IsWord(first, "global") && Peek(1).kind == Token::Kind::Identifier)
            nameAt = 1;
        if (Peek(nameAt).kind == Token::Kind::Identifier && IsOp(Peek(nameAt + 1), "=")) {
            i_ += nameAt;
            s.kind = Statement::Kind::Assignment;
            s.variable = Take().text;
            Take(); // '='
            s.expression = ParseExpression();
            return s;
        }
        s.expression = ParseExpression();
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
        Expect(":", "Script error: expected `:'");
        n->children.push_back(ParseExpression());
        return n;
    }

    template <typename Next>
    NodePtr ParseLeftAssoc(std::initializer_list<std::string_view> ops, Next next) {
        NodePtr left = (this->*next)();
        const int depthBefore = depth_;
        while (true) {
            const Token& t = Peek();
            bool match = false;
            for (std::string_view op : ops)
                match = match || IsOp(t, op);
            if (!match) {
                depth_ = depthBefore;
                return left;
            }
            Enter(t);
            Take();
            NodePtr n = MakeNode(Node::Kind::Binary, t);
            n->name = t.text;
            n->op = OperatorFromText(t.text);
            n->children.push_back(std::move(left));
            n->children.push_back((this->*next)());
            left = std::move(n);
        }
    }
    NodePtr ParseOr() { return ParseLeftAssoc({"||"}, &Parser::ParseAnd); }
    NodePtr ParseAnd() { return ParseLeftAssoc({"&&"}, &Parser::ParseComparison); }
    NodePtr ParseComparison() {
        return ParseLeftAssoc({"==", "!=", "<>", "<", ">", "<=", ">="}, &Parser::ParseAdditive);
    }
    NodePtr ParseAdditive() { return ParseLeftAssoc({"+", "++", "-"}, &Parser::ParseMultiplicative); }
    NodePtr ParseMultiplicative() { return ParseLeftAssoc({"*", "/", "%"}, &Parser::ParseUnary); }

    NodePtr ParseUnary() {
        const Token& t = Peek();
        if (IsOp(t, "-") || IsOp(t, "+") || IsOp(t, "!")) {
            Take();
            Enter(t);
            NodePtr n = MakeNode(Node::Kind::Unary, t);
            n->name = t.text;
            n->op = OperatorFromText(t.text);
            n->children.push_back(ParseUnary());
            --depth_;
            return n;
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

    void ParseArguments(Node& call) {
        Take(); // '('
        if (IsOp(Peek(), ")")) {
            Take();
            return;
        }
        while (true) {
            std::string name;
            if (Peek().kind == Token::Kind::Identifier && IsOp(Peek(1), "=")) {
                name = Take().text;
                Take();
            }
            call.children.push_back(ParseExpression());
            call.argNames.push_back(std::move(name));
            if (IsOp(Peek(), ")")) {
                Take();
                return;
            }
            if (!IsOp(Peek(), ","))
                Fail(Peek(), "Script error: expected a , or )");
            Take();
        }
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
                Expect(")", "Script error: expected `)'");
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
