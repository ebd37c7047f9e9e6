// GetTickCount64 for the thread runtime that the programs link statically.
// The runtime calls it (through its import pointer) for timed waits, and
// Windows only has it from Vista on: imported, it would keep the plug-in
// and the scorer from loading on Windows XP at all. This file defines that
// import pointer itself, so the linker takes it instead of the system's
// import, and the function behind it asks Windows for GetTickCount64 at its
// first call. Where there is none, it counts GetTickCount's wraps (every
// 49.7 days) itself.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

// The system's function once looked up; `kAbsent` where it has none.
const auto kAbsent = reinterpret_cast<TickCount64Fn>(1);
std::atomic<TickCount64Fn> systemTickCount64{nullptr};

// The wraps counted so far (high half) and the last GetTickCount seen (low
// half), changed as one.
std::atomic<std::uint64_t> wrapsAndLast{0};

// Milliseconds since the system started, from GetTickCount: a count that
// went down since the last call went round once. Right as long as it is
// called at least once per 49.7 days.
ULONGLONG CountedTickCount64() {
  // Read by a compare-exchange that changes nothing: a plain 64-bit atomic
  // load goes through the 32-bit build's FPU, whose state is the host's.
  std::uint64_t seen = 0;
  wrapsAndLast.compare_exchange_strong(seen, 0);
  for (;;) {
    const DWORD now = GetTickCount();
    const std::uint64_t wraps = (seen >> 32) + (now < static_cast<DWORD>(seen) ? 1 : 0);
    const std::uint64_t next = wraps << 32 | now;
    if (wrapsAndLast.compare_exchange_weak(seen, next)) return next;
  }
}

ULONGLONG WINAPI TickCount64() {
  TickCount64Fn system = systemTickCount64.load();
  if (system == nullptr) {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "GetTickCount64") : nullptr;
    system = found != nullptr ? reinterpret_cast<TickCount64Fn>(reinterpret_cast<void (*)()>(found)) : kAbsent;
    systemTickCount64.store(system);
  }
  return system != kAbsent ? system() : CountedTickCount64();
}

}  // namespace

// The import pointer under the name the linker gives GetTickCount64's
// (decorated for the 32-bit convention).
#if defined(__i386__)
#define VARNHOLT_TICKCOUNT64_IMPORT "__imp__GetTickCount64@0"
#else
#define VARNHOLT_TICKCOUNT64_IMPORT "__imp_GetTickCount64"
#endif
extern "C" {
extern TickCount64Fn varnholt_GetTickCount64_import __asm__(VARNHOLT_TICKCOUNT64_IMPORT);
TickCount64Fn varnholt_GetTickCount64_import = TickCount64;
}
