#include "logfiles/Adif.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/HomeRegion.h"
#include "common/TextRules.h"
#include "logfiles/Bands.h"
#include "logfiles/LogText.h"
#include "logfiles/PrefixTable.h"

namespace varnholt {

namespace {

// How far into a file LooksLikeAdif looks for the end of a free-text header.
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

std::optional<int> EntityCode(std::string_view field) {
  if (field.empty() || field.size() > 9) return std::nullopt;
  int code = 0;
  for (char c : field) {
    if (!IsDigit(c)) return std::nullopt;
    code = code * 10 + (c - '0');
  }
  return code;
}

// "14.025" (MHz) as 14025 kHz. Digits with at most one '.', nothing else.
std::optional<double> KhzFromMhz(std::string_view mhz) {
  constexpr std::uint64_t kMaxDigits = 100000000000000000ULL;  // 1e17: room for one more digit
  std::uint64_t digits = 0;
  int fractionDigits = 0;
  bool seenPoint = false, seenDigit = false;
  for (char c : mhz) {
    if (c == '.' && !seenPoint) {
      seenPoint = true;
      continue;
    }
    if (!IsDigit(c)) return std::nullopt;
    seenDigit = true;
    if (digits < kMaxDigits) {
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (seenPoint) ++fractionDigits;
    } else if (!seenPoint) {
      return std::nullopt;  // far beyond any radio frequency
    }
  }
  if (!seenDigit) return std::nullopt;
  // One multiplication or division by an exact power of ten keeps "14.025"
  // exactly 14025.
  double scale = 1.0;
  for (int i = std::min(fractionDigits, 3); i < std::max(fractionDigits, 3); ++i) scale *= 10.0;
  const double value = static_cast<double>(digits);
  return fractionDigits <= 3 ? value * scale : value / scale;
}

// The fields of one record that make a contact, as views into the file.
struct Record {
  int line = 0;  // where its first field starts; 0 while it has none
  std::string_view call, band, freq, mode, rstRcvd, srxString, srx, dxcc, stationCallsign, op;
  std::uint32_t seen = 0;    // the known fields it holds, a bit each
  bool runTogether = false;  // it holds a known field twice
  int damageLine = 0;        // where it was first found damaged; 0 while it is not
  std::string damage;
  // A field the contact is made of was damaged, or lies where damage could
  // have moved it: the contact cannot be read whole.
  bool contactInDoubt = false;
};

struct KnownField {
  std::string_view name;
  std::string_view Record::*slot;
};

constexpr KnownField kKnownFields[] = {
    {"CALL", &Record::call},
    {"BAND", &Record::band},
    {"MODE", &Record::mode},
    {"FREQ", &Record::freq},
    {"RST_RCVD", &Record::rstRcvd},
    {"SRX_STRING", &Record::srxString},
    {"SRX", &Record::srx},
    {"DXCC", &Record::dxcc},
    {"STATION_CALLSIGN", &Record::stationCallsign},
    {"OPERATOR", &Record::op},
};

bool IsKnownField(std::string_view name) {
  for (const KnownField& field : kKnownFields) {
    if (EqualsIgnoringCase(name, field.name)) return true;
  }
  return false;
}

// What one '<' in the file turns out to be.
struct Tag {
  enum Kind { kNotATag, kField, kEndOfRecord, kEndOfHeader, kOtherTag, kBadLength, kPastEnd, kValueCut };
  Kind kind = kNotATag;
  std::string_view name;
  std::string_view data;
  std::size_t end = 0;    // just past the tag and its data
  std::size_t reach = 0;  // kValueCut, kBadLength: as far as its length could reach
};

// The length of a field, in bytes as the format counts it or as some
// exporters count it, and where it leaves the value.
struct FieldValue {
  std::size_t end = 0;    // just past the value
  bool cut = false;       // no count ends the value: where it ends is unknown
  std::size_t reach = 0;  // when cut: as far as any count reaches
};

class AdifReader {
 public:
  AdifReader(std::string_view text, ContactSink& sink, const CountryData& countries)
      : text_(text), sink_(sink), countries_(countries) {}

