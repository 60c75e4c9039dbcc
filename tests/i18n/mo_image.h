// Builds .mo file images in memory, so that tests can take real catalogs apart and craft
// broken ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace bv::test {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void PutU32(std::string& bytes, std::size_t at, uint32_t value, bool bigEndian = false) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(bigEndian ? value >> (24 - 8 * i) : value >> (8 * i));
}

// A catalog with `entries` (message id, translation) in the given order: a header of seven
// words, the table of ids, the table of translations, then the NUL-ended strings.
inline std::string MoImage(const std::vector<std::pair<std::string, std::string>>& entries,
                           bool bigEndian = false) {
    const std::size_t n = entries.size();
    const std::size_t originals = 28, translations = originals + 8 * n;
    std::string bytes(translations + 8 * n, '\0');
    auto put = [&](std::size_t at, uint32_t v) { PutU32(bytes, at, v, bigEndian); };
    put(0, 0x950412de);
    put(8, uint32_t(n));
    put(12, uint32_t(originals));
    put(16, uint32_t(translations));
    put(24, uint32_t(bytes.size())); // no hash table
    auto string = [&](std::size_t slot, const std::string& s) {
        put(slot, uint32_t(s.size()));
        put(slot + 4, uint32_t(bytes.size()));
        bytes += s;
        bytes += '\0';
    };
    for (std::size_t i = 0; i < n; ++i) {
        string(originals + 8 * i, entries[i].first);
        string(translations + 8 * i, entries[i].second);
    }
    return bytes;
}

inline const std::string kUtf8Header = "Content-Type: text/plain; charset=UTF-8\n";

} // namespace bv::test
