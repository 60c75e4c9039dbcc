#include "i18n/mo_catalog.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace bv {

namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderSize = 28; // magic, revision, count, two table offsets, hash size and offset
// Real catalogs are far below this; the cap keeps a hostile file from costing much memory.
constexpr std::uintmax_t kMaxFileSize = 16u << 20;

[[noreturn]] void ThrowInvalid(const std::string& fileName) {
    throw CatalogError("This file is not a valid GNU gettext mo file: " + fileName);
}

class Reader {
public:
    Reader(std::string_view bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    // Offsets are 64-bit here so that offset + length can never wrap.
    uint32_t U32(uint64_t offset) const {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset);
        if (bigEndian_)
            return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    bool Holds(uint64_t offset, uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

private:
    std::string_view bytes_;
    bool bigEndian_;
};

// A string of the catalog up to its first NUL: gettext looks texts up as C strings, so the
// singular of a plural entry matches and only the first plural form is its translation.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

} // namespace

MoCatalog MoCatalog::Parse(std::string_view bytes, const std::string& fileName) {
    if (bytes.size() < kHeaderSize)
        ThrowInvalid(fileName);
    bool bigEndian;
    if (Reader(bytes, false).U32(0) == kMagic)
        bigEndian = false;
    else if (Reader(bytes, true).U32(0) == kMagic)
        bigEndian = true;
    else
        ThrowInvalid(fileName);
    const Reader in(bytes, bigEndian);

    // Major revision 1 only adds system-dependent strings after the plain tables, which
    // we do not use; a later major revision may change the layout.
    const uint32_t revision = in.U32(4);
    if (revision >> 16 > 1)
        ThrowInvalid(fileName);
    const uint64_t count = in.U32(8);
    const uint64_t originals = in.U32(12);
    const uint64_t translations = in.U32(16);
    if (!in.Holds(originals, count * 8) || !in.Holds(translations, count * 8))
        ThrowInvalid(fileName);

    MoCatalog catalog;
    catalog.bytes_.assign(bytes.begin(), bytes.end());
    const std::string_view own(catalog.bytes_.data(), catalog.bytes_.size());
    // Every string ends with a NUL inside the file, as msgfmt writes it; a file cut short
    // anywhere thus fails here or at the tables.
    auto text = [&](uint64_t table, uint64_t index) {
        const uint64_t length = in.U32(table + index * 8);
        const uint64_t offset = in.U32(table + index * 8 + 4);
        if (!in.Holds(offset, length + 1) || own[offset + length] != '\0')
            ThrowInvalid(fileName);
        return UpToNul(own.substr(offset, length));
    };
    catalog.entries_.reserve(count);
    for (uint64_t i = 0; i < count; ++i)
        catalog.entries_.emplace_back(text(originals, i), text(translations, i));
    std::stable_sort(catalog.entries_.begin(), catalog.entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
    return catalog;
}

MoCatalog MoCatalog::Load(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Only regular files: a device or a pipe in the catalog's place could be read forever.
    if (!fs::is_regular_file(path, ec))
        throw CatalogError("Cannot read the catalog file " + path + ": not a regular file");
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        throw CatalogError("Cannot read the catalog file " + path + ": " + ec.message());
    if (size > kMaxFileSize)
        ThrowInvalid(path);
    std::ifstream file(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw CatalogError("Cannot read the catalog file " + path + ": " + std::strerror(errno));
    return Parse(bytes, path);
}

std::optional<std::string_view> MoCatalog::Find(std::string_view msgid) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), msgid,
                               [](const Entry& e, std::string_view id) { return e.first < id; });
    if (it == entries_.end() || it->first != msgid)
        return std::nullopt;
    return it->second;
}

std::string_view MoCatalog::Header() const {
    return Find("").value_or(std::string_view());
}

std::string HeaderContentType(std::string_view header) {
    constexpr std::string_view name = "content-type";
    while (!header.empty()) {
        const std::size_t end = header.find('\n');
        std::string_view line = header.substr(0, end);
        header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
        if (line.size() < name.size() + 2 || line.substr(name.size(), 2) != ": ")
            continue;
        const bool match = std::equal(name.begin(), name.end(), line.begin(), [](char n, char c) {
            return n == (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
        });
        if (match)
            return std::string(line.substr(name.size() + 2));
    }
    return {};
}

bool IsUtf8ContentType(std::string_view contentType) {
    std::string upper(contentType);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return upper.find("CHARSET=UTF-8") != std::string::npos;
}

} // namespace bv
