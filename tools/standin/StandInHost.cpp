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

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "HostLoop.h"
#include "HostPaths.h"
#include "WindowPicture.h"
#include "logfiles/ContactFile.h"
#include "odbc/Connection.h"

namespace standin {

namespace {

using host::Plugin;
using host::Record;
using varnholt::Contact;
using varnholt::ContactFile;
using varnholt::odbc::Connection;

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

std::string ReadSlot(const std::uint8_t* slot) {
  return std::string(reinterpret_cast<const char*>(slot + 1), slot[0]);
}

std::string WithoutCarriageReturns(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch != '\r') out += ch;
  }
  return out;
}

// The host's side of one session, in steps that the message loop runs
// whenever its queue is empty, so that the plug-in's window gets its
// messages (painting included) between any two host actions.
class Session {
 public:
  Session(const Options& options, const Plugin& plugin, Connection& log, const ContactFile& file,
          const Record& base)
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
    std::printf("Window: \"%s\"\n", host::WindowText(form_).c_str());
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
    Record record = base_;
    record.Contact(c.callSign, c.band, c.mode, c.report, c.dxccPrefix);
    record.Text(Record::kContinent, c.continent).Text(Record::kMainPrefix, c.mainPrefix);
    const std::int32_t check = plugin_.GetScore(record.data());
    try {
      host::InsertLogRow(log_, o_.table, c);
    } catch (const varnholt::odbc::Error& e) {
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
    const HWND box = host::ReportBox(form_);
    if (box == nullptr) return Fail("the plug-in's window has no report box");
    if (!o_.picture.empty()) {
      const std::string problem = SaveWindowPicture(form_, WritablePath(o_.picture));
      if (!problem.empty()) return Fail("cannot save the picture: " + problem);
      RECT r;
      GetWindowRect(form_, &r);
      std::printf("Picture: %s (%ldx%ld)\n", o_.picture.c_str(), r.right - r.left,
                  r.bottom - r.top);
    }
    std::printf("Report:\n%s\n", WithoutCarriageReturns(host::WindowText(box)).c_str());
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
  Connection& log_;
  const ContactFile& file_;
  const Record& base_;
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
    host::PumpMessages();  // a WM_QUIT among them ends nothing: the session decides
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
    // Calls are placed with the compiled-in country file, as the scorer
    // places them without --cty.
    file = varnholt::ReadContactFile(ReadablePath(o.contacts), varnholt::kBuiltInCountryData);
  } catch (const varnholt::ContactFileError& e) {
    std::fprintf(stderr, "standin: %s\n", e.what());
    return 1;
  }
  if (o.haveStation) file.stationLabel = o.station;
  if (o.havePrefix) file.stationPrefix = o.prefix;

  const std::string dll =
      o.dll.empty() ? ProgramFolder() + "Varnholt.dll" : ReadablePath(o.dll);
  Plugin plugin;
  const std::string loadProblem = plugin.Load(dll);
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
    std::unique_ptr<Connection> log;
    try {
      log = std::make_unique<Connection>(connection);
      if (!localLog.empty()) {
        host::CreateLogTable(*log, o.table);
        // A scratch log: no need to wait for the disk after every contact.
        log->Execute("PRAGMA synchronous=OFF");
      }
    } catch (const varnholt::odbc::Error& e) {
      std::fprintf(stderr, "standin: %s\n", e.what());
      log.reset();
      plugin.Unload();
      if (!localLog.empty()) DeleteFileA(localLog.c_str());
      return 1;
    }
    std::printf("Log: %s, table %s\n", connection.c_str(), o.table.c_str());
    std::printf("Station: %s (%s)\n", file.stationLabel.c_str(), file.stationPrefix.c_str());

    Record base;
    base.Connection(reinterpret_cast<SQLHDBC>(log->Handle())).Text(Record::kLogTableName, o.table);
    base.Text(Record::kStationLabel, file.stationLabel).Text(Record::kStationPrefix, file.stationPrefix);

    std::size_t errorBoxes = 0;
    {
      // The plug-in's error boxes are modal; nobody is at the keyboard to
      // close them, so each is dismissed and reported on stderr as it goes.
      host::ErrorBoxes boxes([](const host::ErrorBoxes::Box& box) {
        std::fprintf(stderr, "standin: the plug-in shows an error box \"%s\": %s\n", box.caption.c_str(),
                     box.text.c_str());
        std::fflush(stderr);
      });
      Session session(o, plugin, *log, file, base);
      RunMessageLoop(session);
      status = session.ExitStatus();
      errorBoxes = boxes.Seen().size();
    }
    if (errorBoxes > 0) {
      std::fprintf(stderr, "standin: the plug-in showed %zu error box(es)\n", errorBoxes);
    }

    // The plug-in goes before the connection it borrowed.
    plugin.Unload();
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
