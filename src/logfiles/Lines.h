// Walks a log's text line by line, as the line-based readers do.
#pragma once

#include <string_view>

namespace varnholt {

class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

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
