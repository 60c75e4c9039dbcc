// Splits script text into tokens: numbers, strings, names, operators and line ends, by the
// rules of AviSynth+'s tokenizer. Comments (#, /* */, nesting [* *]), line continuation with
// a backslash at the end of a line or at the start of the next, and __END__ are handled here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bv::builtin {

struct Token {
    // Error: the text could not be read on from here; `text` says why, at endLine/endColumn.
    enum class Kind { Int, Float, String, Identifier, Operator, Newline, End, Error };
    Kind kind = Kind::End;
    std::string text; // identifier, operator or string contents
    int intValue = 0;
    double floatValue = 0;
    int line = 1;   // 1-based, where the token starts
    int column = 0; // 0-based, where the token starts
    // Where AviSynth+ reports an error found at this token: the line the token ends on and
    // the count of characters before its end on that line (a line end: its own line, 0).
    int endLine = 1;
    int endColumn = 0;
};

// A syntax error before the file name is known; the parser turns it into a ScriptError.
struct SyntaxError {
    std::string message;
    int line;
    int column;
};

// The tokens up to the end, or up to an Error token where the text cannot be read on: as
// AviSynth+ reads tokens only as its parser asks for them, an earlier syntax error is the
// one to report.
std::vector<Token> Tokenize(std::string_view text);

} // namespace bv::builtin
