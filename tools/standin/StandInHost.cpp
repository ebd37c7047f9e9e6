// The stand-in host: loads the plug-in DLL as the logging program does (by
// name, entry points found by name, called in the host's register convention
// in the 32-bit build), lends it an ODBC connection to a log table, and
// feeds it contacts from a file while its own thread runs a message loop.
//
//   standin [--dll PATH] [--connect ODBC-CONNECTION-STRING] [--table NAME]
//           [--picture FILE.bmp] [--station LABEL] [--prefix PREFIX]
//           [--keep-log] [--quiet] CONTACTS-FILE
//
// Exit status: 0 when every step worked, 1 when one failed (the plug-in
// cannot be loaded, the log cannot be reached or written, the contacts file
// cannot be read, the plug-in's window misbehaves), 2 for a bad command line.
#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "logfiles/ContactFile.h"
#include "HostLog.h"
#include "HostPaths.h"
#include "WindowPicture.h"

// The host passes arguments in registers (EAX, EDX, ECX) in the 32-bit build.
#if defined(__i386__)
#define HOSTCALL __attribute__((regparm(3)))
#else
#define HOSTCALL
#endif

namespace standin {

namespace {

using varnholt::Contact;
using varnholt::ContactFile;

typedef void(HOSTCALL* GetInfoFn)(void* info);
typedef std::int32_t(HOSTCALL* GetScoreFn)(const void* record);
typedef std::int32_t(HOSTCALL* AddQsoFn)(const void* record);
typedef void(HOSTCALL* GrabNumberFn)(const void* record, void* slot);
typedef HWND(HOSTCALL* RunFn)(std::int32_t ignored, const void* record);
typedef void(HOSTCALL* ReleaseFn)();

const char kUsage[] =
    "usage: standin [--dll PATH] [--connect ODBC-CONNECTION-STRING] [--table NAME]\n"
    "               [--picture FILE.bmp] [--station LABEL] [--prefix PREFIX]\n"
    "               [--keep-log] [--quiet] CONTACTS-FILE\n"
    "Loads the plug-in DLL (default: Varnholt.dll beside this program), opens its\n"
    "statistics window over a log (default: a fresh SQLite log in the temp folder),\n"
    "and adds each contact of CONTACTS-FILE (the sample log format or Cabrillo QSO:\n"
    "lines) to the log and to the plug-in, then prints the window's report.\n"
    "  --connect   use an existing log table through this ODBC connection string\n"
    "  --table     the log table's name (default Log)\n"
    "  --picture   save a picture of the statistics window as a BMP file\n"
    "  --station, --prefix   the station label and prefix (default: the file's)\n"
    "  --keep-log  keep the fresh SQLite log and print where it is\n"
    "  --quiet     no line per contact\n";

struct Options {
  std::string dll;
  std::string connect;
  std::string table = "Log";
  std::string picture;
  std::string station;
  std::string prefix;
  bool haveStation = false;
  bool havePrefix = false;
  bool keepLog = false;
  bool quiet = false;
  std::string contacts;
};

// Returns -1 when the options are good, else the exit status.
int ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--dll") {
      ok = value(o.dll);
    } else if (arg == "--connect") {
      ok = value(o.connect);
    } else if (arg == "--table") {
      ok = value(o.table) && !o.table.empty();
    } else if (arg == "--picture") {
      ok = value(o.picture);
    } else if (arg == "--station") {
      ok = o.haveStation = value(o.station);
    } else if (arg == "--prefix") {
      ok = o.havePrefix = value(o.prefix);
    } else if (arg == "--keep-log") {
      o.keepLog = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "standin: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    } else if (o.contacts.empty()) {
      o.contacts = arg;
    } else {
      std::fprintf(stderr, "standin: one contacts file only\n%s", kUsage);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "standin: %s needs a value\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (o.contacts.empty()) {
    std::fprintf(stderr, "standin: no contacts file\n%s", kUsage);
    return 2;
  }
  return -1;
}

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n > 0 && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' ||
                          out.back() == '.')) {
    out.pop_back();
  }
  return (out.empty() ? "error" : out) + " (error " + std::to_string(code) + ")";
}

// The plug-in as the host holds it: the module and its six entry points.
struct Plugin {
  HMODULE module = nullptr;
  GetInfoFn GetInfo = nullptr;
  GetScoreFn GetScore = nullptr;
  AddQsoFn AddQSO = nullptr;
  GrabNumberFn GrabNumber = nullptr;
  RunFn Run = nullptr;
  ReleaseFn Release = nullptr;
};

