#include <windows.h>

#include "scorer/ArgumentText.h"

namespace varnholt {

std::string ArgumentInUtf8(const std::string& argument) {
  const int size = static_cast<int>(argument.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, argument.data(), size, nullptr, 0);
  if (units <= 0) return argument;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, argument.data(), size, wide.data(), units);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return argument;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace varnholt
