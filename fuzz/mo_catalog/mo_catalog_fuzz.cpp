// Feeds arbitrary bytes to the catalog reader as a .mo file. A catalog that is accepted is
// used as the program uses one: header charset check and translation of every entry.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "i18n/mo_catalog.h"
#include "i18n/translation_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<bv::MoCatalog> catalog;
    try {
        catalog = std::make_shared<bv::MoCatalog>(bv::MoCatalog::Parse(bytes, "fuzz.mo"));
    } catch (const bv::CatalogError&) {
        return 0;
    }
    volatile bool utf8 = bv::IsUtf8ContentType(bv::HeaderContentType(catalog->Header()));
    (void)utf8;
    bv::TranslationSetup setup;
    setup.catalog = catalog;
    std::size_t total = 0;
    for (const auto& [id, translation] : catalog->entries()) {
        total += setup.Translate(id).size();
        if (catalog->Find(id) == std::nullopt)
            __builtin_trap(); // every entry must be found again
    }
    total += setup.Translate(bytes.substr(size / 2)).size();
    volatile std::size_t sink = total;
    (void)sink;
    return 0;
}
