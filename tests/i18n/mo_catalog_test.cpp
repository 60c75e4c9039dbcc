#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "i18n/mo_catalog.h"
#include "mo_image.h"

namespace bv {
namespace {

namespace fs = std::filesystem;
using test::MoImage;
using test::PutU32;

const fs::path kFixtures = BV_I18N_FIXTURES;

std::string Bytes(const char* name) {
    return test::ReadBytes(kFixtures / name);
}

TEST(MoCatalog, ReadsCatalogsOfBothByteOrdersAlike) {
    const std::string little = Bytes("sample_le.mo"), big = Bytes("sample_be.mo");
    ASSERT_EQ(little.substr(0, 4), "\xde\x12\x04\x95");
    ASSERT_EQ(big.substr(0, 4), "\x95\x04\x12\xde");
    for (const std::string& bytes : {little, big}) {
        const MoCatalog catalog = MoCatalog::Parse(bytes, "sample.mo");
        EXPECT_EQ(catalog.Find("Source File 1"), "Quelldatei 1");
        EXPECT_EQ(catalog.Find("Frame Size"), "Bildgröße");
        EXPECT_EQ(catalog.Find("Highest Q in Y:"), "Höchstes Q in Y:");
        EXPECT_EQ(catalog.Find("Lowest Q in Y:"), "Niedrigstes Q in Y:");
        // msgfmt leaves out untranslated and fuzzy entries.
        EXPECT_FALSE(catalog.Find("Untranslated"));
        EXPECT_FALSE(catalog.Find("Fuzzy"));
        EXPECT_FALSE(catalog.Find("Source File"));
        EXPECT_FALSE(catalog.Find("Source File 1 "));
        // A plural entry answers for its singular with its first form, as gettext does; an
        // entry with a context never answers a plain look-up.
        EXPECT_EQ(catalog.Find("one file"), "eine Datei");
        EXPECT_FALSE(catalog.Find("%d files"));
        EXPECT_FALSE(catalog.Find("Open"));
        EXPECT_EQ(HeaderContentType(catalog.Header()), "text/plain; charset=UTF-8");
    }
}

TEST(MoCatalog, UnsortedTablesAndDuplicatesStillLookUpByValue) {
    const MoCatalog catalog =
        MoCatalog::Parse(MoImage({{"b", "B"}, {"a", "A"}, {"c", "C"}, {"a", "second"}}, true), "x.mo");
    EXPECT_EQ(catalog.Find("a"), "A");
    EXPECT_EQ(catalog.Find("b"), "B");
    EXPECT_EQ(catalog.Find("c"), "C");
    EXPECT_EQ(catalog.Header(), "");
}

void ExpectInvalid(const std::string& bytes, const std::string& what) {
    try {
        MoCatalog::Parse(bytes, "/opt/x/default.mo");
        ADD_FAILURE() << what << ": accepted";
    } catch (const CatalogError& e) {
        EXPECT_STREQ(e.what(), "This file is not a valid GNU gettext mo file: /opt/x/default.mo") << what;
    }
}

TEST(MoCatalog, EveryTruncationIsRejected) {
    for (const char* name : {"sample_le.mo", "sample_be.mo"}) {
        const std::string bytes = Bytes(name);
        for (std::size_t size = 0; size < bytes.size(); ++size)
            ExpectInvalid(bytes.substr(0, size), std::string(name) + " cut to " + std::to_string(size));
    }
}

TEST(MoCatalog, CorruptHeadersTablesAndStringsAreRejected) {
    const std::string good = MoImage({{"", test::kUtf8Header}, {"Frame", "Frame"}, {"Version", "Fassung"}});
    ASSERT_NO_THROW(MoCatalog::Parse(good, "good.mo"));
    auto with = [&](std::size_t at, uint32_t value) {
        std::string bytes = good;
        PutU32(bytes, at, value);
        return bytes;
    };
    ExpectInvalid("This is plain text, long enough to pass for a header.", "text file");
    ExpectInvalid(with(0, 0x950412df), "wrong magic");
    ExpectInvalid(with(0, 0), "zero magic");
    ExpectInvalid(with(4, 2u << 16), "major revision 2");
    ExpectInvalid(with(8, 0xFFFFFFFF), "count far beyond the file");
    ExpectInvalid(with(8, uint32_t(good.size() / 8)), "tables larger than the file");
    ExpectInvalid(with(12, uint32_t(good.size() - 8)), "id table running off the end");
    ExpectInvalid(with(16, 0xFFFFFFF8), "translation table offset that wraps");
    const std::size_t secondId = 28 + 8, secondTranslation = 28 + 3 * 8 + 8;
    ExpectInvalid(with(secondId + 4, uint32_t(good.size())), "string starting at the end");
    ExpectInvalid(with(secondTranslation, 0xFFFFFFF0), "length that wraps with its offset");
    ExpectInvalid(with(secondTranslation, 2), "string without its NUL");

    EXPECT_NO_THROW(MoCatalog::Parse(with(4, 1u << 16), "revision 1.0"));
    EXPECT_NO_THROW(MoCatalog::Parse(with(8, 0), "no entries"));
}

TEST(MoCatalog, LoadNamesTheFileItCannotUse) {
    const fs::path dir = fs::temp_directory_path() / ("bv_mo_load_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder.mo");
    EXPECT_THROW(MoCatalog::Load((dir / "missing.mo").string()), CatalogError);
    EXPECT_THROW(MoCatalog::Load((dir / "folder.mo").string()), CatalogError);

    const fs::path huge = dir / "huge.mo";
    test::WriteBytes(huge, Bytes("sample_le.mo"));
    fs::resize_file(huge, 64u << 20); // sparse; far above any real catalog
    try {
        MoCatalog::Load(huge.string());
        ADD_FAILURE() << "huge file accepted";
    } catch (const CatalogError& e) {
        EXPECT_NE(std::string(e.what()).find(huge.string()), std::string::npos);
    }

    EXPECT_EQ(MoCatalog::Load((kFixtures / "sample_be.mo").string()).Find("Frame Size"), "Bildgröße");
    fs::remove_all(dir);
}

TEST(MoCatalog, ContentTypeOfTheHeader) {
    EXPECT_EQ(HeaderContentType("Language: de\ncontent-TYPE: text/plain; charset=UTF-8\nX: y\n"),
              "text/plain; charset=UTF-8");
    EXPECT_EQ(HeaderContentType("Content-Type:text/plain\nContent-Type : a\n"), "");
    EXPECT_EQ(HeaderContentType("X-Content-Type: a\n"), "");
    EXPECT_EQ(HeaderContentType("Content-Type: last line"), "last line");
    EXPECT_EQ(HeaderContentType(""), "");

    EXPECT_TRUE(IsUtf8ContentType("text/plain; charset=UTF-8"));
    EXPECT_TRUE(IsUtf8ContentType("text/plain; Charset=utf-8"));
    EXPECT_FALSE(IsUtf8ContentType("text/plain; charset=ISO-8859-1"));
    EXPECT_FALSE(IsUtf8ContentType("text/plain; charset=UTF8"));
    EXPECT_FALSE(IsUtf8ContentType("text/plain; charset=CHARSET"));
    EXPECT_FALSE(IsUtf8ContentType(""));
}

} // namespace
} // namespace bv