// Returns an empty string on success, else the failure.
std::string LoadPlugin(const std::string& path, Plugin& p) {
  p.module = LoadLibraryA(path.c_str());
  if (p.module == nullptr) {
    return "cannot load plug-in DLL '" + path + "': " + SystemMessage(GetLastError());
  }
  std::string missing;
  const auto find = [&](const char* name, auto& into) {
    FARPROC proc = GetProcAddress(p.module, name);
    if (proc == nullptr) missing += std::string(missing.empty() ? "" : ", ") + name;
    into = reinterpret_cast<std::remove_reference_t<decltype(into)>>(
        reinterpret_cast<void*>(proc));
  };
  find("_GetInfo", p.GetInfo);
  find("_GetScore", p.GetScore);
  find("_AddQSO", p.AddQSO);
  find("_GrabNumber", p.GrabNumber);
  find("_Run", p.Run);
  find("_Release", p.Release);
  if (!missing.empty()) {
    FreeLibrary(p.module);
    p.module = nullptr;
    return "plug-in DLL '" + path + "' lacks entry points: " + missing;
  }
  return {};
}

// A HostQsoRecord as this host fills it; bytes it has no use for stay zero.
class HostRecord {
 public:
  static constexpr std::size_t kSize = 5916;
  static constexpr std::size_t kLogTableName = 12, kCallSign = 268, kBand = 540, kMode = 796,
                               kContinent = 1052, kReport = 1308, kMainPrefix = 2332,
                               kDxccPrefix = 2588, kStationLabel = 3868, kStationPrefix = 4636;

