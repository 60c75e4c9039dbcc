// Every message id in the sources has a German translation in the catalog the build ships, so
// that a text added to the program without one fails here rather than showing up in English.
#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>

#include "i18n/mo_catalog.h"
#include "platform/program_folder.h"

namespace bv {
namespace {

TEST(GermanCatalog, TranslatesEveryMessageIdOfTheSources) {
    const MoCatalog ids = MoCatalog::Load(BV_SOURCE_IDS);
    ASSERT_GT(ids.entries().size(), 1u) << "no message ids collected from the sources";
    const MoCatalog german = MoCatalog::Load(ProgramFolder() + "locale/de/LC_MESSAGES/default.mo");
    EXPECT_TRUE(IsUtf8ContentType(HeaderContentType(german.Header())));
    for (const auto& [id, same] : ids.entries()) {
        // Texts without a letter ("0", "-1") read the same in every language.
        if (std::none_of(id.begin(), id.end(),
                         [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            continue;
        const auto translation = german.Find(id);
        EXPECT_TRUE(translation && !translation->empty())
            << "po/de.po has no translation of \"" << id << "\"";
    }
}

} // namespace
} // namespace bv
