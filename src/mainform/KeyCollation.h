// How multiplier keys compare where the program runs: on Windows under the
// user's locale, as the statistics window compares them there; elsewhere
// "a"-"z" and "A"-"Z" are the same letter and every other byte is itself.
// The build picks the implementation: KeyCollation_win.cpp or
// KeyCollation.cpp.
#pragma once

#include "mainform/DxdaKeys.h"

namespace varnholt {

// Made on first use and kept for the process (on Windows it probes the
// locale once).
const KeyCollation& SystemKeyCollation();

}  // namespace varnholt