  HostRecord() : bytes_(kSize, 0) {}
  void Text(std::size_t offset, const std::string& text) {
    const std::size_t n = text.size() > 255 ? 255 : text.size();
    bytes_[offset] = static_cast<std::uint8_t>(n);
    std::memcpy(&bytes_[offset + 1], text.data(), n);
  }
  // The connection handle fills the pointer's width at offset 0.
  void Connection(SQLHDBC connection) {
    std::memcpy(bytes_.data(), &connection, sizeof connection);
  }
  void Contact(const varnholt::Contact& c) {
    Text(kCallSign, c.callSign);
    Text(kBand, c.band);
    Text(kMode, c.mode);
    Text(kContinent, c.continent);
    Text(kReport, c.report);
    Text(kMainPrefix, c.mainPrefix);
    Text(kDxccPrefix, c.dxccPrefix);
  }
  const void* data() const { return bytes_.data(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::string ReadSlot(const std::uint8_t* slot) {
  return std::string(reinterpret_cast<const char*>(slot + 1), slot[0]);
}

std::string WindowText(HWND window) {
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got =
      SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

std::string WithoutCarriageReturns(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch != '\r') out += ch;
  }
  return out;
}

// The plug-in's error boxes are modal; nobody is at the keyboard to close
// them, so each is dismissed as a user would, as soon as it is activated, and
// reported on stderr as it goes, when its text is surely in place.
int errorBoxCount = 0;

LRESULT CALLBACK ErrorBoxHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    char cls[32] = {};
    GetClassNameA(box, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && code == HCBT_ACTIVATE) {
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else if (std::strcmp(cls, "#32770") == 0) {
      char caption[256] = {}, text[4096] = {};
      GetWindowTextA(box, caption, sizeof caption);
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text
      std::fprintf(stderr, "standin: the plug-in shows an error box \"%s\": %s\n", caption, text);
      std::fflush(stderr);
      ++errorBoxCount;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The host's side of one session, in steps that the message loop runs
// whenever its queue is empty, so that the plug-in's window gets its
// messages (painting included) between any two host actions.
class Session {
 public:
  Session(const Options& options, const Plugin& plugin, HostLog& log, const ContactFile& file,
          const HostRecord& base)
      : o_(options), plugin_(plugin), log_(log), file_(file), base_(base) {}

  bool Finished() const { return phase_ == Phase::Done; }
  int ExitStatus() const { return status_; }

  // Does one piece of work; false when the session only waits for the loop.
  bool Step() {
    switch (phase_) {
      case Phase::Open: return Open();
      case Phase::Feed: return Feed();
      case Phase::Show: return Show();
      case Phase::Settle:
        if (GetTickCount() - since_ < kSettleMs) return false;
        phase_ = Phase::Report;
        return true;
      case Phase::Report: return Report();
      case Phase::Closing: return Closing();
      case Phase::Done: return false;
    }
    return false;
  }

 private:
  enum class Phase { Open, Feed, Show, Settle, Report, Closing, Done };
  static constexpr DWORD kSettleMs = 200, kCloseTimeoutMs = 5000;

  bool Open() {
    form_ = plugin_.Run(0, base_.data());
    if (form_ == nullptr || !IsWindow(form_)) return Fail("_Run returned no window");
    std::printf("Window: \"%s\"\n", WindowText(form_).c_str());
    if (!o_.quiet) std::printf("%-12s %-5s %-5s %6s %6s\n", "call", "band", "mode", "check", "add");
    phase_ = Phase::Feed;
    return true;
  }

  bool Feed() {
    if (next_ >= file_.contacts.size()) {
      std::printf("%zu contacts: %d counted (%lld points), %d duplicates, %d not counted\n",
                  file_.contacts.size(), counted_, points_, duplicates_, notCounted_);
      phase_ = Phase::Show;
      return true;
    }
    const Contact& c = file_.contacts[next_++];
    HostRecord record = base_;
    record.Contact(c);
    const std::int32_t check = plugin_.GetScore(record.data());
    try {
      log_.Insert(o_.table, c);
    } catch (const HostLogError& e) {
      return Fail(e.what());
    }
    const std::int32_t added = plugin_.AddQSO(record.data());
    if (added > 0) {
      ++counted_;
      points_ += added;
    } else if (added < 0) {
      ++duplicates_;
    } else {
      ++notCounted_;
    }
    if (!o_.quiet) {
      std::printf("%-12s %-5s %-5s %6d %6d%s\n", c.callSign.c_str(), c.band.c_str(),
                  c.mode.c_str(), static_cast<int>(check), static_cast<int>(added),
                  added < 0 ? "  duplicate" : added == 0 ? "  not counted" : "");
    }
    return true;
  }

  // Before the picture: the window shown, not minimised, and fully painted.
  bool Show() {
    if (!IsWindow(form_)) return Fail("the plug-in's window is gone before the end");
    if (!o_.picture.empty()) {
      if (IsIconic(form_)) ShowWindow(form_, SW_RESTORE);
      if (!IsWindowVisible(form_)) ShowWindow(form_, SW_SHOWNA);
    }
    RedrawWindow(form_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    since_ = GetTickCount();
    phase_ = Phase::Settle;
    return true;
  }

  bool Report() {
    const HWND box = FindWindowExA(form_, nullptr, "EDIT", nullptr);
    if (box == nullptr) return Fail("the plug-in's window has no report box");
    if (!o_.picture.empty()) {
      const std::string problem = SaveWindowPicture(form_, WritablePath(o_.picture));
      if (!problem.empty()) return Fail("cannot save the picture: " + problem);
      RECT r;
      GetWindowRect(form_, &r);
      std::printf("Picture: %s (%ldx%ld)\n", o_.picture.c_str(), r.right - r.left,
                  r.bottom - r.top);
    }
    std::printf("Report:\n%s\n", WithoutCarriageReturns(WindowText(box)).c_str());
    return Close();
  }

  // The host is done with the plug-in: release its window, whose loop (this
  // one) then destroys it.
  bool Close() {
    plugin_.Release();
    since_ = GetTickCount();
    phase_ = Phase::Closing;
    return true;
  }

  bool Closing() {
    if (form_ == nullptr || !IsWindow(form_)) {
      phase_ = Phase::Done;
      return true;
    }
    if (GetTickCount() - since_ > kCloseTimeoutMs) {
      std::fprintf(stderr, "standin: the plug-in's window still exists %lu ms after _Release\n",
                   static_cast<unsigned long>(kCloseTimeoutMs));
      status_ = 1;
      phase_ = Phase::Done;
    }
    return false;
  }

  bool Fail(const std::string& why) {
    std::fflush(stdout);
    std::fprintf(stderr, "standin: %s\n", why.c_str());
    status_ = 1;
    return Close();
  }

  const Options& o_;
  const Plugin& plugin_;
  HostLog& log_;
  const ContactFile& file_;
  const HostRecord& base_;
  Phase phase_ = Phase::Open;
  int status_ = 0;
  HWND form_ = nullptr;
  std::size_t next_ = 0;
  int counted_ = 0, duplicates_ = 0, notCounted_ = 0;
  long long points_ = 0;
  DWORD since_ = 0;
};

// The host's message loop: every waiting message first, then one host step.
void RunMessageLoop(Session& session) {
  while (!session.Finished()) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;  // the session decides when it ends
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (!session.Step()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

int Main(int argc, char** argv) {
  // Under Wine the output goes to Unix terminals and pipes: plain LF lines.
  if (UnderWine()) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
  }
  Options o;
  const int bad = ParseOptions(argc, argv, o);
  if (bad >= 0) return bad;

  ContactFile file;
  try {
    file = varnholt::ReadContactFile(ReadablePath(o.contacts));
  } catch (const varnholt::ContactFileError& e) {
    std::fprintf(stderr, "standin: %s\n", e.what());
    return 1;
  }
  if (o.haveStation) file.stationLabel = o.station;
  if (o.havePrefix) file.stationPrefix = o.prefix;

  const std::string dll =
      o.dll.empty() ? ProgramFolder() + "Varnholt.dll" : ReadablePath(o.dll);
  Plugin plugin;
  const std::string loadProblem = LoadPlugin(dll, plugin);
  if (!loadProblem.empty()) {
    std::fprintf(stderr, "standin: %s\n", loadProblem.c_str());
    return 1;
  }
  std::vector<std::uint8_t> info(1024, 0);
  plugin.GetInfo(info.data());
  std::int32_t word1 = 0, word2 = 0;
  std::memcpy(&word1, &info[256], sizeof word1);
  std::memcpy(&word2, &info[516], sizeof word2);
  std::printf("Plug-in: %s, identification %s, info words %d %d\n", ReadSlot(&info[0]).c_str(),
              ReadSlot(&info[260]).c_str(), static_cast<int>(word1), static_cast<int>(word2));

  // A fresh SQLite log unless the caller names a connection.
  std::string localLog, connection = o.connect;
  if (connection.empty()) {
    localLog = TempFolder() + "standin-log-" + std::to_string(GetCurrentProcessId()) + ".db";
    DeleteFileA(localLog.c_str());
    connection = std::string("Driver=") + (UnderWine() ? "SQLite3" : "SQLite3 ODBC Driver") +
                 ";Database=" + DriverPath(localLog);
  }
  int status = 0;
  {
    HostLog* log = nullptr;
    try {
      log = new HostLog(connection);
      if (!localLog.empty()) {
        log->CreateLogTable(o.table);
        // A scratch log: no need to wait for the disk after every contact.
        log->Execute("PRAGMA synchronous=OFF");
      }
    } catch (const HostLogError& e) {
      std::fprintf(stderr, "standin: %s\n", e.what());
      delete log;
      FreeLibrary(plugin.module);
      if (!localLog.empty()) DeleteFileA(localLog.c_str());
      return 1;
    }
    std::printf("Log: %s, table %s\n", connection.c_str(), o.table.c_str());
    std::printf("Station: %s (%s)\n", file.stationLabel.c_str(), file.stationPrefix.c_str());

    HostRecord base;
    base.Connection(log->Connection());
    base.Text(HostRecord::kLogTableName, o.table);
    base.Text(HostRecord::kStationLabel, file.stationLabel);
    base.Text(HostRecord::kStationPrefix, file.stationPrefix);

    const HHOOK hook = SetWindowsHookExA(WH_CBT, ErrorBoxHook, nullptr, GetCurrentThreadId());
    Session session(o, plugin, *log, file, base);
    RunMessageLoop(session);
    status = session.ExitStatus();
    if (hook) UnhookWindowsHookEx(hook);
    if (errorBoxCount > 0) {
      std::fprintf(stderr, "standin: the plug-in showed %d error box(es)\n", errorBoxCount);
    }

    // The plug-in goes before the connection it borrowed.
    FreeLibrary(plugin.module);
    delete log;
  }
  if (!localLog.empty()) {
    if (o.keepLog) {
      std::fprintf(stderr, "standin: the log is kept in %s\n", DriverPath(localLog).c_str());
    } else {
      DeleteFileA(localLog.c_str());
    }
  }
  std::fflush(stdout);
  return status;
}

}  // namespace

}  // namespace standin

int main(int argc, char** argv) { return standin::Main(argc, argv); }
