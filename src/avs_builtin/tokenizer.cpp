#include "avs_builtin/tokenizer.h"

#include <charconv>
#include <cstdint>

namespace bv::builtin {

namespace {

bool IsIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsIdentChar(char c) {
    return IsIdentStart(c) || IsDigit(c);
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text) {}

    std::vector<Token> Run() {
        std::vector<Token> out;
        while (true) {
            SkipBlanksAndComments();
            if (pos_ >= s_.size() || AtEndMarker()) {
                out.push_back(Make(Token::Kind::End, ""));
                return out;
            }
            const char c = s_[pos_];
            if (c == '\n') {
                Token t = Make(Token::Kind::Newline, "");
                Advance();
                if (!ContinuesOnNextLine())
                    out.push_back(t);
                continue;
            }
            if (c == '\\') {
                ContinueAtLineEnd();
                continue;
            }
            if (IsDigit(c) || (c == '.' && pos_ + 1 < s_.size() && IsDigit(s_[pos_ + 1])))
                out.push_back(Number());
            else if (c == '$')
                out.push_back(HexNumber());
            else if (c == '"')
                out.push_back(String());
            else if (IsIdentStart(c))
                out.push_back(Identifier());
            else
                out.push_back(Operator());
        }
    }

private:
    Token Make(Token::Kind kind, std::string text) const {
        Token t;
        t.kind = kind;
        t.text = std::move(text);
        t.line = line_;
        t.column = static_cast<int>(pos_ - lineStart_);
        return t;
    }
    [[noreturn]] void Fail(const std::string& message) const {
        throw SyntaxError{message, line_, static_cast<int>(pos_ - lineStart_)};
    }
    void Advance() {
        if (s_[pos_] == '\n') {
            ++line_;
            lineStart_ = pos_ + 1;
        }
        ++pos_;
    }
    bool At(std::string_view what) const { return s_.substr(pos_, what.size()) == what; }

    bool AtEndMarker() const {
        // "__END__" at the start of a line ends the script; the rest is free text.
        if (!At("__END__") || pos_ != lineStart_)
            return false;
        return pos_ + 7 >= s_.size() || !IsIdentChar(s_[pos_ + 7]);
    }

    void SkipBlanksAndComments() {
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (IsBlank(c)) {
                ++pos_;
            } else if (c == '#') {
                while (pos_ < s_.size() && s_[pos_] != '\n')
                    ++pos_;
            } else if (At("/*")) {
                pos_ += 2;
                while (pos_ < s_.size() && !At("*/"))
                    Advance();
                pos_ = std::min(pos_ + 2, s_.size());
            } else if (At("[*")) {
                int depth = 0;
                do {
                    if (At("[*")) {
                        ++depth;
                        pos_ += 2;
                    } else if (At("*]")) {
                        --depth;
                        pos_ += 2;
                    } else {
                        Advance();
                    }
                } while (depth > 0 && pos_ < s_.size());
            } else {
                return;
            }
        }
    }

    // After a line end: a backslash as the first thing on the next line joins the lines.
    bool ContinuesOnNextLine() {
        size_t p = pos_;
        while (p < s_.size() && IsBlank(s_[p]))
            ++p;
        if (p < s_.size() && s_[p] == '\\') {
            pos_ = p + 1;
            return true;
        }
        return false;
    }

    // A backslash elsewhere must end its line (blanks and a comment may follow).
    void ContinueAtLineEnd() {
        ++pos_;
        size_t p = pos_;
        while (p < s_.size() && IsBlank(s_[p]))
            ++p;
        if (p < s_.size() && s_[p] == '#')
            while (p < s_.size() && s_[p] != '\n')
                ++p;
        if (p < s_.size() && s_[p] != '\n')
            Fail("Script error: syntax error");
        pos_ = p;
        if (pos_ < s_.size())
            Advance(); // the line end itself
        ContinuesOnNextLine();
    }

