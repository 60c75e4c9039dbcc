#include "i18n/catalog_location.h"

#include "platform/program_folder.h"

#include <filesystem>
#include <system_error>

namespace bv {

std::string FindCatalog(const std::string& programFolder, const std::string& languageCode) {
    const ProgramFiles files = ProgramFilesOf(programFolder);
    for (const std::string& code : {languageCode, languageCode.substr(0, 2)}) {
        std::string path = files.localeFolder + code + "/LC_MESSAGES/" + files.catalogName;
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            return path;
    }
    return {};
}

} // namespace bv