  void Read() {
    std::size_t at = StartOfRecords();
    for (;;) {
      const std::size_t next = text_.find('<', at);
      CheckBetweenFields(at, next == std::string_view::npos ? text_.size() : next);
      if (next == std::string_view::npos) break;
      at = next;
      // A tag that a damaged field's length reaches over may be part of its
      // value: it is read, by its bytes alone, but what it holds is in doubt.
      const bool inDoubt = at < doubtUntil_;
      const Tag tag = ParseTag(at, inDoubt);
      switch (tag.kind) {
        case Tag::kNotATag:
          ++at;
          continue;
        case Tag::kField:
          if (inDoubt) {
            Doubt(tag.name, LineAt(at));
          } else {
            Store(tag, LineAt(at));
          }
          break;
        case Tag::kEndOfRecord:
          headerOpen_ = false;
          if (inDoubt) record_.contactInDoubt = true;  // where the record ends is in doubt
          FinishRecord();
          break;
        case Tag::kEndOfHeader:
          // Fields before it described the file, not a contact.
          if (headerOpen_) StartRecord();
          headerOpen_ = false;
          break;
        case Tag::kOtherTag:  // a bare tag other programs may use; nothing for a contact
          break;
        case Tag::kBadLength:
          // Where this field's data ends is unknown: reading takes up again
          // at the next tag.
          Damage(LineAt(at),
                 "field " + std::string(tag.name) +
                     (tag.data.empty() ? ": its length is not a number" : ": no '>' after its length"));
          Doubt(tag.name, LineAt(at));
          doubtUntil_ = std::max(doubtUntil_, tag.reach);
          ++at;
          continue;
        case Tag::kValueCut:
          // Where the value ends is unknown: reading takes up again at the
          // next tag after its start, and the tags its length reaches over
          // are in doubt.
          Damage(LineAt(at), CutValueMessage(tag));
          Doubt(tag.name, LineAt(at));
          doubtUntil_ = std::max(doubtUntil_, tag.reach);
          at = static_cast<std::size_t>(tag.data.data() - text_.data());
          continue;
        case Tag::kPastEnd:
          // The file ends inside the record: what it lost is unknown.
          Damage(LineAt(at), "field " + std::string(tag.name) + " runs past the end of the file");
          record_.contactInDoubt = true;
          FinishRecord();
          return;
      }
      at = tag.end;
    }
    // The last record may lack its "<eor>".
    FinishRecord();
  }

 private:
  // A file that starts with a field has either no header or one made of
  // fields; otherwise everything up to "<eoh>" is free text, '<' included.
  std::size_t StartOfRecords() {
    const std::size_t begin = FirstNonBlank(text_);
    if (begin < text_.size() && text_[begin] == '<') {
      headerOpen_ = true;
      return begin;
    }
    const std::size_t endOfHeader = FindTag(text_, begin, kEndOfHeaderTag);
    return endOfHeader == std::string_view::npos ? begin : endOfHeader + kEndOfHeaderTag.size();
  }

