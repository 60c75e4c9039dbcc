#include <cstdlib>
#include <gtest/gtest.h>

#include "i18n/language_choice.h"

namespace bv {
namespace {

std::string Choose(std::string_view lang, std::string_view userLocale, uint32_t localeId = 0) {
    return ChooseLanguage({lang, userLocale, localeId});
}

TEST(LanguageChoice, LangComesFirstAndIsCutAtTheFirstDot) {
    EXPECT_EQ(Choose("de_DE.UTF-8", "fr_FR.UTF-8", 1036), "de_DE");
    EXPECT_EQ(Choose("de_DE", ""), "de_DE");
    EXPECT_EQ(Choose("de", ""), "de");
    EXPECT_EQ(Choose("de_DE.UTF-8@euro.x", ""), "de_DE");
    EXPECT_EQ(Choose("de_DE@euro", ""), "de_DE@euro");
    // LANG is taken as it is: only the user's locale has "no" replaced.
    EXPECT_EQ(Choose("no_NO.UTF-8", ""), "no_NO");
    EXPECT_EQ(Choose("C", "de_DE.UTF-8"), "C");
    EXPECT_EQ(Choose("C.UTF-8", "de_DE.UTF-8"), "C");
}

TEST(LanguageChoice, EmptyLangFallsToTheUsersLocale) {
    EXPECT_EQ(Choose("", "de_AT.UTF-8"), "de_AT");
    EXPECT_EQ(Choose("", "pt_BR@latin"), "pt_BR");
    EXPECT_EQ(Choose("", "no_NO.UTF-8"), "nb_NO");
    EXPECT_EQ(Choose("", "nb_NO.UTF-8"), "nb_NO");
    // Without two two-letter names the locale identifier decides; Linux has none.
    for (const char* locale :
         {"", "C", "C.UTF-8", "POSIX", "de", "ast_ES.UTF-8", "de_DEU", "d1_DE", "en_001"})
        EXPECT_EQ(Choose("", locale), "C") << locale;
    EXPECT_EQ(Choose("", "ast_ES.UTF-8", 1031), "de_DE");
    EXPECT_EQ(Choose("", "C", 2068), "nn_NO");
}

TEST(LanguageChoice, LocaleIdentifierTable) {
    EXPECT_EQ(LanguageFromLocaleId(1031), "de_DE");
    EXPECT_EQ(LanguageFromLocaleId(1034), "es_ES");
    EXPECT_EQ(LanguageFromLocaleId(3082), "es_ES");
    EXPECT_EQ(LanguageFromLocaleId(1044), "nb_NO");
    EXPECT_EQ(LanguageFromLocaleId(1042), "ko_KO");
    EXPECT_EQ(LanguageFromLocaleId(4103), "de_LU");
    for (uint32_t other : {0u, 1029u, 1037u, 1041u, 2052u, 4108u, 0xFFFFFFFFu})
        EXPECT_EQ(LanguageFromLocaleId(other), "C") << other;
}

TEST(LanguageChoice, CodesThatCannotNameAFolderMeanNoTranslation) {
    EXPECT_EQ(Choose("../../etc", ""), "C");
    EXPECT_EQ(Choose(".UTF-8", "de_DE.UTF-8"), "C");
    EXPECT_EQ(Choose("de/../../x", ""), "C");
}

TEST(LanguageChoice, UsersMessagesLocaleFromTheEnvironment) {
    ::setenv("LC_ALL", "fr_CA.UTF-8", 1);
    ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    EXPECT_EQ(UserMessagesLocale(), "fr_CA.UTF-8");
    ::setenv("LC_ALL", "", 1);
    EXPECT_EQ(UserMessagesLocale(), "de_DE.UTF-8");
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    EXPECT_EQ(UserMessagesLocale(), "");
}

} // namespace
} // namespace bv
