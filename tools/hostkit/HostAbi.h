// The host's side of the plug-in's ABI, as a logging program sees it: the
// record it fills, the six entry points it finds by name and calls in its
// register convention, loading and unloading the DLL, and the log table it
// lends. Written from the host's view on purpose, apart from the plug-in's
// own src/plugin/Plugin.h: two independent descriptions of one ABI check
// each other.
#pragma once

#include <windows.h>
#include <sql.h>

#include <cstdint>
#include <string>
#include <vector>

#include "logfiles/Contact.h"
#include "odbc/Connection.h"

// The host passes arguments in registers (EAX, EDX, ECX) in the 32-bit
// build. Calling through these types is what makes a wrong convention on the
// plug-in's side fail.
#if defined(__i386__)
#define HOSTCALL __attribute__((regparm(3)))
#else
#define HOSTCALL
#endif

namespace host {

// The six entry points, found by name as the host finds them.
struct Plugin {
  HMODULE module = nullptr;
  void(HOSTCALL* GetInfo)(void* info) = nullptr;
  std::int32_t(HOSTCALL* GetScore)(const void* record) = nullptr;
  std::int32_t(HOSTCALL* AddQSO)(const void* record) = nullptr;
  void(HOSTCALL* GrabNumber)(const void* record, void* slot) = nullptr;
  HWND(HOSTCALL* Run)(std::int32_t ignored, const void* record) = nullptr;
  void(HOSTCALL* Release)() = nullptr;

  // LoadLibrary and the six names. Returns "" when all are there, else what
  // failed (the DLL is then unloaded again).
  std::string Load(const std::string& path);
  // FreeLibrary, as a host unloading its plug-ins does; nothing when not loaded.
  void Unload();
};

// A HostQsoRecord filled as the host fills it; bytes it has no use for stay zero.
class Record {
 public:
  static constexpr std::size_t kSize = 5916;
  static constexpr std::size_t kLogTableName = 12, kCallSign = 268, kBand = 540, kMode = 796,
                               kContinent = 1052, kReport = 1308, kMainPrefix = 2332,
                               kDxccPrefix = 2588, kStationLabel = 3868, kStationPrefix = 4636;

  Record() : bytes_(kSize, 0) {}
  // A text slot: a length byte and at most 255 characters.
  Record& Text(std::size_t offset, const std::string& text);
  // The log connection handle fills the pointer's width at offset 0.
  Record& Connection(SQLHDBC connection);
  Record& Contact(const std::string& call, const std::string& band, const std::string& mode,
                  const std::string& report = "599", const std::string& dxcc = "DL");
  const void* data() const { return bytes_.data(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The host's log table: an Id beside the seven columns the plug-in reads
// ("Recived" is the host's spelling), and a contact's row put in through
// statement parameters (throws "cannot add CALL to the log table TABLE").
void CreateLogTable(varnholt::odbc::Connection& log, const std::string& table);
void InsertLogRow(varnholt::odbc::Connection& log, const std::string& table, const varnholt::Contact& contact);

}  // namespace host
