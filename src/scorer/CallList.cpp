#include "scorer/CallList.h"

#include <algorithm>
#include <vector>

#include "common/TextRules.h"

namespace varnholt {

namespace {

// Binary search over the list's lines, found from the middle of a range.
bool Contains(std::string_view text, std::string_view call) {
  std::size_t low = 0, high = text.size();  // both at the start of a line (or the end)
  while (low < high) {
    std::size_t start = low + (high - low) / 2;
    while (start > low && text[start - 1] != '\n') --start;
    const std::size_t end = text.find('\n', start);
    const int order = text.substr(start, end - start).compare(call);
    if (order == 0) return true;
    if (order < 0) {
      low = end + 1;
    } else {
      high = start;
    }
  }
  return false;
}

// A call of its own: a digit after its first character, letters at its end.
bool IsHomeCall(std::string_view part) {
  return part.size() > 2 && std::find_if(part.begin() + 1, part.end(), IsDigit) != part.end() &&
         IsUpperLetter(part.back());
}

}  // namespace

bool IsKnownCall(const CallListData& list, std::string_view call) {
  const std::string upper = UpperAsciiCopy(TrimSpace(call));
  if (upper.empty()) return false;
  if (Contains(list.text, upper)) return true;
  // The longest part between slashes that is a call of its own.
  std::string_view home;
  for (std::size_t start = 0; start <= upper.size();) {
    std::size_t end = upper.find('/', start);
    if (end == std::string::npos) end = upper.size();
    const std::string_view part = std::string_view(upper).substr(start, end - start);
    if (IsHomeCall(part) && part.size() > home.size()) home = part;
    start = end + 1;
  }
  return !home.empty() && home.size() < upper.size() && Contains(list.text, home);
}

CallList::CallList(std::string_view text) {
  std::vector<std::string> calls;
  int line = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view item = TrimSpace(text.substr(at, end - at));
    at = end + 1;
    ++line;
    if (item.empty()) continue;
    if (item.front() == '#') {
      const std::size_t release = item.find("Release ");
      if (release_.empty() && release != std::string_view::npos) release_ = TrimSpace(item.substr(release));
      continue;
    }
    std::string call = UpperAsciiCopy(item);
    for (char c : call) {
      if (!IsUpperLetter(c) && !IsDigit(c) && c != '/') {
        throw CallListError("line " + std::to_string(line) + ": '" + std::string(item) + "' is no call sign");
      }
    }
    calls.push_back(std::move(call));
  }
  std::sort(calls.begin(), calls.end());
  calls.erase(std::unique(calls.begin(), calls.end()), calls.end());
  if (calls.empty()) throw CallListError("no call sign in it");
  for (const std::string& call : calls) text_.append(call).append("\n");
  count_ = calls.size();
}

}  // namespace varnholt
