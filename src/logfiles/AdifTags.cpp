#include "logfiles/AdifTags.h"

#include <algorithm>
#include <cstdint>

#include "common/TextRules.h"

namespace varnholt {

namespace {

// How far into a file StartsLikeAdif looks for the end of a free-text header.
constexpr std::size_t kSniffBytes = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kEndOfHeaderTag = "<EOH>";
// How much of a value a message about it shows.
constexpr std::size_t kShownValueBytes = 40;

// Field names run up to the ':' before the length or the '>' of a bare tag.
// They hold any characters but blanks, ',', ':', '<', '>', '{' and '}', and
// spaces inside them: exporters name their user and application fields so
// ("Seq (S)", "APP_MYLOG_Op Name"). A blank at either end of a name, another
// blank or another '<' first means the '<' began no tag at all.
bool IsNameChar(char c) {
  return !IsTrimmed(c) && c != ',' && c != ':' && c != '<' && c != '>' && c != '{' && c != '}';
}
// A tag whose name holds ',', '{' or '}' is still read as a field, by its
// length, as it always was: its data must not be taken for tags.
bool IsTagNameChar(char c) { return IsNameChar(c) || c == ',' || c == '{' || c == '}'; }

// Where a value may end: at a blank, at a tag or at the end of the file.
bool EndsValue(std::string_view text, std::size_t at) {
  return at == text.size() || IsTrimmed(text[at]) || text[at] == '<';
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The bytes of the UTF-8 character that `lead` starts; 0 when it starts none.
std::size_t Utf8Size(char lead) {
  const unsigned char c = static_cast<unsigned char>(lead);
  if (c < 0x80) return 1;
  if (c < 0xC2) return 0;
  return c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
}

// How an exporter may have counted a value's length other than in bytes:
// its UTF-8 characters, and its line breaks as CR LF where the file now holds
// LF alone (a file moved between systems in text mode).
enum Counting : unsigned { kCharacters = 1, kLineFeedsAsTwo = 2 };

// Where a value of `length` from `at`, counted so, ends; npos when the text
// there does not fit that count (no UTF-8, or a lone LF counted as two cut in
// half) or when it would end past `limit`.
std::size_t EndOfCount(std::string_view text, std::size_t at, std::size_t length, unsigned counting,
                       std::size_t limit) {
  limit = std::min(limit, text.size());
  for (std::size_t counted = 0; counted < length;) {
    if (at >= limit) return std::string_view::npos;
    std::size_t size = 1, weight = 1;
    if (counting & kCharacters) {
      size = Utf8Size(text[at]);
      if (size == 0 || size > text.size() - at) return std::string_view::npos;
      for (std::size_t i = 1; i < size; ++i) {
        if (!IsContinuationByte(text[at + i])) return std::string_view::npos;
      }
    }
    if ((counting & kLineFeedsAsTwo) && text[at] == '\n' && (at == 0 || text[at - 1] != '\r')) weight = 2;
    if (weight > length - counted) return std::string_view::npos;
    counted += weight;
    at += size;
  }
  return at <= limit ? at : std::string_view::npos;
}

// Where `count` UTF-8 characters from `at` end; npos when the text there is
// no UTF-8 or ends first.
std::size_t EndOfCharacters(std::string_view text, std::size_t at, std::size_t count) {
  return EndOfCount(text, at, count, kCharacters, text.size());
}

// Where "<EOH>" (given as `tag`, in upper case) first occurs in any letter case.
std::size_t FindTag(std::string_view text, std::size_t from, std::string_view tag) {
  for (std::size_t at = text.find('<', from); at != std::string_view::npos; at = text.find('<', at + 1)) {
    if (EqualsIgnoringCase(text.substr(at, tag.size()), tag)) return at;
  }
  return std::string_view::npos;
}

// Where the file's own text begins: past a UTF-8 byte order mark and blanks.
std::size_t FirstNonBlank(std::string_view text) {
  std::size_t at = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  while (at < text.size() && IsTrimmed(text[at])) ++at;
  return at;
}

std::string OnOneLine(std::string_view text) {
  std::string out;
  for (const char c : text) out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
  return out;
}

}  // namespace

// The length of a field, in bytes as the format counts it or as some
// exporters count it, and where it leaves the value.
struct AdifLexer::FieldValue {
  std::size_t end = 0;    // just past the value
  bool cut = false;       // no count ends the value: where it ends is unknown
  std::size_t reach = 0;  // when cut: as far as any count reaches
};

std::size_t AdifLexer::StartOfRecords(bool& headerOfFields) const {
  const std::size_t begin = FirstNonBlank(text_);
  headerOfFields = begin < text_.size() && text_[begin] == '<';
  if (headerOfFields) return begin;
  const std::size_t endOfHeader = FindTag(text_, begin, kEndOfHeaderTag);
  return endOfHeader == std::string_view::npos ? begin : endOfHeader + kEndOfHeaderTag.size();
}

AdifTag AdifLexer::TagAt(std::size_t at, bool inDoubt) const {
  const std::size_t size = text_.size();
  AdifTag tag;
  std::size_t i = at + 1;
  if (i == size || !IsTagNameChar(text_[i])) return tag;
  while (i < size && (IsTagNameChar(text_[i]) || text_[i] == ' ')) ++i;
  if (i == size || (text_[i] != ':' && text_[i] != '>') || text_[i - 1] == ' ') return tag;
  tag.name = text_.substr(at + 1, i - at - 1);
  const bool bare = text_[i] == '>';
  if (bare) {
    tag.end = i + 1;
  } else {
    // Accumulated in 64 bits and capped, so no length overflows, even on
    // 32-bit builds.
    std::uint64_t length = 0;
    const std::size_t digitsBegin = ++i;
    for (; i < size && IsDigit(text_[i]); ++i) {
      if (length <= size) length = length * 10 + static_cast<std::uint64_t>(text_[i] - '0');
    }
    const bool hasLength = i > digitsBegin;
    if (hasLength && i < size && text_[i] == ':') {  // a data type: none of ours needs it
      for (++i; i < size && IsNameChar(text_[i]); ++i) {
      }
    }
    if (i == size) {
      tag.kind = AdifTag::kPastEnd;
      return tag;
    }
    if (!hasLength || text_[i] != '>') {
      tag.kind = AdifTag::kBadLength;
      tag.reach = at + 1;
      if (hasLength) {
        tag.data = text_.substr(digitsBegin, i - digitsBegin);  // the length, not followed by '>'
        // Its data would start where the '>' is missing.
        tag.reach = static_cast<std::size_t>(std::min<std::uint64_t>(i + length, size));
      }
      return tag;
    }
    const std::size_t dataBegin = i + 1;
    FieldValue value;
    if (length > size - dataBegin) {
      // Counted with its line feeds as two, a value is at most twice as
      // long as its text: a longer length runs past the end either way.
      const bool withinTwice = length / 2 <= size - dataBegin;
      value.end = inDoubt || !withinTwice ? std::string_view::npos
                                          : EndOfLineFeedsAsTwo(dataBegin, static_cast<std::size_t>(length));
      if (value.end == std::string_view::npos) {
        tag.kind = AdifTag::kPastEnd;
        return tag;
      }
    } else if (inDoubt) {
      value.end = dataBegin + static_cast<std::size_t>(length);
      value.cut = !EndsValue(text_, value.end);
      value.reach = value.end;
    } else {
      value = ValueOf(dataBegin, static_cast<std::size_t>(length));
    }
    tag.data = text_.substr(dataBegin, value.end - dataBegin);
    tag.end = value.end;
    if (value.cut) {
      tag.kind = AdifTag::kValueCut;
      tag.reach = value.reach;
      return tag;
    }
  }
  if (EqualsIgnoringCase(tag.name, "EOR")) {
    tag.kind = AdifTag::kEndOfRecord;
  } else if (EqualsIgnoringCase(tag.name, "EOH")) {
    tag.kind = AdifTag::kEndOfHeader;
  } else {
    tag.kind = bare ? AdifTag::kOtherTag : AdifTag::kField;
  }
  return tag;
}

// The value of `length` bytes at `begin`. Some exporters count the
// characters of a UTF-8 value instead: then the bytes end inside a
// character or before the rest of the value, and the value is read by its
// characters where they end it exactly (at a blank, a tag or the end).
// A multi-line value may have its line breaks counted as CR LF where the
// file holds LF alone (EndOfLineFeedsAsTwo).
// A value no count ends is cut: it is never read short.
AdifLexer::FieldValue AdifLexer::ValueOf(std::size_t begin, std::size_t length) const {
  const std::size_t bytesEnd = begin + length;
  if (EndsValue(text_, bytesEnd)) {
    // A count of characters may still end at a blank inside the value (a
    // name in Cyrillic, two bytes a letter, cut after its first word): so
    // when text other than blanks follows before the next tag, that may be
    // the rest of it.
    const std::size_t nextTag = std::min(text_.find('<', bytesEnd), text_.size());
    if (!HoldsNonBlank(bytesEnd, nextTag)) return {bytesEnd, false};
    const std::size_t charsEnd = EndOfCharacters(text_, begin, length);
    if (charsEnd != std::string_view::npos && charsEnd <= nextTag && EndsValue(text_, charsEnd) &&
        HoldsNonBlank(bytesEnd, charsEnd))
      return {charsEnd, false};
    return {bytesEnd, false};  // text between fields, as the format allows
  }
  const std::size_t charsEnd = EndOfCharacters(text_, begin, length);
  if (charsEnd != std::string_view::npos && EndsValue(text_, charsEnd)) return {charsEnd, false};
  const std::size_t crLfEnd = EndOfLineFeedsAsTwo(begin, length);
  if (crLfEnd != std::string_view::npos) return {crLfEnd, false};
  return {bytesEnd, true, charsEnd == std::string_view::npos ? bytesEnd : std::max(bytesEnd, charsEnd)};
}

// A value whose line breaks were counted as CR LF and are stored as LF
// alone runs past its text by a character a line break, into the next tag.
// Where the length reaches past the next tag and the value's text up to it
// holds line feeds, the value is read with each lone LF counted as two
// (in bytes, else in characters) when that ends it exactly at a blank, that
// tag or the end; npos otherwise.
std::size_t AdifLexer::EndOfLineFeedsAsTwo(std::size_t begin, std::size_t length) const {
  const std::size_t nextTag = std::min(text_.find('<', begin), text_.size());
  const std::string_view upToTag = text_.substr(begin, nextTag - begin);
  if (length <= upToTag.size() || upToTag.find('\n') == std::string_view::npos) return std::string_view::npos;
  for (const unsigned counting : {unsigned{kLineFeedsAsTwo}, kLineFeedsAsTwo | kCharacters}) {
    const std::size_t end = EndOfCount(text_, begin, length, counting, nextTag);
    if (end != std::string_view::npos && EndsValue(text_, end)) return end;
  }
  return std::string_view::npos;
}

bool AdifLexer::HoldsNonBlank(std::size_t from, std::size_t to) const {
  for (std::size_t i = from; i < to; ++i) {
    if (!IsTrimmed(text_[i])) return true;
  }
  return false;
}

// Line breaks are shown as "\n" and "\r", so that the report stays on one
// line.
std::string AdifLexer::CutValueMessage(const AdifTag& tag) const {
  const std::size_t begin = static_cast<std::size_t>(tag.data.data() - text_.data());
  std::size_t to = tag.end;
  while (!EndsValue(text_, to) && to - tag.end < kShownValueBytes / 2) ++to;
  while (to < text_.size() && IsContinuationByte(text_[to])) ++to;
  std::size_t from = to - begin > kShownValueBytes ? to - kShownValueBytes : begin;
  while (from < tag.end && IsContinuationByte(text_[from])) ++from;
  const std::string length = std::to_string(tag.data.size());
  return "field " + std::string(tag.name) + ": " +
         (IsContinuationByte(text_[tag.end]) ? "its length " + length + " cuts a character in two"
                                             : "its value runs on past its length " + length) +
         " (" + (from > begin ? "..." : "") + OnOneLine(text_.substr(from, to - from)) +
         (EndsValue(text_, to) ? ")" : "...)");
}

std::optional<AdifLostOpening> AdifLexer::NextLostOpening(std::size_t& from, std::size_t to) const {
  for (std::size_t gt = text_.find('>', from); gt < to; gt = text_.find('>', gt + 1)) {
    std::size_t i = gt;
    if (i >= from + 2 && text_[i - 2] == ':' && IsNameChar(text_[i - 1]) && !IsDigit(text_[i - 1])) i -= 2;
    const std::size_t digitsEnd = i;
    while (i > from && IsDigit(text_[i - 1])) --i;
    if (i == digitsEnd || i == from || text_[i - 1] != ':') continue;
    const std::size_t digitsBegin = i;
    const std::size_t nameEnd = --i;
    while (i > from && IsNameChar(text_[i - 1])) --i;
    if (i == nameEnd) continue;
    // A name holds single spaces inside it ("Seq (S)"), never at its start.
    while (i >= from + 2 && text_[i - 1] == ' ' && IsNameChar(text_[i - 2])) {
      for (--i; i > from && IsNameChar(text_[i - 1]);) --i;
    }
    std::uint64_t length = 0;
    for (std::size_t d = digitsBegin; d < digitsEnd && length <= text_.size(); ++d)
      length = length * 10 + static_cast<std::uint64_t>(text_[d] - '0');
    AdifLostOpening lost;
    lost.name = text_.substr(i, nameEnd - i);
    lost.tag = text_.substr(i, gt + 1 - i);
    lost.end = gt + 1;
    lost.reach = static_cast<std::size_t>(std::min<std::uint64_t>(gt + 1 + length, text_.size()));
    from = gt + 1;
    return lost;
  }
  from = to;
  return std::nullopt;
}

int AdifLexer::LineAt(std::size_t at) {
  line_ += static_cast<int>(std::count(text_.begin() + countedTo_, text_.begin() + at, '\n'));
  countedTo_ = at;
  return line_;
}

bool StartsLikeAdif(std::string_view text) {
  const std::size_t begin = FirstNonBlank(text);
  if (begin < text.size() && text[begin] == '<') return true;
  return FindTag(text.substr(0, kSniffBytes), 0, kEndOfHeaderTag) != std::string_view::npos;
}

bool HoldsField(std::string_view text, std::string_view name) {
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    if (EqualsIgnoringCase(text.substr(at + 1, name.size()), name) && text.substr(at + 1 + name.size(), 1) == ":")
      return true;
  }
  return false;
}

}  // namespace varnholt
