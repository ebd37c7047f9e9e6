// The library's process-wide state beside CurrentQso: the one statistics
// window the entry points use, or none.
#pragma once

namespace varnholt {

class TfmMainForm;

// Cleared at once by _Release and by a real close of the window; the window
// object itself goes later, when the host's message loop runs.
extern TfmMainForm* fmMainForm;

}  // namespace varnholt
