#include "HostAbi.h"

#include <cstring>
#include <type_traits>

namespace host {

namespace {

// "The system's text (error N)".
std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n > 0 && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
    out.pop_back();
  return (out.empty() ? "error" : out) + " (error " + std::to_string(code) + ")";
}

}  // namespace

std::string Plugin::Load(const std::string& path) {
  module = LoadLibraryA(path.c_str());
  if (module == nullptr) return "cannot load plug-in DLL '" + path + "': " + SystemMessage(GetLastError());
  std::string missing;
  const auto find = [&](const char* name, auto& into) {
    FARPROC proc = GetProcAddress(module, name);
    if (proc == nullptr) missing += std::string(missing.empty() ? "" : ", ") + name;
    into = reinterpret_cast<std::remove_reference_t<decltype(into)>>(reinterpret_cast<void*>(proc));
  };
  find("_GetInfo", GetInfo);
  find("_GetScore", GetScore);
  find("_AddQSO", AddQSO);
  find("_GrabNumber", GrabNumber);
  find("_Run", Run);
  find("_Release", Release);
  if (missing.empty()) return {};
  Unload();
  return "plug-in DLL '" + path + "' lacks entry points: " + missing;
}

void Plugin::Unload() {
  if (module != nullptr) FreeLibrary(module);
  *this = Plugin{};
}

Record& Record::Text(std::size_t offset, const std::string& text) {
  const std::size_t n = text.size() > 255 ? 255 : text.size();
  bytes_[offset] = static_cast<std::uint8_t>(n);
  std::memcpy(&bytes_[offset + 1], text.data(), n);
  return *this;
}

Record& Record::Connection(SQLHDBC connection) {
  std::memcpy(bytes_.data(), &connection, sizeof connection);
  return *this;
}

Record& Record::Contact(const std::string& call, const std::string& band, const std::string& mode,
                        const std::string& report, const std::string& dxcc) {
  return Text(kCallSign, call).Text(kBand, band).Text(kMode, mode).Text(kReport, report).Text(kDxccPrefix, dxcc);
}

void CreateLogTable(varnholt::odbc::Connection& log, const std::string& table) {
  log.Execute("CREATE TABLE " + table +
              " (Id INTEGER PRIMARY KEY, CallSign TEXT, DigiBand TEXT, QSOMode TEXT, Continent TEXT,"
              " QSOReportRecived TEXT, MainPrefix TEXT, DXCCPrefix TEXT)");
}

void InsertLogRow(varnholt::odbc::Connection& log, const std::string& table, const varnholt::Contact& c) {
  log.Execute("INSERT INTO " + table +
                  " (CallSign, DigiBand, QSOMode, Continent, QSOReportRecived, MainPrefix, DXCCPrefix)"
                  " VALUES (?, ?, ?, ?, ?, ?, ?)",
              {c.callSign, c.band, c.mode, c.continent, c.report, c.mainPrefix, c.dxccPrefix},
              "cannot add " + c.callSign + " to the log table " + table);
}

}  // namespace host
