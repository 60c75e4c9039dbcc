#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "i18n/catalog_location.h"
#include "i18n/translation_setup.h"
#include "mo_image.h"

namespace bv {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = BV_I18N_FIXTURES;

// A program folder of its own for each test, with catalogs placed as the test needs.
class TranslationSetupTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("bv_i18n_" + std::to_string(::getpid()) + "_" +
                                               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Folder() const { return folder_.string() + "/"; }
    std::string CatalogPath(const std::string& code) const {
        return Folder() + "locale/" + code + "/LC_MESSAGES/default.mo";
    }
    void Place(const std::string& code, const std::string& bytes) const {
        test::WriteBytes(CatalogPath(code), bytes);
    }
    void PlaceFixture(const std::string& code, const char* name) const {
        Place(code, test::ReadBytes(kFixtures / name));
    }

    fs::path folder_;
};

TEST_F(TranslationSetupTest, ExactCodeFirstThenItsFirstTwoLetters) {
    EXPECT_EQ(FindCatalog(Folder(), "de_DE"), "");
    PlaceFixture("de", "sample_le.mo");
    EXPECT_EQ(FindCatalog(Folder(), "de_DE"), CatalogPath("de"));
    EXPECT_EQ(FindCatalog(Folder(), "de_AT@euro"), CatalogPath("de"));
    EXPECT_EQ(FindCatalog(Folder(), "de"), CatalogPath("de"));
    EXPECT_EQ(FindCatalog(Folder(), "dk_DK"), "");
    EXPECT_EQ(FindCatalog(Folder(), "C"), "");
    PlaceFixture("de_DE", "sample_be.mo");
    EXPECT_EQ(FindCatalog(Folder(), "de_DE"), CatalogPath("de_DE"));
    EXPECT_EQ(FindCatalog(Folder(), "de_CH"), CatalogPath("de"));
}

TEST_F(TranslationSetupTest, TranslatesFromTheCatalogFound) {
    PlaceFixture("de", "sample_be.mo");
    const TranslationSetup setup = SetUpTranslation(Folder(), "de_DE");
    ASSERT_NE(setup.catalog, nullptr);
    EXPECT_FALSE(setup.problem);
    EXPECT_EQ(setup.catalogPath, CatalogPath("de"));
    EXPECT_EQ(setup.Translate("Frame Size"), "Bildgröße");
    EXPECT_EQ(setup.Translate("Not in the catalog"), "Not in the catalog");
    // The empty message id holds the header, which is no translation.
    EXPECT_EQ(setup.Translate(""), "");
}

TEST_F(TranslationSetupTest, NoCatalogMeansEnglishWithoutAWord) {
    for (const char* code : {"de_DE", "C", "en_US"}) {
        const TranslationSetup setup = SetUpTranslation(Folder(), code);
        EXPECT_EQ(setup.catalog, nullptr);
        EXPECT_FALSE(setup.problem);
        EXPECT_EQ(setup.Translate("Frame Size"), "Frame Size");
    }
}

TEST_F(TranslationSetupTest, CatalogNotInUtf8TurnsTranslationOffWithTheMessage) {
    PlaceFixture("de", "latin1.mo");
    const TranslationSetup setup = SetUpTranslation(Folder(), "de_DE");
    EXPECT_EQ(setup.catalog, nullptr);
    ASSERT_TRUE(setup.problem);
    EXPECT_EQ(setup.problem->kind, TranslationProblem::Kind::NotUtf8);
    EXPECT_EQ(setup.problem->title, "Localization problem");
    EXPECT_EQ(setup.problem->text, "The translation for the language code de_DE (in " + CatalogPath("de") +
                                       ") does not have charset=utf-8 in its Content-Type. "
                                       "Translations are turned off.");
    EXPECT_EQ(setup.Translate("Frame Size"), "Frame Size");

    // A catalog without a header names no charset either.
    Place("fr", test::MoImage({{"Frame Size", "Taille"}}));
    EXPECT_EQ(SetUpTranslation(Folder(), "fr").problem->kind, TranslationProblem::Kind::NotUtf8);
}

TEST_F(TranslationSetupTest, BrokenCatalogIsReportedAndLeavesEnglish) {
    std::string bytes = test::ReadBytes(kFixtures / "sample_le.mo");
    Place("de", bytes.substr(0, bytes.size() / 2));
    Place("nl", "not a catalog at all, just some text");
    for (const char* code : {"de", "nl"}) {
        const TranslationSetup setup = SetUpTranslation(Folder(), code);
        EXPECT_EQ(setup.catalog, nullptr);
        ASSERT_TRUE(setup.problem);
        EXPECT_EQ(setup.problem->kind, TranslationProblem::Kind::InvalidCatalog);
        EXPECT_EQ(setup.problem->text, "This file is not a valid GNU gettext mo file: " + CatalogPath(code));
        EXPECT_EQ(setup.Translate("Frame Size"), "Frame Size");
    }
}

TEST_F(TranslationSetupTest, TranslationsThatWouldLoseTheTextAreNotUsed) {
    Place("de", test::MoImage({{"", test::kUtf8Header},
                               {"Empty", ""},
                               {"Latin-1 bytes", "Gr\xf6\xdf"
                                                 "e"},
                               {"Cut sequence", "Gr\xc3"},
                               {"Overlong", "\xc0\xaf"},
                               {"Surrogate", "\xed\xa0\x80"},
                               {"Four bytes", "\xf0\x9f\x8e\xac"}}));
    const TranslationSetup setup = SetUpTranslation(Folder(), "de");
    ASSERT_NE(setup.catalog, nullptr);
    for (const char* english : {"Empty", "Latin-1 bytes", "Cut sequence", "Overlong", "Surrogate"})
        EXPECT_EQ(setup.Translate(english), english);
    EXPECT_EQ(setup.Translate("Four bytes"), "\xf0\x9f\x8e\xac");
}

} // namespace
} // namespace bv
