// Log files as the readers read them. Some Windows tools save text as
// UTF-16, little- or big-endian, behind a byte order mark: such a log is read
// as its characters, in the UTF-8 that a log of the same text holds, so that
// the readers, the format detection and the host's texts see exactly what
// they see of that log (whose UTF-8 byte order mark they skip in turn).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "logfiles/Contact.h"

namespace varnholt {

class LogText {
 public:
  // `file` must outlive the LogText, which views it unless it is UTF-16.
  explicit LogText(std::string_view file);
  LogText(const LogText&) = delete;
  LogText& operator=(const LogText&) = delete;

  // The log's text: the file itself, or the UTF-8 of its UTF-16.
  std::string_view Text() const { return text_; }
  // The lines of a UTF-16 file that hold what no text can hold (half of a
  // surrogate pair alone, a last byte without its partner), in line order,
  // one report a line. Each such line is left empty in Text(): nothing of it
  // is read by guesswork, and no character is turned into another.
  const std::vector<LogLineError>& Unreadable() const { return unreadable_; }

 private:
  std::string utf8_;
  std::string_view text_;
  std::vector<LogLineError> unreadable_;
};

// Runs `read`, a reader over a log's text, on the text of `log`; the lines
// of LogText::Unreadable reach `sink` among the reader's own events, in line
// order.
void ReadLogText(const LogText& log, ContactSink& sink,
                 const std::function<void(std::string_view, ContactSink&)>& read);

}  // namespace varnholt
