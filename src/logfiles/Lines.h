// Walks a log's text line by line, as the line-based readers do. A UTF-8
// byte order mark before the first line is not part of it.
#pragma once

#include <string_view>

namespace varnholt {

class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
  }

  // The next line without its "\n" (a "\r" before it stays); false at the end.
  bool Next(std::string_view& line) {
    if (at_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', at_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(at_, end - at_);
    at_ = end + 1;
    ++number_;
    return true;
  }
  // The 1-based number of the line Next() gave last.
  int Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int number_ = 0;
};

}  // namespace varnholt
