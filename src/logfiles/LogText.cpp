#include "logfiles/LogText.h"

#include <climits>
#include <cstdint>
#include <cstdio>

namespace varnholt {

namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

std::string HalfCharacter(std::uint32_t unit) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(unit));
  return std::string("half of a UTF-16 character alone (surrogate ") + hex +
         "), which no text can hold";
}

// Reports the unreadable lines among another reader's events, each before
// the first event at or after its line.
class WithUnreadableLines final : public ContactSink {
 public:
  WithUnreadableLines(ContactSink& sink, const std::vector<LogLineError>& lines) : sink_(sink), lines_(lines) {}
  void Station(const std::string& callSign, const std::string& prefix) override {
    sink_.Station(callSign, prefix);
  }
  void Header(std::string_view tag, std::string_view value) override { sink_.Header(tag, value); }
  void Add(const Contact& contact, int line) override {
    ReportUpTo(line);
    sink_.Add(contact, line);
  }
  void BadLine(const LogLineError& error) override {
    ReportUpTo(error.line);
    sink_.BadLine(error);
  }
  void ReportUpTo(int line) {
    while (next_ < lines_.size() && lines_[next_].line <= line) sink_.BadLine(lines_[next_++]);
  }

 private:
  ContactSink& sink_;
  const std::vector<LogLineError>& lines_;
  std::size_t next_ = 0;
};

}  // namespace

LogText::LogText(std::string_view file) : text_(file) {
  const bool little = file.substr(0, 2) == "\xFF\xFE";
  if (!little && file.substr(0, 2) != "\xFE\xFF") return;
  const auto unitAt = [&](std::size_t at) -> std::uint32_t {
    const auto first = static_cast<unsigned char>(file[at]), second = static_cast<unsigned char>(file[at + 1]);
    return little ? first | (second << 8) : (first << 8) | second;
  };
  utf8_.reserve(file.size() / 2);
  int line = 1;
  std::size_t lineStart = 0;  // in utf8_
  std::string whyNot;         // what makes the current line unreadable
  const auto endLine = [&] {
    if (whyNot.empty()) return;
    utf8_.resize(lineStart);
    unreadable_.push_back({line, std::move(whyNot)});
    whyNot.clear();
  };
  std::size_t at = 2;
  for (; at + 1 < file.size(); at += 2) {
    std::uint32_t c = unitAt(at);
    if (IsHighSurrogate(c) && at + 3 < file.size() && IsLowSurrogate(unitAt(at + 2))) {
      at += 2;
      c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(at) - 0xDC00);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      if (whyNot.empty()) whyNot = HalfCharacter(c);
      continue;
    }
    if (c == '\n') {
      endLine();
      utf8_ += '\n';
      ++line;
      lineStart = utf8_.size();
      continue;
    }
    AppendUtf8(utf8_, c);
  }
  if (at < file.size() && whyNot.empty())
    whyNot = "the file ends in half a UTF-16 character, which no text can hold";
  endLine();
  text_ = utf8_;
}

void ReadLogText(const LogText& log, ContactSink& sink,
                 const std::function<void(std::string_view, ContactSink&)>& read) {
  if (log.Unreadable().empty()) return read(log.Text(), sink);
  WithUnreadableLines merged(sink, log.Unreadable());
  read(log.Text(), merged);
  merged.ReportUpTo(INT_MAX);
}

}  // namespace varnholt
