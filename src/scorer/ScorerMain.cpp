// varnholt-score: the plug-in's scoring rules applied to whole logs, outside
// the host, printing the report the statistics window would show.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "logfiles/ContactFile.h"
#include "mainform/ErrorText.h"
#include "mainform/TextRules.h"
#include "scorer/LogDatabase.h"
#include "scorer/ScoreLog.h"
#include "scorer/ScoreOutput.h"
#ifdef _WIN32
#include "mainform/KeyCollation_win.h"
#endif

using namespace varnholt;

namespace {

constexpr const char* kProgram = "varnholt-score";

const char* const kUsage =
    "usage: varnholt-score [options] LOG...\n"
    "       varnholt-score [options] --db DATABASE --table NAME\n"
    "\n"
    "Scores each log with the plug-in's rules and prints the report its\n"
    "statistics window would show for the same contacts in the same order.\n"
    "LOG is a Cabrillo, ADIF or sample log, its format told from its content.\n"
    "\n"
    "  --db DATABASE         an ODBC connection string, or an SQLite database file;\n"
    "                        its table is read as the window's re-scan reads it\n"
    "  --table NAME          the log table in DATABASE\n"
    "  --station-prefix P    the station's own DXCC prefix (default: from the\n"
    "                        log's CALLSIGN: or STATION_CALLSIGN)\n"
    "  --format F            read every LOG as F: cabrillo, adif or sample\n"
    "  --json                a JSON object per log instead of the report\n"
    "  --explain             a line per contact (points or duplicate, and any new\n"
    "                        multiplier), then the report\n"
    "  --strict              stop at a log's first bad line instead of passing over it\n"
    "\n"
    "Exit status: 0 all scored; 1 some lines were passed over; 2 bad usage;\n"
    "3 a log could not be scored.\n";

enum ExitStatus { kAllScored = 0, kLinesPassedOver = 1, kBadUsage = 2, kNotScored = 3 };

enum class Output { Report, Json, Explain };

struct Options {
  std::vector<std::string> logs;
  std::optional<std::string> database, table, stationPrefix;
  std::optional<LogFormat> format;
  Output output = Output::Report;
  bool strict = false;
};

std::optional<LogFormat> FormatNamed(const std::string& name) {
  if (name == "cabrillo") return LogFormat::Cabrillo;
  if (name == "adif") return LogFormat::Adif;
  if (name == "sample") return LogFormat::Sample;
  return std::nullopt;
}

// Reads the options; on a mistake, says what it is and returns nothing.
std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  auto fail = [](const std::string& why) -> std::optional<Options> {
    std::cerr << kProgram << ": " << why << "\n" << kUsage;
    return std::nullopt;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--db") {
      ok = value(o.database);
    } else if (arg == "--table") {
      ok = value(o.table);
    } else if (arg == "--station-prefix") {
      ok = value(o.stationPrefix);
    } else if (arg == "--format") {
      std::optional<std::string> name;
      ok = value(name);
      if (ok && !(o.format = FormatNamed(*name))) return fail("unknown format '" + *name + "'");
    } else if (arg == "--json" || arg == "--explain") {
      const Output wanted = arg == "--json" ? Output::Json : Output::Explain;
      if (o.output != Output::Report && o.output != wanted)
        return fail("--json and --explain exclude each other");
      o.output = wanted;
    } else if (arg == "--strict") {
      o.strict = true;
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      std::exit(kAllScored);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option '" + arg + "'");
    } else {
      o.logs.push_back(arg);
    }
    if (!ok) return fail(arg + " needs a value");
  }
  if (o.database.has_value() != o.table.has_value()) return fail("--db and --table go together");
  if (o.database && !o.logs.empty()) return fail("give either log files or --db, not both");
  if (!o.database && o.logs.empty()) return fail("no log to score");
  return o;
}

#ifdef _WIN32
using SystemCollation = LocaleKeyCollation;  // as the window compares multiplier keys here
#else
using SystemCollation = AsciiKeyCollation;
#endif

