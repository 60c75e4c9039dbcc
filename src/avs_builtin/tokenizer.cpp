#include "avs_builtin/tokenizer.h"

#include "avs_builtin/function_table.h" // EqualsNoCase

#include <cstdint>

namespace bv::builtin {

namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
    return IsAlpha(c) || IsDigit(c);
}
bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}
int HexValue(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the text as AviSynth+ does: the text ends at its end or at a NUL byte, blanks are
// spaces and tabs only, and a line ends with CR, LF or a CR LF / LF CR pair.
class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text.substr(0, text.find('\0'))) {}

    std::vector<Token> Run() {
        std::vector<Token> out;
        try {
            Read(out);
        } catch (const SyntaxError& e) {
            Token t;
            t.kind = Token::Kind::Error;
            t.text = e.message;
            t.line = t.endLine = e.line;
            t.column = t.endColumn = e.column;
            out.push_back(std::move(t));
        }
        return out;
    }

private:
    void Read(std::vector<Token>& out) {
        while (true) {
            SkipBetweenTokens();
            Token t = Begin();
            const char c = At(0);
            if (pos_ >= s_.size()) {
                out.push_back(Finish(t, Token::Kind::End));
                return;
            }
            if (IsLineEnd(c)) {
                SkipLineEnd();
                t.kind = Token::Kind::Newline;
                t.endLine = t.line;
                t.endColumn = 0;
                out.push_back(t);
                continue;
            }
            if (IsDigit(c) || (c == '.' && IsDigit(At(1)))) {
                Number(t);
            } else if (c == '$') {
                HexNumber(t);
            } else if (c == '"') {
                String(t);
            } else if (IsAlpha(c) || c == '_') {
                while (IsAlnum(At(0)) || At(0) == '_')
                    ++pos_;
                t.text.assign(s_.substr(start_, pos_ - start_));
                // __END__ ends the script wherever it stands; the rest is free text.
                if (EqualsNoCase(t.text, "__END__")) {
                    out.push_back(Finish(t, Token::Kind::End));
                    return;
                }
                t.kind = Token::Kind::Identifier;
            } else {
                Operator(t);
            }
            out.push_back(Finish(t, t.kind));
        }
    }

    char At(size_t ahead) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
    int Column() const { return static_cast<int>(pos_ - lineStart_); }

    Token Begin() {
        start_ = pos_;
        Token t;
        t.line = line_;
        t.column = Column();
        return t;
    }
    Token Finish(Token t, Token::Kind kind) const {
        t.kind = kind;
        t.endLine = line_;
        t.endColumn = Column();
        return t;
    }
    [[noreturn]] void Fail(const std::string& message) const { throw SyntaxError{message, line_, Column()}; }

    // Moves over text inside a comment or string, keeping line and column up to date:
    // AviSynth+ counts only LF there, and a column starts after any CR or LF.
    void Pass(size_t end) {
        for (; pos_ < end; ++pos_) {
            if (s_[pos_] == '\n')
                ++line_;
            if (IsLineEnd(s_[pos_]))
                lineStart_ = pos_ + 1;
        }
    }
    void SkipBlanks() {
        while (At(0) == ' ' || At(0) == '\t')
            ++pos_;
    }
    void SkipLineEnd() {
        if (!IsLineEnd(At(0)))
            return;
        const char first = At(0);
        ++pos_;
        ++line_;
        if (IsLineEnd(At(0)) && At(0) != first)
            ++pos_;
        lineStart_ = pos_;
    }

    // Blanks, comments and continued lines.
    void SkipBetweenTokens() {
        while (true) {
            SkipBlanks();
            const char c = At(0);
            if (c == '\\') {
                // A backslash ends its line: only blanks may follow it there.
                ++pos_;
                SkipBlanks();
                if (!IsLineEnd(At(0)))
                    Fail("Script error: `\\' can only appear at the beginning or end of a line");
                SkipLineEnd();
            } else if (IsLineEnd(c)) {
                // A line end followed (after blank lines) by a backslash joins the lines.
                const size_t pos = pos_, lineStart = lineStart_;
                const int line = line_;
                do {
                    SkipLineEnd();
                    SkipBlanks();
                } while (IsLineEnd(At(0)));
                if (At(0) == '\\') {
                    ++pos_;
                    continue;
                }
                pos_ = pos;
                lineStart_ = lineStart;
                line_ = line;
                return;
            } else if (c == '#') {
                while (pos_ < s_.size() && !IsLineEnd(s_[pos_]))
                    ++pos_;
                return;
            } else if (c == '/' && At(1) == '*') {
                const size_t end = s_.find("*/", pos_ + 2);
                if (end == std::string_view::npos)
                    Fail("Parse error: block comment missing closing */");
                Pass(end + 2);
            } else if (c == '*' && At(1) == '/') {
                Fail("Parse error: orphan block comment closing */");
            } else if (c == '[' && At(1) == '*') {
                size_t end = s_.find("*]", pos_ + 2), nest = s_.find("[*", pos_ + 2);
                while (nest != std::string_view::npos && end != std::string_view::npos && nest + 1 < end) {
                    end = s_.find("*]", end + 2);
                    nest = s_.find("[*", nest + 2);
                }
                if (end == std::string_view::npos)
                    Fail("Parse error: nestable block comment missing closing *]");
                Pass(end + 2);
            } else if (c == '*' && At(1) == ']') {
                Fail("Parse error: orphan nestable block comment closing *]");
            } else {
                return;
            }
        }
    }

    // Digits with at most one period; no exponent and no other base, so "1e3" is the number
    // 1 followed by the name e3, and "0x40" is 0 followed by x40. The value is gathered as
    // AviSynth+ gathers it: all digits as a whole number, then divided by the power of ten.
    void Number(Token& t) {
        bool isFloat = false, tooLarge = false;
        int64_t whole = 0;
        double digits = 0, place = 1;
        do {
            if (At(0) == '.') {
                isFloat = true;
                ++pos_;
                while (IsDigit(At(0))) {
                    place *= 10;
                    digits = digits * 10 + (At(0) - '0');
                    ++pos_;
                }
                break;
            }
            const int d = At(0) - '0';
            if (whole > (INT64_MAX - d) / 10)
                tooLarge = true;
            else
                whole = whole * 10 + d;
            digits = digits * 10 + d;
            ++pos_;
        } while (IsDigit(At(0)) || At(0) == '.');
        if (isFloat) {
            t.kind = Token::Kind::Float;
            t.floatValue = digits / place;
            return;
        }
        // AviSynth+ would hold a larger one as a 64-bit value, which this server lacks.
        if (tooLarge || whole > INT32_MAX)
            throw SyntaxError{"Script error: integer constant out of range", t.line, t.column};
        t.kind = Token::Kind::Int;
        t.intValue = static_cast<int>(whole);
    }

    // $FF0000: hexadecimal digits up to the next character that is not a letter or digit; the
    // low 32 bits count, so $FFFFFFFF is -1.
    void HexNumber(Token& t) {
        ++pos_;
        uint64_t v = 0;
        do {
            const int d = HexValue(At(0));
            if (d < 0)
                Fail("$ must be followed by a hexadecimal number");
            v = v * 16 + static_cast<uint64_t>(d);
            ++pos_;
        } while (IsAlnum(At(0)));
        t.kind = Token::Kind::Int;
        t.intValue = static_cast<int>(static_cast<uint32_t>(v));
    }

    // "text" or """text""": no escapes; line ends belong to the string. Quotes right after
    // the closing three belong to the string, so """say "hi"""" holds say "hi".
    void String(Token& t) {
        const bool triple = At(1) == '"' && At(2) == '"';
        const size_t start = pos_ + (triple ? 3 : 1);
        size_t end = s_.find(triple ? "\"\"\"" : "\"", start);
        if (end == std::string_view::npos)
            Fail(triple ? "Parse error: string missing closing quotation marks"
                        : "Parse error: string missing closing quotation mark");
        if (triple)
            while (end + 3 < s_.size() && s_[end + 3] == '"')
                ++end;
        t.kind = Token::Kind::String;
        t.text.assign(s_.substr(start, end - start));
        Pass(end + (triple ? 3 : 1));
    }

    void Operator(Token& t) {
        const char c = At(0), next = At(1);
        size_t length = 1;
        if ((c == '<' && (next == '=' || next == '>')) || ((c == '>' || c == '!' || c == '=') && next == '=') ||
            ((c == '+' || c == '&' || c == '|') && next == c))
            length = 2;
        else if (std::string_view("<>!=+&|{}()[],?:-*/%.").find(c) == std::string_view::npos)
            Fail(std::string("unexpected character \"") + c + "\"");
        t.kind = Token::Kind::Operator;
        t.text = std::string(s_.substr(pos_, length));
        pos_ += length;
    }

    std::string_view s_;
    size_t pos_ = 0;
    size_t start_ = 0;     // where the current token starts
    size_t lineStart_ = 0; // just after the last CR or LF before pos_
    int line_ = 1;
};

} // namespace

std::vector<Token> Tokenize(std::string_view text) {
    return Lexer(text).Run();
}

} // namespace bv::builtin
