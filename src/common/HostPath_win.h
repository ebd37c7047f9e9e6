// The host's executable, as the plug-in names things after it: the
// placement's registry key and the error box's caption.
#pragma once

#include <string>

namespace varnholt {

// The full path of the process's executable (the host's, not this
// library's), read whole however long it is: a cut path would name things
// after a fragment of the file name. Empty when Windows cannot give it.
std::string HostExecutablePath();

}  // namespace varnholt
