#include "common/CodePage.h"

#include <algorithm>

#include "common/TextRules.h"

namespace varnholt {

std::size_t CodePage::CharacterLength(std::string_view /*text*/) const { return 1; }

void CodePage::Lower(std::string& text) const {
  for (char& c : text) {
    if (IsUpperLetter(c)) c = static_cast<char>(c - 'A' + 'a');
  }
}

namespace {

// Calls `visit(position, character)` for each character of `text`, in order.
template <typename Visit>
void ForEachCharacter(std::string_view text, const CodePage& codePage, Visit visit) {
  for (std::size_t pos = 0; pos < text.size();) {
    // Whatever the code page answers, the walk moves on and stays inside.
    const std::size_t length =
        std::clamp<std::size_t>(codePage.CharacterLength(text.substr(pos)), 1, text.size() - pos);
    visit(pos, text.substr(pos, length));
    pos += length;
  }
}

}  // namespace

std::string_view AfterLastSeparator(std::string_view path, std::string_view separators, const CodePage& codePage) {
  std::size_t start = 0;
  ForEachCharacter(path, codePage, [&](std::size_t pos, std::string_view c) {
    if (c.size() == 1 && separators.find(c[0]) != std::string_view::npos) start = pos + 1;
  });
  return path.substr(start);
}

std::size_t FindFirstCharacter(std::string_view text, char c, const CodePage& codePage) {
  std::size_t found = std::string_view::npos;
  ForEachCharacter(text, codePage, [&](std::size_t pos, std::string_view character) {
    if (found == std::string_view::npos && character.size() == 1 && character[0] == c) found = pos;
  });
  return found;
}

std::size_t FindLastCharacter(std::string_view text, char c, const CodePage& codePage) {
  std::size_t found = std::string_view::npos;
  ForEachCharacter(text, codePage, [&](std::size_t pos, std::string_view character) {
    if (character.size() == 1 && character[0] == c) found = pos;
  });
  return found;
}

}  // namespace varnholt
