// The toolkit's default error report, the parts that are plain text: the box
// shows a failure's message with "." appended when its last character sorts
// after ".", under a caption made from the host executable's file name.
#pragma once

#include <string>
#include <string_view>

#include "common/CodePage.h"

namespace varnholt {

// The message with "." appended when its last byte orders after "." (byte
// order); an empty message stays empty.
std::string ErrorBoxText(std::string_view message);

// The executable's file name (without its directory) up to its first ".",
// every letter after the first in lower case: C:\Log\LOGGER.EXE gives
// "Logger". The path is in the host's ANSI code page and read by its rules.
std::string ErrorBoxCaption(std::string_view executablePath, const CodePage& codePage);

}  // namespace varnholt
