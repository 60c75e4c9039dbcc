#include "i18n/language_choice.h"

#include <cstdlib>

namespace bv {

namespace {

bool IsTwoLetters(std::string_view s) {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    return s.size() == 2 && letter(s[0]) && letter(s[1]);
}

// language_COUNTRY from a POSIX locale name (language[_territory][.codeset][@modifier]), or
// empty when either part is not two letters.
std::string TwoLetterNames(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    const std::size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos)
        return {};
    std::string_view language = locale.substr(0, underscore);
    const std::string_view country = locale.substr(underscore + 1);
    if (!IsTwoLetters(language) || !IsTwoLetters(country))
        return {};
    if (language == "no")
        language = "nb";
    return std::string(language) + "_" + std::string(country);
}

} // namespace

std::string LanguageFromLocaleId(uint32_t localeId) {
    switch (localeId) {
    case 1030:
        return "da_DK";
    case 1031:
        return "de_DE";
    case 1032:
        return "el_GR";
    case 1033:
        return "en_US";
    case 1034:
    case 3082:
        return "es_ES";
    case 1035:
        return "fi_FI";
    case 1036:
        return "fr_FR";
    case 1039:
        return "is_IS";
    case 1040:
        return "it_IT";
    case 1042:
        return "ko_KO";
    case 1043:
        return "nl_NL";
    case 1044:
        return "nb_NO";
    case 1045:
        return "pl_PL";
    case 1046:
        return "pt_BR";
    case 1049:
        return "ru_RU";
    case 1053:
        return "sv_SE";
    case 2057:
        return "en_GB";
    case 2060:
        return "fr_BE";
    case 2067:
        return "nl_BE";
    case 2068:
        return "nn_NO";
    case 2070:
        return "pt_PT";
    case 2077:
        return "sv_FI";
    case 3084:
        return "fr_CA";
    case 4103:
        return "de_LU";
    default:
        return "C";
    }
}

std::string ChooseLanguage(const LanguageSources& sources) {
    std::string code;
    if (!sources.lang.empty())
        code = sources.lang;
    else if (code = TwoLetterNames(sources.userLocale); code.empty())
        code = LanguageFromLocaleId(sources.localeId);
    code = code.substr(0, code.find('.'));
    // The code becomes a folder name beside the program; "../x" or "" must not lead elsewhere.
    if (code.empty() || code.find('/') != std::string::npos)
        return "C";
    return code;
}

std::string UserMessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0')
            return value;
    return {};
}

} // namespace bv
