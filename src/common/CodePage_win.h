// The system's ANSI code page, the one the host's text and the system's own
// ANSI answers are in.
#pragma once

#include "common/CodePage.h"

namespace varnholt {

// Characters as the system steps through them (a double-byte character
// from its lead byte; UTF-8 where that is the ANSI code page), letters
// lowered by CharLowerBuffA.
const CodePage& AnsiCodePage();

}  // namespace varnholt
