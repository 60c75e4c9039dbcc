#include "analysis/template_script.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/text_file.h"
#include "frame_source/avs_error.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"

namespace bv {

SourceKind SourceKindOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string_view::npos && name.substr(dot) == ".avs")
        return SourceKind::ScriptFile;
    return SourceKind::TemplateScript;
}

namespace {

constexpr std::string_view kPlaceholder = "$filename";

bool AtPlaceholder(std::string_view text, size_t i) {
    if (i + kPlaceholder.size() > text.size())
        return false;
    for (size_t k = 0; k < kPlaceholder.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(text[i + k])) != kPlaceholder[k])
            return false;
    return true;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string ControlName(unsigned char c) {
    switch (c) {
    case '\n':
        return Translate("a line break (LF)");
    case '\r':
        return Translate("a carriage return (CR)");
    case '\t':
        return Translate("a tab");
    default: {
        static constexpr char kHex[] = "0123456789ABCDEF";
        return Translate("the control character") + " 0x" + kHex[c >> 4] + kHex[c & 15];
    }
    }
}

// What the path may not hold where the placeholder stands, as (text, name) pairs.
struct Mark {
    std::string_view text;
    const char* name;
};
constexpr Mark kQuote{"\"", Caption("a double quote (\")")};
constexpr Mark kTripleQuote{"\"\"\"", Caption("three double quotes (\"\"\")")};
constexpr Mark kBackslash{"\\", Caption("a backslash (\\)")};
constexpr Mark kBlockEnd{"*/", Caption("the comment end */")};
constexpr Mark kNestOpen{"[*", Caption("the comment start [*")};
constexpr Mark kNestEnd{"*]", Caption("the comment end *]")};

[[noreturn]] void Refuse(std::string_view path, const std::string& what) {
    throw FileNameRefused(Translate("This file name cannot be put into the AviSynth script:") + " " +
                          VisibleFileName(path) + " (" + Translate("it holds") + " " + what + ")");
}

void RefuseMarks(std::string_view path, std::initializer_list<Mark> marks) {
    for (const Mark& mark : marks)
        if (path.find(mark.text) != std::string_view::npos)
            Refuse(path, Translate(mark.name));
}

// The template's text with the path put in. The scan follows AviSynth's tokenizer just far
// enough to know where each placeholder stands: in code, in a comment, or in which kind of
// string. A path that would end its string or comment early, and so add script of its own,
// is refused.
class TemplateFiller {
public:
    TemplateFiller(std::string_view text, std::string_view path) : t_(text), path_(path) {}

    std::string Run() {
        for (unsigned char c : path_)
            if (IsControl(c))
                Refuse(path_, ControlName(c));
        while (i_ < t_.size()) {
            const char c = t_[i_];
            if (AtPlaceholder(t_, i_)) {
                RefuseMarks(path_, {kQuote}); // outside quotes the path is script text
                out_ += path_;
                i_ += kPlaceholder.size();
            } else if (c == '#') {
                Comment([this] { return t_[i_] == '\n' || t_[i_] == '\r'; }, 0, {});
            } else if (At("/*")) {
                Comment([this] { return At("*/"); }, 2, {kBlockEnd});
            } else if (At("[*")) {
                NestedComment();
            } else if (c == '"') {
                String(false);
            } else if (c == 'e' && i_ + 1 < t_.size() && t_[i_ + 1] == '"' &&
                       (i_ == 0 || !IsIdentChar(t_[i_ - 1]))) {
                out_ += c;
                ++i_;
                String(true);
            } else {
                out_ += c;
                ++i_;
            }
        }
        return out_;
    }

private:
    bool At(std::string_view what) const { return t_.substr(i_, what.size()) == what; }

    // Copies a comment up to where `ends` holds (the end mark is copied after it as text).
    template <class Ends>
    void Comment(Ends ends, size_t openLength, std::initializer_list<Mark> marks) {
        out_ += t_.substr(i_, openLength);
        i_ += openLength;
        while (i_ < t_.size() && !ends()) {
            if (AtPlaceholder(t_, i_)) {
                RefuseMarks(path_, marks);
                out_ += path_;
                i_ += kPlaceholder.size();
            } else {
                out_ += t_[i_++];
            }
        }
    }

    void NestedComment() {
        int depth = 0;
        do {
            if (AtPlaceholder(t_, i_)) {
                RefuseMarks(path_, {kNestOpen, kNestEnd});
                out_ += path_;
                i_ += kPlaceholder.size();
                continue;
            }
            if (At("[*"))
                ++depth;
            else if (At("*]"))
                --depth;
            const size_t n = At("[*") || At("*]") ? 2 : 1;
            out_ += t_.substr(i_, n);
            i_ += n;
        } while (depth > 0 && i_ < t_.size());
    }

