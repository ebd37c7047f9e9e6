#include "HostPaths.h"

#include <windows.h>

#include <vector>

namespace standin {

namespace {

// Exported by Wine's kernel32; absent on Windows. Both return memory from
// the process heap.
using ToDosFn = WCHAR*(CDECL*)(const char* unixPath);
using ToUnixFn = char*(CDECL*)(const WCHAR* dosPath);

template <typename Fn>
Fn WineFunction(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

std::string Narrow(const WCHAR* wide) {
  const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

std::vector<WCHAR> Widen(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::vector<WCHAR> out(static_cast<std::size_t>(n > 0 ? n : 1), 0);
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
  return out;
}

bool IsUnixPath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string DosFromUnix(const std::string& path) {
  const auto toDos = WineFunction<ToDosFn>("wine_get_dos_file_name");
  if (toDos == nullptr || !IsUnixPath(path)) return path;
  WCHAR* dos = toDos(path.c_str());
  if (dos == nullptr) return path;
  std::string out = Narrow(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

}  // namespace

bool UnderWine() { return WineFunction<ToUnixFn>("wine_get_unix_file_name") != nullptr; }

std::string ReadablePath(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  const std::string dos = DosFromUnix(path);
  if (GetFileAttributesA(dos.c_str()) != INVALID_FILE_ATTRIBUTES) return dos;
  return path;  // so that a failure names the file as the user wrote it
}

std::string WritablePath(const std::string& path) { return DosFromUnix(path); }

std::string DriverPath(const std::string& localPath) {
  const auto toUnix = WineFunction<ToUnixFn>("wine_get_unix_file_name");
  if (toUnix == nullptr) return localPath;
  char* unixPath = toUnix(Widen(localPath).data());
  if (unixPath == nullptr) return localPath;
  std::string out = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return out;
}

std::string ProgramFolder() {
  // Split as Unicode: in a double-byte code page the ANSI path's bytes
  // hold backslashes that are halves of characters.
  WCHAR path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n < MAX_PATH ? n : 0);
  const std::size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::string(".\\") : Narrow(folder.substr(0, slash + 1).c_str());
}

std::string TempFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof path, path);
  if (n == 0 || n > MAX_PATH) return ".\\";
  std::string folder(path, n);
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

}  // namespace standin
