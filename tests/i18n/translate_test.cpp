// The program-wide translation, started as the front ends start it, with the German catalog
// the build puts into the program folder.
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "i18n/translate.h"
#include "platform/program_folder.h"

namespace bv {
namespace {

TEST(Translate, GermanFromTheProgramFolderOnceStarted) {
    ::setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(Translate("Source File 1"), "Source File 1") << "translated before start-up";
    EXPECT_EQ(ActiveLanguage(), "");

    EXPECT_FALSE(InitTranslation(ProgramFolder()));
    EXPECT_EQ(ActiveLanguage(), "de_DE");
    EXPECT_EQ(Translate("Source File 1"), "Quelldatei 1");
    EXPECT_EQ(Translate("Highest Q in Y:"), "Höchstes Q in Y:");
    EXPECT_EQ(Translate("No such message id"), "No such message id");

    // The language is chosen once for the program's life.
    ::setenv("LANG", "C", 1);
    EXPECT_FALSE(InitTranslation(ProgramFolder()));
    EXPECT_EQ(ActiveLanguage(), "de_DE");
    EXPECT_EQ(Translate("Frame Size"), "Bildgröße");
}

TEST(Translate, SafeFromTheRunThreadAndOthers) {
    ::setenv("LANG", "de_DE.UTF-8", 1);
    InitTranslation(ProgramFolder());
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 20000; ++i)
                wrong[t] += Translate(i % 2 ? "Q in Y:" : "Color Space") != (i % 2 ? "Q in Y:" : "Farbraum");
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

} // namespace
} // namespace bv
