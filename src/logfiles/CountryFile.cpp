#include "logfiles/CountryFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/TextRules.h"

namespace varnholt {

namespace {

// Two of the home region's countries have other names in the contest's
// rules than in the country file; the rest of the home region agrees.
struct RulesName {
  std::string_view countryFile, rules;
};
constexpr RulesName kRulesNames[] = {
    {"UA", "UA1"},  // European Russia
    {"EU", "EW"},   // Belarus
};

bool IsContinent(std::string_view text) {
  for (std::string_view c : {"AF", "AN", "AS", "EU", "NA", "OC", "SA"}) {
    if (text == c) return true;
  }
  return false;
}

// Keys that start alike, in their sorted order.
struct KeyRange {
  const CountryKey* first;
  const CountryKey* last;
  bool empty() const { return first == last; }
};

// Of `range`, whose keys all start with the same i characters, the keys
// whose character i is `c`. A key that ends before it sorts first.
KeyRange Narrow(const CountryData& data, KeyRange range, std::size_t i, char c) {
  auto at = [&](const CountryKey& key) { return key.length > i ? data.text[key.at + i] : '\0'; };
  const CountryKey* first = std::lower_bound(range.first, range.last, c,
                                             [&](const CountryKey& key, char ch) { return at(key) < ch; });
  const CountryKey* last =
      std::upper_bound(first, range.last, c, [&](char ch, const CountryKey& key) { return ch < at(key); });
  return {first, last};
}

CountryMatch MatchOf(const CountryData& data, const CountryKey* key) {
  if (key == nullptr) return {};
  const CountryEntity& entity = data.entities[key->entity];
  if (key->continent[0] != '\0') return {&entity, std::string_view(key->continent, 2)};
  return {&entity, entity.continent};
}

// Reads the text record by record: "name: CQ: ITU: continent: latitude:
// longitude: UTC offset: prefix:" and then the country's prefixes and
// whole calls ("=CALL"), separated by commas and ended by ';'.
class Parser {
 public:
  Parser(std::string_view text, std::string& keyText, std::vector<CountryEntity>& entities,
         std::vector<CountryKey>& prefixes, std::vector<CountryKey>& calls)
      : text_(text), keyText_(keyText), entities_(entities), prefixes_(prefixes), calls_(calls) {}

  void Parse() {
    for (;;) {
      while (at_ < text_.size() && IsSpace(text_[at_])) Advance();
      if (at_ == text_.size()) break;
      Country();
    }
    if (entities_.empty()) throw CountryFileError("no country in it");
  }

 private:
  void Country() {
    const int line = line_;
    std::string_view fields[8];
    for (std::string_view& field : fields) {
      const std::size_t end = text_.find_first_of(":;", at_);
      if (end == std::string_view::npos || text_[end] == ';') {
        Fail("a country needs eight fields, each ended by ':', before its prefixes", line);
      }
      field = TrimSpace(text_.substr(at_, end - at_));
      AdvanceTo(end + 1);
    }
    const std::string_view continent = fields[3];
    std::string_view prefix = fields[7];
    if (!IsContinent(continent)) Fail("'" + std::string(continent) + "' is no continent", line);
    // Entities marked '*' count only in some contests, not for DXCC: their
    // calls belong to the DXCC entity around them.
    const bool dxcc = prefix.empty() || prefix.front() != '*';
    for (const RulesName& name : kRulesNames) {
      if (prefix == name.countryFile) prefix = name.rules;
    }
    if (prefix.empty() || prefix.size() >= sizeof(CountryEntity::prefix)) {
      Fail("'" + std::string(prefix) + "' is no country prefix", line);
    }
    if (entities_.size() > std::numeric_limits<std::uint16_t>::max()) Fail("too many countries", line);
    const std::size_t end = text_.find(';', at_);
    if (end == std::string_view::npos)
      Fail("the prefixes of " + std::string(fields[0]) + " end with no ';'", line);
    if (dxcc) {
      CountryEntity entity{};
      std::memcpy(entity.prefix, prefix.data(), prefix.size());
      std::memcpy(entity.continent, continent.data(), 2);
      entities_.push_back(entity);
    }
    while (at_ < end) {
      while (at_ < end && IsSpace(text_[at_])) Advance();
      std::size_t comma = text_.find(',', at_);
      if (comma > end) comma = end;
      const std::string_view item = TrimSpace(text_.substr(at_, comma - at_));
      if (!item.empty() && dxcc) Key(item, line_);
      AdvanceTo(comma == end ? end : comma + 1);
    }
    AdvanceTo(end + 1);
  }

