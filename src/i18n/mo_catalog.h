// A GNU message catalog (.mo file) read into memory. Catalogs come from disk and are untrusted:
// every offset and length is checked, and a file that does not hold up is rejected as a whole.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bv {

// A catalog that cannot be read or is not a valid .mo file. The message names the file.
class CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Move-only: the entries point into the catalog's own copy of the file.
class MoCatalog {
public:
    MoCatalog(MoCatalog&&) noexcept = default;
    MoCatalog& operator=(MoCatalog&&) noexcept = default;
    MoCatalog(const MoCatalog&) = delete;
    MoCatalog& operator=(const MoCatalog&) = delete;

    // Reads and checks the file at `path`. Throws CatalogError.
    static MoCatalog Load(const std::string& path);

    // Checks `bytes` as the contents of the file `fileName` (used in error texts only).
    // Both byte orders are accepted. Throws CatalogError.
    static MoCatalog Parse(std::string_view bytes, const std::string& fileName);

    // The translation of `msgid`, or nothing when the catalog has none. For a plural entry
    // the singular matches and its first form is returned, as gettext does.
    std::optional<std::string_view> Find(std::string_view msgid) const;

    // The header entry (the translation of the empty message id); empty when there is none.
    std::string_view Header() const;

    using Entry = std::pair<std::string_view, std::string_view>; // message id, translation

    // Every entry, sorted by message id.
    const std::vector<Entry>& entries() const { return entries_; }

private:
    MoCatalog() = default;

    std::vector<char> bytes_;
    std::vector<Entry> entries_; // sorted by message id; the first of equal ids wins
};

// The value of the header's "Content-Type" line (name compared without regard to case and
// followed by ": "), or an empty text when the header has no such line.
std::string HeaderContentType(std::string_view header);

// Whether a Content-Type value names UTF-8 ("CHARSET=UTF-8" in any letter case).
bool IsUtf8ContentType(std::string_view contentType);

} // namespace bv
