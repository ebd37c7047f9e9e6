// The registry as the placement store uses it: the single-byte calls, one
// owner per key handle, and the store's error messages.
#pragma once

#include <windows.h>

#include <string>

#include "common/UniqueHandle.h"

namespace varnholt {

// One open registry key. Predefined root keys are never put in one.
using RegKey = UniqueHandle<HKEY, &::RegCloseKey>;

// One pass's connection to the store's key path: the key path is opened (or
// created) once, each value's subkey is opened for that value only.
//
// A connection whose key path could be neither opened nor created reads every
// value as its default and writes nothing, without an error: falling back to
// the root key instead would read and write another program's data.
//
// Reading raises PluginError "Invalid data type for '<name>'" for data that
// is not a string, and "Failed to get data for '<name>'" when the data cannot
// be read after its size was known. Writing raises "Failed to create key
// <subkey>" and "Failed to set data for '<name>'".
class RegistryConnection {
 public:
  enum class Mode { Read, Write };

  // Opens or creates `keyPath` under `root` with full access; an empty key
  // path gives a connection with no key. Subkeys are then opened with read
  // access in a read connection and full access in a write connection.
  RegistryConnection(HKEY root, const std::string& keyPath, Mode mode);

  bool HasKey() const { return static_cast<bool>(key_); }

  // The text of value `name` in `subkey`, cut at its first zero byte;
  // `fallback` when the subkey or the value does not exist; empty for data of
  // size 0. String data (REG_SZ, and REG_EXPAND_SZ unexpanded) of any size is
  // read whole, also when it changes between the size query and the read.
  std::string ReadString(const std::string& subkey, const std::string& name, const std::string& fallback) const;

  // Stores `text` as REG_SZ with its terminating zero, creating `subkey` when
  // missing. A subkey that exists but cannot be opened is left alone.
  void WriteString(const std::string& subkey, const std::string& name, const std::string& text) const;

 private:
  RegKey key_;
  REGSAM subkeyAccess_;
};

}  // namespace varnholt
