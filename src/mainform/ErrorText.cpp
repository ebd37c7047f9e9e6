#include "mainform/ErrorText.h"

namespace varnholt {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
    text += '.';
  return text;
}

std::string ErrorBoxCaption(std::string_view executablePath) {
  const std::size_t slash = executablePath.find_last_of("\\/:");
  std::string_view name = slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
  name = name.substr(0, name.find('.'));
  std::string caption(name);
  for (std::size_t i = 1; i < caption.size(); ++i) {
    if (caption[i] >= 'A' && caption[i] <= 'Z') caption[i] = static_cast<char>(caption[i] - 'A' + 'a');
  }
  return caption;
}

}  // namespace varnholt
