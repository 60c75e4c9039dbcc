// Every message id in the sources has a German translation in the catalog the build ships, so
// that a text added to the program without one fails here rather than showing up in English.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "i18n/mo_catalog.h"
#include "platform/program_folder.h"

namespace bv {
namespace {

std::string Unquote(const std::string& line) {
    std::string out;
    const std::size_t first = line.find('"'), last = line.rfind('"');
    for (std::size_t i = first + 1; i < last; ++i) {
        if (line[i] == '\\' && i + 1 < last) {
            const char c = line[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += line[i];
        }
    }
    return out;
}

// The message ids of a .pot file, with their context joined on as the catalog stores them.
std::vector<std::string> MessageIds(const std::string& potPath) {
    std::ifstream in(potPath);
    std::vector<std::string> ids;
    std::string line, context, *open = nullptr, id;
    bool hasContext = false;
    auto finish = [&] {
        if (!id.empty())
            ids.push_back(hasContext ? context + '\x04' + id : id);
        id.clear();
        context.clear();
        hasContext = false;
    };
    while (std::getline(in, line)) {
        if (line.rfind("msgctxt ", 0) == 0) {
            finish();
            hasContext = true;
            context = Unquote(line);
            open = &context;
        } else if (line.rfind("msgid ", 0) == 0) {
            if (!hasContext)
                finish();
            id = Unquote(line);
            open = &id;
        } else if (line.rfind("msgstr", 0) == 0 || line.rfind("msgid_plural", 0) == 0) {
            open = nullptr;
        } else if (line.rfind('"', 0) == 0 && open != nullptr) {
            *open += Unquote(line);
        }
    }
    finish();
    return ids;
}

TEST(GermanCatalog, TranslatesEveryMessageIdOfTheSources) {
    const std::vector<std::string> ids = MessageIds(BV_SOURCES_POT);
    ASSERT_FALSE(ids.empty()) << "no message ids collected into " << BV_SOURCES_POT;
    const MoCatalog catalog = MoCatalog::Load(ProgramFolder() + "locale/de/LC_MESSAGES/default.mo");
    EXPECT_TRUE(IsUtf8ContentType(HeaderContentType(catalog.Header())));
    for (const std::string& id : ids) {
        // Texts without a letter ("0", "-1") read the same in every language.
        if (std::none_of(id.begin(), id.end(),
                         [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            continue;
        const auto german = catalog.Find(id);
        EXPECT_TRUE(german && !german->empty()) << "po/de.po has no translation of \"" << id << "\"";
    }
}

} // namespace
} // namespace bv
