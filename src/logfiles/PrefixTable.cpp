#include "logfiles/PrefixTable.h"

#include <array>
#include <cstddef>

#include "common/TextRules.h"

namespace varnholt {

namespace {

// Longer texts are no call sign; a fixed buffer keeps a lookup off the heap.
constexpr std::size_t kMaxCall = 32;
// Three parts carry every real portable call (DL/UR5ABC/P); a few more are
// tolerated so that a repeated suffix does not lose the call.
constexpr std::size_t kMaxParts = 6;

// The position of the digit that ends the call's own prefix: the first digit
// after the first character (2E0ABC, 9A1AA, 4J1AB); npos without one.
std::size_t PrefixDigit(std::string_view call) {
  for (std::size_t i = 1; i < call.size(); ++i) {
    if (IsDigit(call[i])) return i;
  }
  return std::string_view::npos;
}

// A whole call sign ends in letters after its prefix digit (UA9XX); a bare
// prefix such as DL, UA9 or EA8 does not.
bool IsWholeCall(std::string_view part) {
  return PrefixDigit(part) != std::string_view::npos && IsUpperLetter(part.back());
}

bool IsMaritimeOrAir(std::string_view part) { return part == "MM" || part == "AM"; }

// Suffixes that say how, not where, a station operates.
bool IsOperatingSuffix(std::string_view part) {
  return (part.size() == 1 && IsUpperLetter(part[0])) || part == "QRP" || part == "QRPP" || part == "LH" ||
         IsMaritimeOrAir(part);
}

bool IsAllDigits(std::string_view part) { return part.find_first_not_of("0123456789") == part.npos; }

// Up to and including the prefix digit; the whole text when it has none (DL).
std::string_view MainPrefixOf(std::string_view call) {
  const std::size_t digit = PrefixDigit(call);
  return digit == std::string_view::npos ? call : call.substr(0, digit + 1);
}

}  // namespace

PrefixInfo LookUpPrefix(std::string_view callSign, const CountryData& countries) {
  PrefixInfo unknown;
  unknown.unknown = true;
  callSign = TrimSpace(callSign);
  if (callSign.size() > kMaxCall) return unknown;

  std::array<char, kMaxCall> upper{};
  for (std::size_t i = 0; i < callSign.size(); ++i) {
    const char c = UpperAscii(callSign[i]);
    if (!IsUpperLetter(c) && !IsDigit(c) && c != '/') return unknown;
    upper[i] = c;
  }
  const std::string_view call(upper.data(), callSign.size());

  // Parts between slashes; empty ones (a stray leading or trailing slash) say nothing.
  std::array<std::string_view, kMaxParts> parts;
  std::size_t count = 0;
  for (std::size_t start = 0; start <= call.size();) {
    std::size_t end = call.find('/', start);
    if (end == std::string_view::npos) end = call.size();
    if (end > start) {
      if (count == kMaxParts) return unknown;
      parts[count++] = call.substr(start, end - start);
    }
    start = end + 1;
  }

  // Trailing suffixes: /P and the like only describe the operation, /MM and
  // /AM put the station outside every country, and /4 moves it to district 4.
  // The call without its operating suffixes may be listed as a whole
  // (UA9KBF/4 for UA9KBF/4/P).
  bool noCountry = false;
  char district = 0;
  std::string_view withoutSuffixes = call;
  bool suffixesOnly = true;
  while (count > 1) {
    const std::string_view last = parts[count - 1];
    if (IsOperatingSuffix(last)) {
      noCountry = noCountry || IsMaritimeOrAir(last);
      if (suffixesOnly) withoutSuffixes = call.substr(0, static_cast<std::size_t>(last.data() - call.data()));
    } else if (last.size() == 1 && IsDigit(last[0])) {
      if (district == 0) district = last[0];
      suffixesOnly = false;
    } else if (!IsAllDigits(last)) {
      break;
    } else {
      suffixesOnly = false;
    }
    --count;
  }
  while (!withoutSuffixes.empty() && withoutSuffixes.back() == '/') withoutSuffixes.remove_suffix(1);

  // Where the station operates: the part that is not a whole call (DL in
  // DL/UA9XX and UA9XX/DL), else the shortest.
  std::size_t where = count;
  for (std::size_t i = 0; i < count; ++i) {
    if (IsAllDigits(parts[i])) continue;
    const bool better = where == count || (IsWholeCall(parts[where]) && !IsWholeCall(parts[i])) ||
                        (IsWholeCall(parts[where]) == IsWholeCall(parts[i]) &&
                         parts[i].size() < parts[where].size());
    if (better) where = i;
  }
  if (where == count) return unknown;

  std::string_view location = parts[where];
  std::array<char, kMaxCall> moved{};
  const std::size_t digit = PrefixDigit(location);
  if (district != 0 && count == 1 && digit != std::string_view::npos) {
    for (std::size_t i = 0; i < location.size(); ++i) moved[i] = location[i];
    moved[digit] = district;
    location = std::string_view(moved.data(), location.size());
  }

  PrefixInfo info;
  info.mainPrefix = MainPrefixOf(location);
  if (noCountry) return info;
  // A call the country file lists as a whole outranks its prefix.
  CountryMatch match = FindWholeCall(countries, call);
  if (match.entity == nullptr && withoutSuffixes != call) match = FindWholeCall(countries, withoutSuffixes);
  if (match.entity == nullptr) match = FindLongestPrefix(countries, location);
  if (match.entity == nullptr) {
    info.unknown = true;
    return info;
  }
  info.dxccPrefix = match.entity->prefix;
  info.continent = match.continent;
  return info;
}

}  // namespace varnholt
