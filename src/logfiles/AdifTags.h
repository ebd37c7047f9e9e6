// ADIF's tags as a file holds them: "<NAME:length[:type]>data" fields, bare
// tags ("<eor>", "<eoh>"), and the ways exporters get a length wrong. The
// lexer tells what each '<' begins and where its value ends; what the tags
// mean for a record and its contact is the reader's (Adif.cpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// What one '<' in the file turns out to be.
struct AdifTag {
  enum Kind { kNotATag, kField, kEndOfRecord, kEndOfHeader, kOtherTag, kBadLength, kPastEnd, kValueCut };
  Kind kind = kNotATag;
  std::string_view name;
  std::string_view data;
  std::size_t end = 0;    // just past the tag and its data
  std::size_t reach = 0;  // kValueCut, kBadLength: as far as its length could reach
};

// "CALL:6>UR5ABC" between fields: a field that lost its '<'.
struct AdifLostOpening {
  std::string_view name;  // "CALL"
  std::string_view tag;   // "CALL:6>"
  std::size_t end = 0;    // just past its '>'
  std::size_t reach = 0;  // as far as its length reaches over what follows
};

class AdifLexer {
 public:
  explicit AdifLexer(std::string_view text) : text_(text) {}

  // Where the records begin. A file that starts with a field has either no
  // header or one made of fields (then `headerOfFields`); otherwise
  // everything up to "<eoh>" is free text, '<' included.
  std::size_t StartOfRecords(bool& headerOfFields) const;

  // The tag at the '<' at `at`. A tag in doubt (a damaged length reaches
  // over it) is read by its length in bytes alone: whatever it holds is not
  // taken, so no other count is tried for it.
  AdifTag TagAt(std::size_t at, bool inDoubt) const;

  // The first field in [from, to) that lost its '<'; the search goes on
  // after it by the next call with `from` moved past it. Other text between
  // fields is no tag, as ADIF allows.
  std::optional<AdifLostOpening> NextLostOpening(std::size_t& from, std::size_t to) const;

  // "field NAME: its length 2 cuts a character in two (J\xC3\xBCrgen)", for
  // a kValueCut tag: the value where the count ends it, up to where it seems
  // to end, in whole characters, on one line.
  std::string CutValueMessage(const AdifTag& tag) const;

  // The 1-based line of `at`. Lines are only asked for at ever later places,
  // so counting goes on from the last one.
  int LineAt(std::size_t at);

 private:
  struct FieldValue;
  FieldValue ValueOf(std::size_t begin, std::size_t length) const;
  std::size_t EndOfLineFeedsAsTwo(std::size_t begin, std::size_t length) const;
  bool HoldsNonBlank(std::size_t from, std::size_t to) const;

  std::string_view text_;
  int line_ = 1;
  std::size_t countedTo_ = 0;
};

// Whether `text` (a log's decoded text) looks like ADIF: it starts with a
// tag, or a free-text header ends in "<eoh>" within its first 64 KiB.
bool StartsLikeAdif(std::string_view text);

// Whether a field named `name` (any letter case) stands anywhere in `text`:
// "<QSO_DATE:8>".
bool HoldsField(std::string_view text, std::string_view name);

}  // namespace varnholt
