#include "common/LibraryHold_win.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

extern "C" IMAGE_DOS_HEADER __ImageBase;

extern "C" {
unsigned char varnholt_dropOwed = 0;
void* varnholt_dropAndReturn = nullptr;
void* varnholt_dropAndReturnStdcall16 = nullptr;
}

namespace varnholt {

namespace {

int entries = 0;       // entries under way, on the host's thread
bool holding = false;  // the outermost entry holds a reference

// Where the dropping instructions live: a page of code, and after it a page
// for the one number they keep, how many of them are running now.
constexpr SIZE_T kPage = 4096;
unsigned char* code = nullptr;
#if defined(__x86_64__)
RUNTIME_FUNCTION* unwindTable = nullptr;
#endif

HMODULE ThisLibrary() { return reinterpret_cast<HMODULE>(&__ImageBase); }

volatile LONG& Running() { return *reinterpret_cast<volatile LONG*>(code + kPage); }

// Appends bytes at `at`, returning where the next ones go.
unsigned char* Put(unsigned char* at, std::initializer_list<unsigned char> bytes) {
  for (const unsigned char b : bytes) *at++ = b;
  return at;
}
template <typename Value>
unsigned char* PutValue(unsigned char* at, Value value) {
  std::memcpy(at, &value, sizeof value);
  return at + sizeof value;
}

#if defined(__i386__)
// inc or dec dword [running]
unsigned char* Count(unsigned char* at, unsigned char op) {
  at = Put(at, {0xFF, op});
  return PutValue(at, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&Running())));
}
#else
// inc or dec dword [rip + to running]
unsigned char* Count(unsigned char* at, unsigned char op) {
  at = Put(at, {0xFF, op});
  const auto next = reinterpret_cast<std::intptr_t>(at) + 4;
  return PutValue(at, static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(&Running()) - next));
}
#endif

// The instructions that drop the reference and return to the library's
// caller, written once into memory of their own: after an unloading they
// still stand, the library's image no longer does. They keep the entry's
// result (EAX/RAX) across FreeLibrary, which keeps the caller's registers,
// and count themselves while they run, so that an unloading they cause
// leaves them in place.
bool WriteDroppingInstructions() {
  if (code != nullptr) return true;
  auto* page = static_cast<unsigned char*>(VirtualAlloc(nullptr, 2 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (page == nullptr) return false;
  code = page;
  const auto freeLibrary = reinterpret_cast<std::uintptr_t>(&FreeLibrary);
  const auto library = reinterpret_cast<std::uintptr_t>(ThisLibrary());
  unsigned char* at = code;
#if defined(__i386__)
  // inc [running]; push eax; push library; mov ecx, FreeLibrary; call ecx;
  // pop eax; dec [running]; ret [16]
  for (const bool stdcall16 : {false, true}) {
    (stdcall16 ? varnholt_dropAndReturnStdcall16 : varnholt_dropAndReturn) = at;
    at = Count(at, 0x05);
    at = Put(at, {0x50, 0x68});
    at = PutValue(at, static_cast<std::uint32_t>(library));
    at = Put(at, {0xB9});
    at = PutValue(at, static_cast<std::uint32_t>(freeLibrary));
    at = Put(at, {0xFF, 0xD1, 0x58});
    at = Count(at, 0x0D);
    at = stdcall16 ? Put(at, {0xC2, 0x10, 0x00}) : Put(at, {0xC3});
  }
#else
  // sub rsp, 40; inc [running]; mov [rsp+32], rax; mov rcx, library;
  // mov rax, FreeLibrary; call rax; mov rax, [rsp+32]; dec [running];
  // add rsp, 40; ret
  varnholt_dropAndReturn = varnholt_dropAndReturnStdcall16 = at;
  at = Put(at, {0x48, 0x83, 0xEC, 0x28});
  at = Count(at, 0x05);
  at = Put(at, {0x48, 0x89, 0x44, 0x24, 0x20, 0x48, 0xB9});
  at = PutValue(at, static_cast<std::uint64_t>(library));
  at = Put(at, {0x48, 0xB8});
  at = PutValue(at, static_cast<std::uint64_t>(freeLibrary));
  at = Put(at, {0xFF, 0xD0, 0x48, 0x8B, 0x44, 0x24, 0x20});
  at = Count(at, 0x0D);
  at = Put(at, {0x48, 0x83, 0xC4, 0x28, 0xC3});
  const auto end = static_cast<DWORD>(at - code);
  // Their unwind data, so that a stack walked through them stays right:
  // version 1, a 4-byte prologue allocating 40 bytes.
  at = code + ((end + 3) & ~3u);
  const auto unwind = static_cast<DWORD>(at - code);
  at = Put(at, {0x01, 0x04, 0x01, 0x00, 0x04, 0x42, 0x00, 0x00});
  unwindTable = reinterpret_cast<RUNTIME_FUNCTION*>(at);
  *unwindTable = {0, end, unwind};
#endif
  DWORD old = 0;
  if (!VirtualProtect(code, kPage, PAGE_EXECUTE_READ, &old)) {
    VirtualFree(page, 0, MEM_RELEASE);
    code = nullptr;
    varnholt_dropAndReturn = varnholt_dropAndReturnStdcall16 = nullptr;
    return false;
  }
  FlushInstructionCache(GetCurrentProcess(), code, kPage);
#if defined(__x86_64__)
  RtlAddFunctionTable(unwindTable, 1, reinterpret_cast<DWORD64>(code));
#endif
  return true;
}

}  // namespace

LibraryEntry::LibraryEntry(bool counted) noexcept : counted_(counted) {
  if (counted_) ++entries;
}

LibraryEntry::~LibraryEntry() {
  if (counted_ && --entries == 0 && holding) {
    holding = false;
    varnholt_dropOwed = 1;  // the entry's last instruction drops it
  }
}

void HoldLibraryWhileMessagesRun() noexcept {
  if (holding || entries == 0 || !WriteDroppingInstructions()) return;
  HMODULE held = nullptr;
  holding = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCSTR>(&HoldLibraryWhileMessagesRun), &held) != FALSE;
}

void ReleaseLibraryHoldAtUnload() noexcept {
  if (code == nullptr || Running() != 0) return;  // they are unloading the library: they stay
#if defined(__x86_64__)
  RtlDeleteFunctionTable(unwindTable);
#endif
  VirtualFree(code, 0, MEM_RELEASE);
  code = nullptr;
}

}  // namespace varnholt
