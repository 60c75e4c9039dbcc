// The parsed form of a script: statements holding expression trees.
#pragma once

#include "avs_builtin/script_value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bv::builtin {

// The language's operators, resolved once when parsing; the node's `name` keeps the text for messages.
enum class Operator {
    None,
    Or,       // ||
    And,      // &&
    Equal,    // ==
    NotEqual, // != and <>
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Plus,   // binary: sum, joined strings, clips spliced; unary: the number itself
    Splice, // ++: clips only, spliced (AlignedSplice)
    Minus,  // binary: difference; unary: negation
    Times,
    Divide,
    Modulo,
    Not,
};

// The operator that `text` spells; Operator::None for any other text.
Operator OperatorFromText(std::string_view text);

struct Node {
    enum class Kind {
        Literal,    // `literal`
        Identifier, // `name`: a variable, or a function called without arguments
        Call,       // `name`(children...), or children[0].`name`(...) when `method`
        Unary,      // `name` is the operator; one child
        Binary,     // `name` is the operator; two children
        Ternary,    // children: condition, then, else
        Comparison, // children compared pairwise by `comparisons` (one fewer), a < b < c
    };
    Kind kind = Kind::Literal;
    int line = 1;
    int column = 0;
    Value literal;
    std::string name;
    Operator op = Operator::None; // Unary, Binary
    std::vector<Operator> comparisons; // Comparison
    std::vector<std::unique_ptr<Node>> children;
    std::vector<std::string> argNames; // Call: one per child, "" for positional
    bool method = false;
};

struct Statement {
    enum class Kind { Expression, Assignment, Return };
    Kind kind = Kind::Expression;
    std::string variable; // Assignment
    std::unique_ptr<Node> expression;
    int line = 1;
};

struct ParsedScript {
    std::vector<Statement> statements;
};

} // namespace bv::builtin
