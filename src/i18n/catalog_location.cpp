#include "i18n/catalog_location.h"

#include <filesystem>
#include <system_error>

namespace bv {

std::string FindCatalog(const std::string& programFolder, const std::string& languageCode) {
    for (const std::string& code : {languageCode, languageCode.substr(0, 2)}) {
        std::string path = programFolder + "locale/" + code + "/LC_MESSAGES/default.mo";
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            return path;
    }
    return {};
}

} // namespace bv
