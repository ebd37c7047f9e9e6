#include "common/CodePage_win.h"

#include <windows.h>

namespace varnholt {

namespace {

// The bytes of a UTF-8 character from its first byte; a stray byte is one.
std::size_t Utf8Length(unsigned char first) {
  if (first >= 0xF0 && first <= 0xF4) return 4;
  if (first >= 0xE0) return first <= 0xEF ? 3 : 1;
  if (first >= 0xC2) return 2;
  return 1;
}

class SystemAnsiCodePage final : public CodePage {
 public:
  std::size_t CharacterLength(std::string_view text) const override {
    const auto first = static_cast<unsigned char>(text.front());
    // IsDBCSLeadByte knows the double-byte code pages; the UTF-8 one (an
    // option of later systems) has characters of up to four bytes.
    const std::size_t length = GetACP() == CP_UTF8 ? Utf8Length(first) : IsDBCSLeadByte(first) ? 2 : 1;
    return length <= text.size() ? length : 1;
  }

  void Lower(std::string& text) const override {
    if (!text.empty() && text.size() <= MAXDWORD) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  }
};

}  // namespace

const CodePage& AnsiCodePage() {
  static const SystemAnsiCodePage codePage;
  return codePage;
}

}  // namespace varnholt
