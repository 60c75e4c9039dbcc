#pragma once

#include <string>

namespace bv {

// `brevanta-cli frames SOURCE FIRST LAST OUT [--template FILE]`: frames FIRST..LAST as raw
// bytes, each row's row-size bytes without pitch padding. OUT "-" is standard output.
int RunFramesCommand(const std::string& source, int first, int last, const std::string& out,
                     const std::string& templateFile);

} // namespace bv
