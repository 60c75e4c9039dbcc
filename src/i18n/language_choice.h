// Choosing the language of the user interface once, at program start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bv {

// Where the language comes from, in the order it is consulted.
struct LanguageSources {
    std::string_view lang;       // the environment variable LANG
    std::string_view userLocale; // the user's locale for messages, a POSIX name such as de_DE.UTF-8
    uint32_t localeId = 0;       // a Windows locale identifier; 0 where the system has none
};

// The language code: LANG when set and not empty; else language "_" country of the user's
// locale when both are exactly two letters ("no" becomes "nb"); else the locale identifier
// looked up by LanguageFromLocaleId. Everything from the first "." on is cut off.
// "C" means no translation; so does a code that cannot name a folder (empty, or with a "/").
std::string ChooseLanguage(const LanguageSources& sources);

// The language code of a Windows locale identifier (1031 gives de_DE); "C" for any other.
std::string LanguageFromLocaleId(uint32_t localeId);

// The user's locale for messages on this system: LC_ALL, else LC_MESSAGES (LANG is consulted
// first anyway). Linux has no locale identifiers, so the front ends pass localeId 0 and a
// locale without two-letter names (C, POSIX, three-letter languages) gives C.
std::string UserMessagesLocale();

} // namespace bv