    Token Number() {
        Token t = Make(Token::Kind::Int, "");
        // Digits with an optional period ("1." is a float too); hexadecimal only as $FF,
        // so "0x40" is the number 0 followed by the name x40, a syntax error.
        const size_t start = pos_;
        bool isFloat = false;
        while (pos_ < s_.size() && IsDigit(s_[pos_]))
            ++pos_;
        if (pos_ < s_.size() && s_[pos_] == '.' && !(pos_ + 1 < s_.size() && IsIdentStart(s_[pos_ + 1]))) {
            isFloat = true;
            ++pos_;
            while (pos_ < s_.size() && IsDigit(s_[pos_]))
                ++pos_;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            size_t p = pos_ + 1;
            if (p < s_.size() && (s_[p] == '+' || s_[p] == '-'))
                ++p;
            if (p < s_.size() && IsDigit(s_[p])) {
                isFloat = true;
                pos_ = p;
                while (pos_ < s_.size() && IsDigit(s_[pos_]))
                    ++pos_;
            }
        }
        // from_chars: the C locale of the host process (Qt sets the user's) must not matter.
        const char* first = s_.data() + start;
        const char* last = s_.data() + pos_;
        if (isFloat) {
            t.kind = Token::Kind::Float;
            auto [end, ec] = std::from_chars(first, last, t.floatValue);
            if (ec != std::errc() || end != last)
                Fail("Script error: invalid number");
        } else {
            int64_t v = 0;
            auto [end, ec] = std::from_chars(first, last, v);
            if (ec != std::errc() || end != last || v > INT32_MAX)
                Fail("Script error: integer constant out of range");
            t.intValue = static_cast<int>(v);
        }
        return t;
    }

    // $FF0000: a 32-bit pattern, so $FFFFFFFF is -1.
    Token HexNumber() {
        Token t = Make(Token::Kind::Int, "");
        ++pos_;
        const size_t start = pos_;
        while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_])))
            ++pos_;
        uint64_t v = 0;
        auto [end, ec] = std::from_chars(s_.data() + start, s_.data() + pos_, v, 16);
        if (start == pos_ || ec != std::errc() || v > UINT32_MAX)
            Fail("Script error: invalid hexadecimal number");
        t.intValue = static_cast<int>(static_cast<uint32_t>(v));
        return t;
    }

    Token String() {
        Token t = Make(Token::Kind::String, "");
        const bool triple = At("\"\"\"");
        const std::string_view close = triple ? "\"\"\"" : "\"";
        pos_ += close.size();
        const size_t start = pos_;
        while (pos_ < s_.size() && !At(close))
            Advance();
        if (pos_ >= s_.size())
            throw SyntaxError{"Parse error: string missing closing quotation mark", t.line, t.column};
        // As in AviSynth: quotes right after the closing three belong to the string, so
        // """say "hi"""" holds say "hi". No escapes exist inside either kind.
        if (triple)
            while (pos_ + 3 < s_.size() && s_[pos_ + 3] == '"')
                ++pos_;
        t.text.assign(s_.substr(start, pos_ - start));
        pos_ += close.size();
        return t;
    }

    Token Identifier() {
        Token t = Make(Token::Kind::Identifier, "");
        const size_t start = pos_;
        while (pos_ < s_.size() && IsIdentChar(s_[pos_]))
            ++pos_;
        t.text.assign(s_.substr(start, pos_ - start));
        return t;
    }

    Token Operator() {
        static constexpr std::string_view kTwo[] = {"==", "!=", "<>", "<=", ">=", "&&", "||", "++"};
        for (std::string_view op : kTwo) {
            if (At(op)) {
                Token t = Make(Token::Kind::Operator, std::string(op));
                pos_ += 2;
                return t;
            }
        }
        // Braces only so that the parser can name what it does not support.
        static constexpr std::string_view kOne = "(),.=+-*/%<>!?:{}";
        if (kOne.find(s_[pos_]) == std::string_view::npos)
            Fail("Script error: syntax error");
        Token t = Make(Token::Kind::Operator, std::string(1, s_[pos_]));
        ++pos_;
        return t;
    }

    std::string_view s_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
};

} // namespace

std::vector<Token> Tokenize(std::string_view text) {
    return Lexer(text).Run();
}

} // namespace bv::builtin
