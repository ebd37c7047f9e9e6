// How the plug-in reads text in the host's ANSI code page where a person
// reads the result: the error box's caption and the registry key, both named
// after the host's executable. In a double-byte code page (Japanese,
// Chinese, Korean) a character's second byte can be a backslash or an ASCII
// capital, so such text is walked a character at a time, never a byte at a
// time, and its letters are lowered by the code page's own rules.
//
// Call signs, bands and modes are not text of this kind: they compare byte
// for byte, as the host stores them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnholt {

// This base reads every byte as a character of its own and lowers "A"-"Z"
// only: the rules of a single-byte code page as far as ASCII goes, which is
// all the portable builds and their tests know of. The Windows build
// answers with the system's rules (CodePage_win.h).
class CodePage {
 public:
  virtual ~CodePage() = default;

  // The bytes of the character that `text` (not empty) begins with. A lead
  // byte at the end of `text` is a character of its own.
  virtual std::size_t CharacterLength(std::string_view text) const;

  // Lowers the letters of `text` in place, as the system lowers them. A
  // letter's lower case takes as many bytes as the letter.
  virtual void Lower(std::string& text) const;
};

// The part of `path` after the last character that is one of `separators`
// (single-byte characters); all of `path` when it has none.
std::string_view AfterLastSeparator(std::string_view path, std::string_view separators, const CodePage& codePage);

// Where the first or the last character `c` (a single-byte character) of
// `text` begins, or npos.
std::size_t FindFirstCharacter(std::string_view text, char c, const CodePage& codePage);
std::size_t FindLastCharacter(std::string_view text, char c, const CodePage& codePage);

}  // namespace varnholt
