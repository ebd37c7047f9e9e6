#include "placement/Registry_win.h"

#include <vector>

#include "common/PluginError.h"
#include "placement/PlacementText.h"

namespace varnholt {

namespace {

// How often a read follows a value that keeps growing under it before giving
// up; another process would have to rewrite it larger every time.
constexpr int kReadAttempts = 8;

[[noreturn]] void FailToGetData(const std::string& name) {
  throw PluginError("Failed to get data for '" + name + "'");
}

}  // namespace

RegistryConnection::RegistryConnection(HKEY root, const std::string& keyPath, Mode mode)
    : subkeyAccess_(mode == Mode::Read ? KEY_READ : KEY_ALL_ACCESS) {
  if (keyPath.empty()) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS)
    key_.Reset(key);
}

std::string RegistryConnection::ReadString(const std::string& subkey, const std::string& name,
                                           const std::string& fallback) const {
  if (!key_) return fallback;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(key_.Get(), subkey.c_str(), 0, subkeyAccess_, &opened) != ERROR_SUCCESS) return fallback;
  const RegKey sub(opened);

  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(sub.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return fallback;
  if (size == 0) return {};

  // The value may change between the size query and the read: a larger value
  // answers ERROR_MORE_DATA with its new size, and the read is tried again.
  std::vector<unsigned char> data;
  DWORD length = 0;
  for (int attempt = 1;; ++attempt) {
    // Never hand over a null buffer: that would only query the size again.
    data.resize(size > 0 ? size : 1);
    length = static_cast<DWORD>(data.size());
    const LONG result = RegQueryValueExA(sub.Get(), name.c_str(), nullptr, &type, data.data(), &length);
    if (result == ERROR_SUCCESS) break;
    if (result != ERROR_MORE_DATA || attempt == kReadAttempts) FailToGetData(name);
    size = length > data.size() ? length : static_cast<DWORD>(data.size() * 2);
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw PluginError("Invalid data type for '" + name + "'");
  // The reported length never exceeds the buffer on success; keep it inside
  // anyway, the text must not be read past what was allocated.
  return TextFromRegistryData(data.data(), length < data.size() ? length : data.size());
}

void RegistryConnection::WriteString(const std::string& subkey, const std::string& name,
                                     const std::string& text) const {
  if (!key_) return;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(key_.Get(), subkey.c_str(), 0, subkeyAccess_, &opened) != ERROR_SUCCESS) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(key_.Get(), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &created, nullptr) != ERROR_SUCCESS)
      throw PluginError("Failed to create key " + subkey);
    RegKey(created).Reset();
    opened = nullptr;
    if (RegOpenKeyExA(key_.Get(), subkey.c_str(), 0, subkeyAccess_, &opened) != ERROR_SUCCESS) return;
  }
  const RegKey sub(opened);

  const std::size_t bytes = text.size() + 1;  // with the terminating zero
  if (bytes > MAXDWORD ||
      RegSetValueExA(sub.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(bytes)) != ERROR_SUCCESS)
    throw PluginError("Failed to set data for '" + name + "'");
}

}  // namespace varnholt
