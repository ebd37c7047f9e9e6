#include "mainform/ErrorText.h"

#include <algorithm>

namespace varnholt {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
    text += '.';
  return text;
}

std::string ErrorBoxCaption(std::string_view executablePath, const CodePage& codePage) {
  std::string_view name = AfterLastSeparator(executablePath, "\\/:", codePage);
  name = name.substr(0, FindFirstCharacter(name, '.', codePage));
  if (name.empty()) return {};
  // The first character keeps its case, whatever its length in bytes.
  const std::size_t first = std::min(codePage.CharacterLength(name), name.size());
  std::string rest(name.substr(first));
  codePage.Lower(rest);
  return std::string(name.substr(0, first)) + rest;
}

}  // namespace varnholt