    // A string literal of the template, at its opening quote. AviSynth ends "..." at the next
    // quote and """...""" at the next three, extended over any quotes that follow them.
    void String(bool escapes) {
        const bool triple = At("\"\"\"");
        const size_t open = triple ? 3 : 1;
        const size_t start = i_ + open;
        size_t end = t_.find(triple ? "\"\"\"" : "\"", start);
        if (end == std::string_view::npos) {
            // Unterminated: AviSynth refuses the script; a quote in the path must not close it.
            Comment([] { return false; }, open, {kQuote});
            return;
        }
        if (triple)
            while (end + 3 < t_.size() && t_[end + 3] == '"')
                ++end;
        const std::string_view content = t_.substr(start, end - start);
        i_ = end + open;
        if (content.find("$") == std::string_view::npos || !HasPlaceholder(content)) {
            out_ += t_.substr(start - open, end + open - (start - open));
            return;
        }
        if (escapes) // AviSynth+'s e"..." reads backslash escapes, and its end is the next quote
            RefuseMarks(path_, {kBackslash, kQuote});
        std::string filled;
        for (size_t k = 0; k < content.size();) {
            if (AtPlaceholder(content, k)) {
                filled += path_;
                k += kPlaceholder.size();
            } else {
                filled += content[k++];
            }
        }
        // A quote right after a plain literal would join a triple-quoted one.
        const bool quoteFollows = i_ < t_.size() && t_[i_] == '"';
        std::optional<std::string> literal = AvsStringLiteral(filled, triple);
        if (!literal || (!triple && quoteFollows && filled.find('"') != std::string::npos))
            Refuse(path_,
                   Translate(filled.find("\"\"\"") != std::string::npos ? kTripleQuote.name : kQuote.name));
        out_ += *literal;
    }

    static bool HasPlaceholder(std::string_view text) {
        for (size_t k = 0; k < text.size(); ++k)
            if (AtPlaceholder(text, k))
                return true;
        return false;
    }