  // "UR", "R0(19)[33]", "=9M6/N1UR", "=R25EMW(17)[19]{AS}": a prefix or a
  // whole call, then the zones, place, continent or time it has of its own.
  void Key(std::string_view item, int line) {
    const bool whole = item.front() == '=';
    if (whole) item.remove_prefix(1);
    std::size_t i = 0;
    std::string call;
    for (; i < item.size(); ++i) {
      const char c = UpperAscii(item[i]);
      if (!(IsUpperLetter(c) || IsDigit(c) || c == '/')) break;
      call += c;
    }
    CountryKey key{};
    while (i < item.size()) {
      const char open = item[i];
      const char close = open == '('   ? ')'
                         : open == '[' ? ']'
                         : open == '<' ? '>'
                         : open == '{' ? '}'
                         : open == '~' ? '~'
                                       : 0;
      const std::size_t closed = close == 0 ? std::string_view::npos : item.find(close, i + 1);
      if (closed == std::string_view::npos) Fail("'" + std::string(item) + "' is no prefix", line);
      if (open == '{') {
        const std::string_view continent = item.substr(i + 1, closed - i - 1);
        if (!IsContinent(continent)) Fail("'" + std::string(continent) + "' is no continent", line);
        std::memcpy(key.continent, continent.data(), 2);
      }
      i = closed + 1;
    }
    if (call.empty() || call.size() > std::numeric_limits<std::uint8_t>::max()) {
      Fail("'" + std::string(item) + "' is no prefix", line);
    }
    if (keyText_.size() + call.size() > std::numeric_limits<std::uint32_t>::max()) Fail("too big", line);
    key.at = static_cast<std::uint32_t>(keyText_.size());
    key.length = static_cast<std::uint8_t>(call.size());
    key.entity = static_cast<std::uint16_t>(entities_.size() - 1);
    keyText_ += call;
    (whole ? calls_ : prefixes_).push_back(key);
  }

  void Advance() {
    if (text_[at_] == '\n') ++line_;
    ++at_;
  }
  void AdvanceTo(std::size_t to) {
    while (at_ < to) Advance();
  }

  [[noreturn]] void Fail(const std::string& why, int line = 0) const {
    throw CountryFileError("line " + std::to_string(line != 0 ? line : line_) + ": " + why);
  }

  std::string_view text_;
  std::size_t at_ = 0;
  int line_ = 1;
  std::string& keyText_;
  std::vector<CountryEntity>& entities_;
  std::vector<CountryKey>& prefixes_;
  std::vector<CountryKey>& calls_;
};

// Sorts `keys` by their text; of keys with the same text the first in the
// file stays.
void SortKeys(const std::string& text, std::vector<CountryKey>& keys) {
  auto textOf = [&](const CountryKey& k) { return std::string_view(text).substr(k.at, k.length); };
  std::stable_sort(keys.begin(), keys.end(),
                   [&](const CountryKey& a, const CountryKey& b) { return textOf(a) < textOf(b); });
  keys.erase(std::unique(keys.begin(), keys.end(),
                         [&](const CountryKey& a, const CountryKey& b) { return textOf(a) == textOf(b); }),
             keys.end());
}

}  // namespace

CountryMatch FindWholeCall(const CountryData& data, std::string_view call) {
  auto text = [&](const CountryKey& key) { return data.text.substr(key.at, key.length); };
  const CountryKey* end = data.calls + data.callCount;
  const CountryKey* found = std::lower_bound(
      data.calls, end, call, [&](const CountryKey& key, std::string_view c) { return text(key) < c; });
  return MatchOf(data, found != end && text(*found) == call ? found : nullptr);
}

// Narrows the sorted prefixes character by character: each step keeps those
// that begin like the call so far, so the longest is found in one pass.
CountryMatch FindLongestPrefix(const CountryData& data, std::string_view call) {
  KeyRange range{data.prefixes, data.prefixes + data.prefixCount};
  const CountryKey* longest = nullptr;
  for (std::size_t i = 0; i < call.size() && !range.empty(); ++i) {
    range = Narrow(data, range, i, call[i]);
    if (!range.empty() && range.first->length == i + 1) longest = range.first;
  }
  return MatchOf(data, longest);
}

CountryFile::CountryFile(std::string_view text) {
  Parser(text, text_, entities_, prefixes_, calls_).Parse();
  SortKeys(text_, prefixes_);
  SortKeys(text_, calls_);
  // The file tells its version as a whole call: "=VER20230502".
  for (const CountryKey& key : calls_) {
    const std::string_view call = std::string_view(text_).substr(key.at, key.length);
    if (call.size() > 3 && call.substr(0, 3) == "VER" &&
        call.find_first_not_of("0123456789", 3) == std::string_view::npos) {
      version_ = std::string(call);
    }
  }
}

CountryData CountryFile::Data() const {
  return CountryData{text_,         entities_.data(), entities_.size(), prefixes_.data(), prefixes_.size(),
                     calls_.data(), calls_.size(),    version_};
}

}  // namespace varnholt
