#include "cli/source_option.h"

#include "analysis/template_script.h"
#include "analysis/text_file.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace bv {

std::string DefaultTemplate::For(const std::string& templateFile, const std::vector<std::string>& sources) {
    if (!templateFile.empty() || std::none_of(sources.begin(), sources.end(), [](const std::string& source) {
            return SourceKindOf(source) == SourceKind::TemplateScript;
        }))
        return templateFile;
    const std::string shipped = ProgramFilesHere().templatesFolder + "/FFMS2.avs";
    std::error_code error;
    if (!std::filesystem::is_regular_file(shipped, error))
        return templateFile;
    if (!quiet_ && !said_)
        std::cerr << Translate("Videos given without a template are opened through:") << ' ' << shipped
                  << '\n';
    said_ = true;
    return shipped;
}

std::vector<std::string> LoadTemplateOption(const std::string& templateFile) {
    if (templateFile.empty())
        return {};
    return ReadTextLines(templateFile);
}

AvsClip OpenSourceOption(ScriptEnvironment& environment, const std::string& source,
                         const std::string& templateFile, const char* scriptName) {
    if (SourceKindOf(source) == SourceKind::TemplateScript && templateFile.empty())
        throw std::runtime_error(source +
                                 " is not an AviSynth script (.avs): give a template with --template FILE,"
                                 " for example " + ProgramFilesHere().templatesFolder + "/FFMS2.avs");
    // The generated script lives in the program folder or the cache folder, and AviSynth
    // resolves a relative name against the folder of the script that names it: hand it the
    // absolute path.
    const std::string path = SourceKindOf(source) == SourceKind::TemplateScript
                                 ? std::filesystem::absolute(source).string()
                                 : source;
    return OpenSourceClip(environment, path, LoadTemplateOption(templateFile), scriptName, false, templateFile);
}

} // namespace bv
