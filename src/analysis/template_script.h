// Sources and the scripts generated for them from a template.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "frame_source/avs_clip.h"

namespace bv {

class ScriptEnvironment;

enum class SourceKind { None = 0, ScriptFile = 1, TemplateScript = 2 };

// ScriptFile when the name's extension is exactly ".avs" (letter case included).
SourceKind SourceKindOf(std::string_view path);

// Names of the generated scripts of Source File 1 and of the Source Files 2.
inline constexpr const char* kGeneratedScript1 = "bv_avisynth_1.avs";
inline constexpr const char* kGeneratedScript2 = "bv_avisynth_2.avs";

// Thrown when a source's path cannot be put into a template's script; the text names the
// file and the character.
class FileNameRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every "$FileName", in any letter case, replaced by `sourcePath` as it stands.
std::string ReplaceFileNamePlaceholder(std::string_view line, std::string_view sourcePath);

// True for a template with lines but no "$FileName" (any letter case) in any of them: it opens
// the video it names itself, whatever source was chosen.
bool TemplateIgnoresSource(const std::vector<std::string>& templateLines);

// `text` as one AviSynth string literal: "text" when it holds no double quote, else
// """text""" (also when `triple`, the form the template chose); nothing when it holds three
// double quotes in a row. AviSynth strings have no escapes, so no other form exists.
std::optional<std::string> AvsStringLiteral(std::string_view text, bool triple = false);

// The template's lines with every "$FileName" (any letter case) replaced by the path. Inside a
// string the path stays part of that one string ("..." becomes """...""" when the path holds a
// quote); in script text and comments it is put in as it stands. Throws FileNameRefused when
// the path holds a control character, or anything that would end its string or comment early
// (a quote outside quotes, three quotes, a comment's end mark).
std::vector<std::string> FillTemplate(const std::vector<std::string>& templateLines,
                                      std::string_view sourcePath);

// FillTemplate's refusal for a source read through the template, or "" when the source can be
// opened (a script file is opened as it is: its name never enters a script).
std::string FileNameRefusal(const std::vector<std::string>& templateLines, std::string_view sourcePath);

// The path with every control character shown as "?", for messages.
std::string VisibleFileName(std::string_view path);

// Writes FillTemplate's lines, each ended by CR LF, to `scriptPath` (created or truncated).
// Throws FileNameRefused before the file is touched, std::runtime_error when a write fails.
void WriteTemplateScript(const std::vector<std::string>& templateLines, const std::string& sourcePath,
                         const std::string& scriptPath);

// Full path of a generated script: in the program folder, or the per-user cache folder
// when the program folder is not writable.
std::string GeneratedScriptPath(const char* scriptName);

// Deletes a generated script, waiting while another process uses it; a missing script is no error.
void RemoveGeneratedScript(const char* scriptName);

// Opens a source as a clip: a ScriptFile as it is, any other file through the generated
// script `scriptName`, which is deleted as soon as AviSynth has opened it unless
// `keepScript`. Processes that generate the same script name take turns (a lock on the
// script itself; no other file is made). An error located in the generated script names
// `templateName` and the template's line instead: the user never sees the generated script.
AvsClip OpenSourceClip(ScriptEnvironment& environment, const std::string& sourcePath,
                       const std::vector<std::string>& templateLines, const char* scriptName,
                       bool keepScript = false, const std::string& templateName = {});

// `message` with every "(<scriptPath>, line N" turned into "(<templateName>, line M)", M being
// the template line that produced line N of the script, and any other mention of the script
// replaced by the template's name.
std::string LocateInTemplate(const std::string& message, const std::string& scriptPath,
                             const std::string& templateName, const std::vector<std::string>& templateLines,
                             const std::string& sourcePath);

} // namespace bv
