// A command-line argument as UTF-8 text, for output that must be UTF-8 (the
// JSON). Windows hands a program its arguments in the ANSI code page;
// elsewhere they are the bytes as given. The build picks the implementation:
// ArgumentText_win.cpp or ArgumentText.cpp.
#pragma once

#include <string>

namespace varnholt {

// `argument` as UTF-8; as it is where it cannot be converted.
std::string ArgumentInUtf8(const std::string& argument);

}  // namespace varnholt
