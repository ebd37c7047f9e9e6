// The toolkit's default error report, the parts that are plain text: the box
// shows a failure's message with "." appended when its last character sorts
// after ".", under a caption made from the host executable's file name.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace varnholt {

// A failure raised inside a window event (the re-scan, the placement store),
// carrying the text the error box shows.
class PluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message with "." appended when its last byte orders after "." (byte
// order); an empty message stays empty.
std::string ErrorBoxText(std::string_view message);

// The executable's file name (without its directory) up to its first ".",
// every letter after the first in lower case: C:\Log\LOGGER.EXE gives "Logger".
std::string ErrorBoxCaption(std::string_view executablePath);

}  // namespace varnholt