class LogRun {
 public:
  LogRun(const Options& options, std::string name)
      : options_(options),
        name_(std::move(name)),
        scorer_(collation_, options.output == Output::Json      ? static_cast<ScoreWatcher*>(&json_)
                            : options.output == Output::Explain ? static_cast<ScoreWatcher*>(&explain_)
                                                                : nullptr) {
    if (options.stationPrefix) scorer_.FixStationPrefix(*options.stationPrefix);
    scorer_.SetStrict(options.strict);
  }

  ExitStatus ScoreFile() {
    std::string text;
    try {
      text = ReadWholeFile(name_);
    } catch (const ContactFileError& e) {
      return NotScored(e.what());
    }
    std::optional<LogFormat> format = options_.format ? options_.format : DetectLogFormat(text);
    if (!format) return NotScored(name_ + ": not a Cabrillo, ADIF or sample log");
    format_ = LogFormatName(*format);
    try {
      ReadLog(text, *format, scorer_);
    } catch (const StrictStop& e) {
      return NotScored(name_ + ": " + e.what());
    }
    return Finish();
  }

  ExitStatus ScoreTable() {
    format_ = "table";
    try {
      LogDatabase database(*options_.database);
      ScoreLogTable(database.Connection(), *options_.table, scorer_);
    } catch (const LogDatabaseError& e) {
      return NotScored(e.what());
    } catch (const PluginError& e) {
      return NotScored(name_ + ": " + e.what());
    }
    return Finish();
  }

 private:
  ExitStatus NotScored(const std::string& why) {
    std::cout.flush();
    std::cerr << kProgram << ": " << why << "\n";
    return kNotScored;
  }

  ExitStatus Finish() {
    const std::vector<LogLineError>& bad = scorer_.BadLines();
    for (const LogLineError& e : bad) {
      std::cerr << kProgram << ": " << name_ << ": line " << e.line << ": " << e.message
                << " (passed over)\n";
    }
    // A damaged file can lose many lines: how many, and where to look first.
    if (bad.size() > 1) {
      std::cerr << kProgram << ": " << name_ << ": " << bad.size() << " lines passed over, the first at lines ";
      for (std::size_t i = 0; i < std::min<std::size_t>(bad.size(), 5); ++i) {
        std::cerr << (i > 0 ? ", " : "") << bad[i].line;
      }
      std::cerr << "\n";
    }
    if (options_.output == Output::Json) {
      std::cout << json_.Object(scorer_, name_, format_) << "\n";
    } else {
      if (options_.output == Output::Explain) std::cout << "\n";
      std::cout << ReportLines(scorer_.BandStatistics());
    }
    if (Trim(scorer_.StationPrefix()).empty()) {
      std::cerr << kProgram << ": " << name_
                << ": no station prefix (give --station-prefix): the station counts as outside"
                   " the home region\n";
    }
    return scorer_.BadLines().empty() ? kAllScored : kLinesPassedOver;
  }

  const Options& options_;
  std::string name_;
  std::string format_;
  SystemCollation collation_;
  JsonCollector json_;
  ExplainWriter explain_{std::cout};
  LogScorer scorer_;
};

// Runs one log; what no reader foresaw (memory running out on a huge log)
// ends that log, not the batch.
template <typename Score>
ExitStatus Guarded(const std::string& name, Score score) {
  try {
    return score();
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << kProgram << ": " << name << ": " << e.what() << "\n";
    return kNotScored;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return kBadUsage;
  std::ios::sync_with_stdio(false);
  if (options->database) {
    return Guarded(*options->table, [&] { return LogRun(*options, *options->table).ScoreTable(); });
  }
  int status = kAllScored;
  const bool several = options->logs.size() > 1;
  for (std::size_t i = 0; i < options->logs.size(); ++i) {
    const std::string& log = options->logs[i];
    if (several && options->output != Output::Json)
      std::cout << (i > 0 ? "\n" : "") << "==> " << log << " <==\n";
    status =
        std::max(status, static_cast<int>(Guarded(log, [&] { return LogRun(*options, log).ScoreFile(); })));
  }
  return status;
}
