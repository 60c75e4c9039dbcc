// Text files as the program reads and writes them: lines ended by CR LF on writing;
// CR LF, LF or CR accepted on reading.
#pragma once

#include <string>
#include <vector>

namespace bv {

// Throws std::runtime_error naming the file when it cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);

// Creates or replaces the file; every line, the last included, ends with CR LF.
// Throws std::runtime_error naming the file when it cannot be written completely.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

} // namespace bv
