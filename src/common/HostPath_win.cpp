#include "common/HostPath_win.h"

#include <windows.h>

namespace varnholt {

std::string HostExecutablePath() {
  std::string path(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameA(nullptr, &path[0], size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 0x10000) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace varnholt
