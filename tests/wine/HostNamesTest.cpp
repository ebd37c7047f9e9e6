// The plug-in in a host whose file name is in the operator's language: run
// as a copy of this program under that name, with Wine playing the
// operator's code page (tests/wine/host_names_test.sh). The window opens on
// no log, so the re-scan fails and shows its error box; the release then
// stores the placement. Both names are read back as Unicode and held
// against the ones given on the command line:
//
//   HostNamesTest CAPTION KEY
//
// CAPTION is the error box's caption, KEY the name of the registry key
// under HKEY_CURRENT_USER\Software that holds the subkey TfmMainForm.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

#include "DllHost.h"

namespace {

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

// The keys under HKEY_CURRENT_USER\Software that hold a placement.
std::set<std::wstring> PlacementKeys() {
  std::set<std::wstring> keys;
  HKEY software = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software) != ERROR_SUCCESS) return keys;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(software, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY placement = nullptr;
    if (RegOpenKeyExW(software, (std::wstring(name) + L"\\TfmMainForm").c_str(), 0, KEY_READ, &placement) ==
        ERROR_SUCCESS) {
      keys.insert(name);
      RegCloseKey(placement);
    }
  }
  RegCloseKey(software);
  return keys;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 3) {
    std::fprintf(stderr, "usage: HostNamesTest CAPTION KEY\n");
    return 2;
  }
  const std::wstring wantedCaption = argv[1], wantedKey = argv[2];
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + wantedKey).c_str());
  const std::set<std::wstring> before = PlacementKeys();

  std::wstring caption = L"(no error box)";
  {
    host::ErrorBoxes boxes([&](const host::ErrorBoxes::Box& box) { caption = box.wideCaption; });
    host::Plugin& plugin = host::LoadPlugin();
    host::Record record;
    record.Text(host::Record::kLogTableName, "Log");
    plugin.Run(0, record.data());  // no log connection: the re-scan fails
    host::ReleaseAndSettle();
  }
  std::wstring key = L"(none)";
  for (const std::wstring& k : PlacementKeys())
    if (!before.count(k)) key = k;

  std::printf("code page %u: caption \"%s\", key \"Software\\%s\"\n", GetACP(), Utf8(caption).c_str(),
              Utf8(key).c_str());
  int failed = 0;
  if (caption != wantedCaption) {
    std::printf("  the caption should be \"%s\"\n", Utf8(wantedCaption).c_str());
    failed = 1;
  }
  if (key != wantedKey) {
    std::printf("  the key should be \"Software\\%s\"\n", Utf8(wantedKey).c_str());
    failed = 1;
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + key).c_str());
  return failed;
}