  // A tag in doubt is read by its length in bytes alone: whatever it holds
  // is not taken, so no other count is tried for it.
  Tag ParseTag(std::size_t at, bool inDoubt) const {
    const std::size_t size = text_.size();
    Tag tag;
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
        tag.kind = Tag::kPastEnd;
        return tag;
      }
      if (!hasLength || text_[i] != '>') {
        tag.kind = Tag::kBadLength;
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
          tag.kind = Tag::kPastEnd;
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
        tag.kind = Tag::kValueCut;
        tag.reach = value.reach;
        return tag;
      }
    }
    if (EqualsIgnoringCase(tag.name, "EOR")) {
      tag.kind = Tag::kEndOfRecord;
    } else if (EqualsIgnoringCase(tag.name, "EOH")) {
      tag.kind = Tag::kEndOfHeader;
    } else {
      tag.kind = bare ? Tag::kOtherTag : Tag::kField;
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
  FieldValue ValueOf(std::size_t begin, std::size_t length) const {
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
  std::size_t EndOfLineFeedsAsTwo(std::size_t begin, std::size_t length) const {
    const std::size_t nextTag = std::min(text_.find('<', begin), text_.size());
    const std::string_view upToTag = text_.substr(begin, nextTag - begin);
    if (length <= upToTag.size() || upToTag.find('\n') == std::string_view::npos) return std::string_view::npos;
    for (const unsigned counting : {unsigned{kLineFeedsAsTwo}, kLineFeedsAsTwo | kCharacters}) {
      const std::size_t end = EndOfCount(text_, begin, length, counting, nextTag);
      if (end != std::string_view::npos && EndsValue(text_, end)) return end;
    }
    return std::string_view::npos;
  }

  bool HoldsNonBlank(std::size_t from, std::size_t to) const {
    for (std::size_t i = from; i < to; ++i) {
      if (!IsTrimmed(text_[i])) return true;
    }
    return false;
  }

  // "field NAME: its length 2 cuts a character in two (J\xC3\xBCrgen)", for a
  // value no count ends: the value where the count ends it, up to where it
  // seems to end, in whole characters, its line breaks shown as "\n" and "\r"
  // so that the report stays on one line.
  std::string CutValueMessage(const Tag& tag) const {
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

  static std::string OnOneLine(std::string_view text) {
    std::string out;
    for (const char c : text) out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    return out;
  }

  void Store(const Tag& tag, int line) {
    if (record_.line == 0) record_.line = line;
    lastLine_ = line;
    for (std::size_t i = 0; i < std::size(kKnownFields); ++i) {
      const KnownField& field = kKnownFields[i];
      if (EqualsIgnoringCase(tag.name, field.name)) {
        // A field a record holds twice: the "<eor>" between two records is lost.
        const std::uint32_t bit = 1u << i;
        if (record_.seen & bit) record_.runTogether = true;
        record_.seen |= bit;
        record_.*field.slot = tag.data;
        if (field.slot == &Record::call) calls_.push_back({line, tag.data});
        return;
      }
    }
  }

  // The record is damaged: the first thing wrong with it is reported, and
  // it still counts if its contact is whole.
  void Damage(int line, std::string message) {
    if (record_.line == 0) record_.line = line;
    if (record_.damageLine != 0) return;
    record_.damageLine = line;
    record_.damage = std::move(message);
  }

  // The field `name` was damaged or may have been moved by damage: when the
  // contact is made of it, the contact is in doubt.
  void Doubt(std::string_view name, int line) {
    if (record_.line == 0) record_.line = line;
    if (IsKnownField(name)) record_.contactInDoubt = true;
  }

  // "CALL:6>UR5ABC" between fields: a field that lost its '<', whose record
  // then lacks it; its length reaches over what follows as a value's would.
  // Other text between fields is ignored, as ADIF allows.
  void CheckBetweenFields(std::size_t from, std::size_t to) {
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
      const std::string_view name = text_.substr(i, nameEnd - i);
      const int line = LineAt(gt);
      const std::string_view tag = text_.substr(i, gt + 1 - i);
      Damage(line, "field " + std::string(name) + " lost its '<' (" + std::string(tag) + ")");
      Doubt(name, line);
      std::uint64_t length = 0;
      for (std::size_t d = digitsBegin; d < digitsEnd && length <= text_.size(); ++d)
        length = length * 10 + static_cast<std::uint64_t>(text_[d] - '0');
      const std::uint64_t reach = std::min<std::uint64_t>(gt + 1 + length, text_.size());
      doubtUntil_ = std::max(doubtUntil_, static_cast<std::size_t>(reach));
    }
  }

  void StartRecord() {
    record_ = Record();
    calls_.clear();
  }

  // A damaged record counts when its contact is whole: each field it is made
  // of was read by its length before any damage could reach it. Its damage is
  // reported after it, as costing no contact; otherwise, as the record's loss.
  void FinishRecord() {
    if (record_.runTogether || calls_.size() > 1) {
      ReportRunTogether();
    } else if (record_.damageLine != 0) {
      const bool whole = !record_.contactInDoubt && MakeContact().empty();
      if (whole) {
        NameStation();
        sink_.Add(contact_, record_.line);
      }
      sink_.BadLine(LogLineError{record_.damageLine, std::move(record_.damage), whole});
    } else if (record_.line != 0) {
      NameStation();
      AddContact();
    }
    StartRecord();
  }

  // Records without "<eor>" between them cannot be told apart: each of their
  // calls is reported as not read, with where the run of records lies.
  void ReportRunTogether() {
    const int first = record_.damageLine != 0 ? std::min(record_.line, record_.damageLine) : record_.line;
    const std::string where = "lines " + std::to_string(first) + "-" + std::to_string(lastLine_);
    std::vector<LogLineError> lost;
    if (record_.damageLine != 0) lost.push_back({record_.damageLine, std::move(record_.damage)});
    if (calls_.size() > 1) {
      const std::string run =
          std::to_string(calls_.size()) + " records run together without <EOR> (" + where + ")";
      for (const auto& [line, call] : calls_)
        lost.push_back({line, "CALL " + std::string(Trim(call)) + ": " + run});
    } else {
      lost.push_back({record_.line, "fields of several records run together without <EOR> (" + where + ")"});
    }
    std::stable_sort(lost.begin(), lost.end(),
                     [](const LogLineError& a, const LogLineError& b) { return a.line < b.line; });
    for (LogLineError& e : lost) sink_.BadLine(e);
  }

  void NameStation() {
    if (stationNamed_) return;
    std::string_view station = Trim(record_.stationCallsign);
    if (station.empty()) station = Trim(record_.op);
    if (station.empty()) return;
    stationNamed_ = true;
    const std::string call = UpperAsciiCopy(station);
    sink_.Station(call, LookUpPrefix(call, countries_).dxccPrefix);
  }

  void AddContact() {
    std::string why = MakeContact();
    if (why.empty()) {
      sink_.Add(contact_, record_.line);
    } else {
      Bad(record_.line, std::move(why));
    }
  }

  // Makes contact_ of the record; says why when the record makes none.
  std::string MakeContact() {
    const std::string_view call = Trim(record_.call);
    if (call.empty()) return "a record without CALL";
    contact_.callSign.assign(call);
    UpperAsciiInPlace(contact_.callSign);
    const std::string_view mode = Trim(record_.mode);
    if (mode.empty()) return "a record without MODE (" + contact_.callSign + ")";
    std::string why = SetBand();
    if (!why.empty()) return why;
    contact_.mode.assign(mode);
    UpperAsciiInPlace(contact_.mode);
    SetReport();
    SetPrefixes();
    return why;
  }

  // The band the record names, else the one its frequency is on. A BAND
  // that names no band gives way to a FREQ that is on one; with neither the
  // record cannot be placed, and why is returned.
  std::string SetBand() {
    const std::string_view band = Trim(record_.band);
    const std::string_view freq = Trim(record_.freq);
    contact_.band = BandFromAdifName(band);
    if (!contact_.band.empty()) return {};
    if (!freq.empty()) {
      const std::optional<double> khz = KhzFromMhz(freq);
      if (khz) contact_.band = BandFromKhz(*khz);
      if (!contact_.band.empty()) return {};
    }
    if (!band.empty()) return "BAND " + std::string(band) + " is no band (" + contact_.callSign + ")";
    if (!freq.empty()) return "FREQ " + std::string(freq) + " is on no band (" + contact_.callSign + ")";
    return "a record without BAND or FREQ (" + contact_.callSign + ")";
  }

  void SetReport() {
    const std::string_view rst = Trim(record_.rstRcvd);
    std::string_view exchange = Trim(record_.srxString);
    if (exchange.empty()) exchange = Trim(record_.srx);
    contact_.report.assign(rst);
    if (!rst.empty() && !exchange.empty()) contact_.report += ' ';
    contact_.report.append(exchange);
  }

  void SetPrefixes() {
    PrefixInfo info = LookUpPrefix(contact_.callSign, countries_);
    contact_.mainPrefix = std::move(info.mainPrefix);
    contact_.continent = std::move(info.continent);
    const std::optional<int> entity = EntityCode(Trim(record_.dxcc));
    contact_.unknownCall = info.unknown && !entity;
    if (!entity) {
      contact_.dxccPrefix = std::move(info.dxccPrefix);
      return;
    }
    // The log's own entity code outranks the call sign; one outside the home
    // region must not turn into a home-region prefix through the call.
    if (const char* home = HomeRegionPrefixOfEntity(*entity)) {
      contact_.dxccPrefix = home;
    } else if (IsHomeRegionPrefix(info.dxccPrefix)) {
      contact_.dxccPrefix.clear();
    } else {
      contact_.dxccPrefix = std::move(info.dxccPrefix);
    }
  }

  void Bad(int line, std::string message) { sink_.BadLine(LogLineError{line, std::move(message)}); }

  // Lines are only asked for at ever later places, so counting goes on from
  // the last one.
  int LineAt(std::size_t at) {
    line_ += static_cast<int>(std::count(text_.begin() + countedTo_, text_.begin() + at, '\n'));
    countedTo_ = at;
    return line_;
  }

  std::string_view text_;
  ContactSink& sink_;
  const CountryData& countries_;
  Record record_;
  Contact contact_;  // reused, so its strings keep their room from contact to contact
  // The CALL fields of the record being read, with their lines.
  std::vector<std::pair<int, std::string_view>> calls_;
  int lastLine_ = 0;  // where the record's last field starts
  // Tags that start before this are in doubt: a damaged field's length
  // reaches over them.
  std::size_t doubtUntil_ = 0;
  bool headerOpen_ = false;
  bool stationNamed_ = false;
  int line_ = 1;
  std::size_t countedTo_ = 0;
};

}  // namespace

void ReadAdif(const LogText& log, ContactSink& sink, const CountryData& countries) {
  ReadLogText(log, sink, [&](std::string_view utf8, ContactSink& to) { AdifReader(utf8, to, countries).Read(); });
}

void ReadAdif(std::string_view file, ContactSink& sink, const CountryData& countries) {
  ReadAdif(LogText(file), sink, countries);
}

bool LooksLikeAdif(std::string_view file) { return LooksLikeAdif(LogText(file)); }

bool LooksLikeAdif(const LogText& log) {
  const std::string_view text = log.Text();
  const std::size_t begin = FirstNonBlank(text);
  if (begin < text.size() && text[begin] == '<') return true;
  return FindTag(text.substr(0, kSniffBytes), 0, kEndOfHeaderTag) != std::string_view::npos;
}

}  // namespace varnholt