    std::string_view t_;
    std::string_view path_;
    size_t i_ = 0;
    std::string out_;
};

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace

std::string ReplaceFileNamePlaceholder(std::string_view line, std::string_view sourcePath) {
    std::string out;
    for (size_t i = 0; i < line.size();) {
        if (AtPlaceholder(line, i)) {
            out += sourcePath;
            i += kPlaceholder.size();
        } else {
            out += line[i++];
        }
    }
    return out;
}

std::string VisibleFileName(std::string_view path) {
    std::string shown(path);
    for (char& c : shown)
        if (IsControl(static_cast<unsigned char>(c)))
            c = '?';
    return shown;
}

std::optional<std::string> AvsStringLiteral(std::string_view text, bool triple) {
    // AviSynth has no escapes: three quotes are the only way to hold one, and they end at the
    // first three quotes inside (trailing quotes are taken in, so a quote at the end is fine).
    const std::string_view quotes = !triple && text.find('"') == std::string_view::npos ? "\"" : "\"\"\"";
    if (quotes.size() == 3 && text.find(quotes) != std::string_view::npos)
        return std::nullopt;
    // Built by append: GCC 12 warns falsely on "..." + string.
    std::string literal(quotes);
    literal.append(text).append(quotes);
    return literal;
}

std::vector<std::string> FillTemplate(const std::vector<std::string>& templateLines,
                                      std::string_view sourcePath) {
    // Scanned as one text: an AviSynth string may span lines.
    const std::string filled = TemplateFiller(JoinLines(templateLines), sourcePath).Run();
    std::vector<std::string> lines;
    lines.reserve(templateLines.size());
    size_t from = 0;
    for (size_t nl = filled.find('\n'); nl != std::string::npos; nl = filled.find('\n', from)) {
        lines.push_back(filled.substr(from, nl - from));
        from = nl + 1;
    }
    return lines;
}

std::string FileNameRefusal(const std::vector<std::string>& templateLines, std::string_view sourcePath) {
    if (SourceKindOf(sourcePath) != SourceKind::TemplateScript)
        return "";
    try {
        FillTemplate(templateLines, sourcePath);
    } catch (const FileNameRefused& e) {
        return e.what();
    }
    return "";
}

bool TemplateIgnoresSource(const std::vector<std::string>& templateLines) {
    if (templateLines.empty())
        return false;
    for (const std::string& line : templateLines)
        if (ReplaceFileNamePlaceholder(line, "") != line)
            return false;
    return true;
}

void WriteTemplateScript(const std::vector<std::string>& templateLines, const std::string& sourcePath,
                         const std::string& scriptPath) {
    // Every line is made before the file is touched: a refused path leaves no script behind.
    WriteTextLines(scriptPath, FillTemplate(templateLines, sourcePath));
}

std::string GeneratedScriptPath(const char* scriptName) { return GeneratedFilesFolder() + scriptName; }

namespace {
// An exclusive lock on a generated script itself: two processes using the same fixed script
// name take turns, and no lock file of its own is ever left behind. Whoever held the lock
// before may have deleted the script, so the lock counts only while the path still names the
// locked file; otherwise the file is opened anew.
class ScriptLock {
public:
    ScriptLock(const std::string& path, bool create) {
        for (;;) {
            fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
            if (fd_ < 0)
                return; // nothing to delete, or the write that follows says why
            int locked;
            while ((locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
            }
            if (locked != 0)
                return; // a file system without locks: go on unguarded
            struct stat held {}, named {};
            if (::fstat(fd_, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
                held.st_ino == named.st_ino)
                return;
            ::close(fd_);
            if (!create)
                return; // deleted meanwhile: nothing left to delete
        }
    }
    ~ScriptLock() {
        if (fd_ >= 0)
            ::close(fd_); // releases the lock
    }
    ScriptLock(const ScriptLock&) = delete;
    ScriptLock& operator=(const ScriptLock&) = delete;

private:
    int fd_ = -1;
};
} // namespace

std::string LocateInTemplate(const std::string& message, const std::string& scriptPath,
                             const std::string& templateName, const std::vector<std::string>& templateLines,
                             const std::string& sourcePath) {
    // The script line where each template line begins (a path holding a line break spreads
    // its template line over several script lines).
    std::vector<int> firstScriptLine;
    int line = 1;
    for (const std::string& t : templateLines) {
        firstScriptLine.push_back(line);
        const std::string written = ReplaceFileNamePlaceholder(t, sourcePath);
        for (size_t i = 0; i < written.size(); ++i)
            if (written[i] == '\n' || (written[i] == '\r' && (i + 1 == written.size() || written[i + 1] != '\n')))
                ++line;
        ++line;
    }
    const auto templateLineOf = [&firstScriptLine](int scriptLine) {
        int t = 0;
        while (t < static_cast<int>(firstScriptLine.size()) && firstScriptLine[t] <= scriptLine)
            ++t;
        return t; // 1-based: the last template line starting at or before scriptLine
    };
    const std::string located = "(" + scriptPath + ", line ";
    std::string out;
    size_t at = 0;
    while (at < message.size()) {
        const size_t hit = message.find(scriptPath, at);
        if (hit == std::string::npos) {
            out.append(message, at, std::string::npos);
            break;
        }
        if (hit > 0 && message.compare(hit - 1, located.size(), located) == 0) {
            size_t digits = hit - 1 + located.size(), end = digits;
            while (end < message.size() && std::isdigit(static_cast<unsigned char>(message[end])))
                ++end;
            if (end > digits) {
                out.append(message, at, hit - at);
                out += templateName + ", line " + std::to_string(templateLineOf(std::stoi(message.substr(digits, end - digits))));
                at = end;
                continue;
            }
        }
        out.append(message, at, hit - at);
        out += templateName;
        at = hit + scriptPath.size();
    }
    return out;
}

void RemoveGeneratedScript(const char* scriptName) {
    const std::string script = GeneratedScriptPath(scriptName);
    ScriptLock lock(script, /*create=*/false);
    ::unlink(script.c_str()); // a missing file is no error
}

AvsClip OpenSourceClip(ScriptEnvironment& environment, const std::string& sourcePath,
                       const std::vector<std::string>& templateLines, const char* scriptName,
                       bool keepScript, const std::string& templateName) {
    if (SourceKindOf(sourcePath) == SourceKind::ScriptFile)
        return OpenAvsClip(environment, sourcePath);
    const std::string script = GeneratedScriptPath(scriptName);
    // Every line is made before the script is touched: a refused path leaves no script behind.
    const std::vector<std::string> lines = FillTemplate(templateLines, sourcePath);
    ScriptLock lock(script, /*create=*/true);
    struct Cleanup {
        const std::string& path;
        bool keep;
        ~Cleanup() {
            if (!keep)
                ::unlink(path.c_str());
        }
    } cleanup{script, keepScript};
    try {
        WriteTextLines(script, lines);
    } catch (...) {
        cleanup.keep = false; // a half-written script is of no use to anyone
        throw;
    }
    if (templateName.empty())
        return OpenAvsClip(environment, script);
    try {
        return OpenAvsClip(environment, script);
    } catch (const EAviSynthCException& e) {
        throw EAviSynthCException(LocateInTemplate(e.what(), script, templateName, templateLines, sourcePath));
    }
}

} // namespace bv
