// The texts of the window placement store: where its registry key lives, the
// names and spelling of the values it keeps, and how those values read back.
// Everything here is plain text work, so it stays free of Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/CodePage.h"

namespace varnholt {

// The names of the values the store keeps (PlacementPolicy says which pass
// reads and writes which, and in which order). The position values are kept
// twice: once under the name followed by the screen-size suffix, once under
// the plain name.
inline constexpr std::string_view kFormVersionValue = "FormVersion";
inline constexpr std::string_view kFlagsValue = "Flags";
inline constexpr std::string_view kShowCmdValue = "ShowCmd";
inline constexpr std::string_view kPixelsPerInchValue = "PixelsPerInch";
inline constexpr std::string_view kMinMaxPosValue = "MinMaxPos";
inline constexpr std::string_view kNormPosValue = "NormPos";
inline constexpr std::string_view kVisibleValue = "Visible";
inline constexpr std::string_view kCurrentBandValue = "CurrentBand";

// The registry key path of the store for a host executable: "Software\" and
// the executable's base name. The extension goes from the last "." after the
// last "\" or ":", then the directory up to and including the last "\" or
// ":". C:\Log\Logger.exe gives Software\Logger. Letter case is kept.
// A path without a base name (empty, or a name that is all extension such as
// "C:\Log\.exe") gives the empty text: there is no key to keep values under,
// and "Software\" alone would put them straight under Software. The path is
// in the host's ANSI code page and read by its rules.
std::string PlacementKeyPath(std::string_view executablePath, const CodePage& codePage);

// Word n (counting from 1) of a position text: words are the runs of
// characters other than spaces and commas; leading separators are skipped
// and a run of separators counts as one. A missing word is empty.
std::string_view PlacementWord(std::string_view text, int n);

// The store's integer reading. Accepts, and only accepts:
//   - optional spaces or tabs before and after the number;
//   - an optional "+" or "-" sign directly before the digits;
//   - decimal digits, or hexadecimal digits after "$", "0x" or "0X";
//   - a result inside the signed 32-bit range (the sign applies to a
//     hexadecimal magnitude too, so "$FFFFFFFF" is out of range, not -1).
// Returns false, leaving `value` unchanged, for anything else: empty text,
// a sign or prefix without digits, inner spaces, trailing junk, overflow.
bool ParseStoredInteger(std::string_view text, std::int32_t& value);

// The parsed integer, or `fallback` when the text does not parse.
std::int32_t StoredIntegerOr(std::string_view text, std::int32_t fallback);

// Integers are stored in decimal, with a leading "-" when negative.
std::string IntegerText(std::int32_t value);

// "%d,%d,%d,%d": the text of "MinMaxPos" (minimised x, y, maximised x, y)
// and of "NormPos" (left, top, right, bottom).
std::string PositionText(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);

// "(%dx%d)" with the screen's width and height in pixels: "(1280x1024)".
std::string ScreenSuffix(std::int32_t width, std::int32_t height);

enum class WindowState { Normal, Minimised, Maximised };

// The state a stored "ShowCmd" asks for: 1, 5 and 9 normal; 2, 6 and 7
// minimised; 3 maximised; anything else the default, normal.
WindowState StateFromShowCmd(std::int32_t showCmd);

// The text held in raw registry string data of `size` bytes: cut at the
// first zero byte, or all of it when the data carries no terminating zero.
// Null data gives the empty text.
std::string TextFromRegistryData(const unsigned char* data, std::size_t size);

// Whether two value names are the same, ignoring the case of "A"-"Z".
bool SameValueName(std::string_view a, std::string_view b);

}  // namespace varnholt
