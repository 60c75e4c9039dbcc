#include "i18n/translate.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "i18n/language_choice.h"

namespace bv {

namespace {

// Written once at start-up and only read afterwards; it lives until the program ends.
std::atomic<const TranslationSetup*> g_setup{nullptr};
std::once_flag g_once;

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::optional<TranslationProblem> InitTranslation(const std::string& programFolder) {
    std::optional<TranslationProblem> problem;
    std::call_once(g_once, [&] {
        const std::string lang = EnvOrEmpty("LANG");
        const std::string userLocale = UserMessagesLocale();
        const std::string language = ChooseLanguage({lang, userLocale, 0});
        auto* setup = new TranslationSetup(SetUpTranslation(programFolder, language));
        problem = setup->problem;
        g_setup.store(setup, std::memory_order_release);
    });
    return problem;
}

std::string Translate(std::string_view english) {
    const TranslationSetup* setup = g_setup.load(std::memory_order_acquire);
    return setup != nullptr ? setup->Translate(english) : std::string(english);
}

std::string ActiveLanguage() {
    const TranslationSetup* setup = g_setup.load(std::memory_order_acquire);
    return setup != nullptr && setup->catalog != nullptr ? setup->language : std::string();
}

} // namespace bv
