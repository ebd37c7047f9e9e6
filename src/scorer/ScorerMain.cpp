// varnholt-score: the plug-in's scoring rules applied to whole logs, outside
// the host, printing the report the statistics window would show.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/PluginError.h"
#include "common/TextRules.h"
#include "logfiles/ContactFile.h"
#include "logfiles/CountryFile.h"
#include "mainform/KeyCollation.h"
#include "scorer/ArgumentText.h"
#include "scorer/LogDatabase.h"
#include "scorer/LogPage.h"
#include "scorer/ScoreLog.h"
#include "scorer/ScoreOutput.h"
#include "scorer/TimeAnalysis.h"
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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
    "LOG is a Cabrillo, ADIF or sample log, its format told from its content;\n"
    "- reads one from standard input.\n"
    "\n"
    "  --db DATABASE         an ODBC connection string, or an SQLite database file;\n"
    "                        its table is read as the window's re-scan reads it\n"
    "  --table NAME          the log table in DATABASE\n"
    "  --station-prefix P    the station's own DXCC prefix (default: from the\n"
    "                        log's CALLSIGN: or STATION_CALLSIGN)\n"
    "  --format F            read every LOG as F: cabrillo, adif or sample\n"
    "  --json                a JSON object per log instead of the report, with the\n"
    "                        hours, rates and off periods\n"
    "  --explain             a line per contact (points or duplicate, and any new\n"
    "                        multiplier), then the report\n"
    "  --summary             the text for a score-reporting site instead of the\n"
    "                        report: per band, totals, operating and off-time\n"
    "  --html FILE           also write a page about the log to FILE: summary,\n"
    "                        rates, off periods, charts and the log hour by hour\n"
    "  --off-time MINUTES    the shortest gap between two contacts that counts as\n"
    "                        time off the air (default 60), for the three above\n"
    "  --strict              stop at a log's first bad line instead of passing over it\n"
    "  --cty FILE            place calls with this country file (cty.dat) instead of\n"
    "                        the one compiled in\n"
    "  --check-calls         with --explain or --json, mark each worked call that is\n"
    "                        not in the check list of active contest calls (MASTER.SCP)\n"
    "  --scp FILE            check calls against this list instead of the one\n"
    "                        compiled in (implies --check-calls)\n"
    "  --version             the program's version and those of its data files\n"
    "\n"
    "Exit status: 0 all scored; 1 some lines were passed over; 2 bad usage, or a\n"
    "--cty or --scp file that cannot be read; 3 a log could not be scored.\n";

enum ExitStatus { kAllScored = 0, kLinesPassedOver = 1, kBadUsage = 2, kNotScored = 3 };

enum class Output { Report, Json, Explain, Summary };

// The longest --off-time taken: a year, well past any log's span.
constexpr int kMostOffMinutes = 366 * 24 * 60;

struct Options {
  std::vector<std::string> logs;
  std::optional<std::string> database, table, stationPrefix, countryFile, callList, html;
  std::optional<LogFormat> format;
  Output output = Output::Report;
  bool strict = false;
  bool checkCalls = false;
  std::string checkOption;  // the option that asked for it, for messages
  int offMinutes = kDefaultOffMinutes;
  bool offMinutesGiven = false;
  // Whether the analysis over time is asked for.
  bool OverTime() const { return output == Output::Json || output == Output::Summary || html.has_value(); }
};

// A whole number from 1 to `most`, written in decimal digits alone.
std::optional<int> PositiveNumber(const std::string& text, int most) {
  const std::optional<int> value = DecimalNumber(text);
  if (!value || *value < 1 || *value > most) return std::nullopt;
  return value;
}

// What standard input is called in messages, for the log "-".
constexpr const char* kStandardInput = "standard input";

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
    } else if (arg == "--json" || arg == "--explain" || arg == "--summary") {
      const Output wanted = arg == "--json" ? Output::Json : arg == "--explain" ? Output::Explain : Output::Summary;
      if (o.output != Output::Report && o.output != wanted)
        return fail("--json, --explain and --summary exclude each other");
      o.output = wanted;
    } else if (arg == "--html") {
      ok = value(o.html);
    } else if (arg == "--off-time") {
      std::optional<std::string> minutes;
      ok = value(minutes);
      if (ok) {
        const std::optional<int> number = PositiveNumber(*minutes, kMostOffMinutes);
        if (!number) return fail("--off-time takes whole minutes from 1 to " + std::to_string(kMostOffMinutes));
        o.offMinutes = *number;
        o.offMinutesGiven = true;
      }
    } else if (arg == "--strict") {
      o.strict = true;
    } else if (arg == "--cty") {
      ok = value(o.countryFile);
    } else if (arg == "--scp") {
      ok = value(o.callList);
      o.checkCalls = true;
      o.checkOption = arg;
    } else if (arg == "--check-calls") {
      o.checkCalls = true;
      o.checkOption = arg;
    } else if (arg == "--version") {
      std::cout << kProgram << " " << VARNHOLT_VERSION << "\ncountry file compiled in: "
                << (kBuiltInCountryData.version.empty() ? "(no version)" : kBuiltInCountryData.version)
                << "\ncheck list compiled in: "
                << (kBuiltInCallList.release.empty() ? "(no version)" : kBuiltInCallList.release) << " ("
                << kBuiltInCallList.count << " calls)\n";
      std::exit(kAllScored);
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
  if (std::count(o.logs.begin(), o.logs.end(), "-") > 1) return fail("standard input (-) is one log");
  // The report never names calls: a check nobody would see is a mistake.
  if (o.checkCalls && o.output != Output::Explain && o.output != Output::Json)
    return fail(o.checkOption + " marks calls in --explain or --json only: the report has no place for them");
  if (o.html && o.logs.size() > 1) return fail("--html writes the page of one log: give one");
  if (o.offMinutesGiven && !o.OverTime())
    return fail("--off-time goes with --summary, --html or --json: the report has no times");
  return o;
}


// The whole of standard input, byte for byte (on Windows too, where a
// text-mode read would drop CRs and stop at a Ctrl-Z).
std::string ReadStandardInput() {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::string text;
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) text.append(buffer, got);
  if (std::ferror(stdin)) throw ContactFileError("cannot read standard input");
  return text;
}

class LogRun {
 public:
  // `countries` places the calls of log files; it and `checkList`, when
  // given, must outlive the run.
  LogRun(const Options& options, std::string name, const CountryData& countries, const CallListData* checkList)
      : options_(options),
        countries_(countries),
        name_(std::move(name)),
        display_(name_ == "-" ? kStandardInput : name_),
        json_(checkList),
        explain_(std::cout, checkList),
        scorer_(collation_, options.output == Output::Json      ? static_cast<ScoreWatcher*>(&json_)
                            : options.output == Output::Explain ? static_cast<ScoreWatcher*>(&explain_)
                                                                : nullptr) {
    if (options.stationPrefix) scorer_.FixStationPrefix(*options.stationPrefix);
    scorer_.SetStrict(options.strict);
    if (options.OverTime()) scorer_.AddWatcher(timeLine_);
  }

  ExitStatus ScoreFile() {
    std::string text;
    try {
      text = name_ == "-" ? ReadStandardInput() : ReadWholeFile(name_);
    } catch (const ContactFileError& e) {
      return NotScored(e.what());
    }
    const LogText log(text);
    std::optional<LogFormat> format = options_.format ? options_.format : DetectLogFormat(log);
    if (!format) return NotScored(display_ + ": not a Cabrillo, ADIF or sample log");
    format_ = LogFormatName(*format);
    try {
      ReadLog(log, *format, scorer_, countries_);
    } catch (const StrictStop& e) {
      return NotScored(display_ + ": " + e.what());
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
      return NotScored(display_ + ": " + e.what());
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
    std::size_t counted = 0;  // contacts that counted despite damage in their records
    for (const LogLineError& e : bad) {
      std::cerr << kProgram << ": " << display_ << ": line " << e.line << ": " << e.message
                << (e.contactCounted ? " (passed over; the contact counts)\n" : " (passed over)\n");
      counted += e.contactCounted ? 1 : 0;
    }
    // A damaged file can lose many lines: how many, where to look first, and
    // how many of them cost no contact.
    if (bad.size() > 1 || counted > 0) {
      std::cerr << kProgram << ": " << display_ << ": " << bad.size();
      std::cerr << (bad.size() > 1 ? " lines passed over, the first at lines " : " line passed over, at line ");
      for (std::size_t i = 0; i < std::min<std::size_t>(bad.size(), 5); ++i) {
        std::cerr << (i > 0 ? ", " : "") << bad[i].line;
      }
      if (counted > 0)
        std::cerr << "; " << counted << (counted > 1 ? " contacts" : " contact") << " counted despite damage";
      std::cerr << "\n";
    }
    std::optional<TimeAnalysis> times;
    if (options_.OverTime()) times = timeLine_.Analyse(options_.offMinutes, scorer_.BandStatistics());
    if (options_.output == Output::Json) {
      std::cout << json_.Object(scorer_, ArgumentInUtf8(name_), format_, &*times) << "\n";
    } else if (options_.output == Output::Summary) {
      std::cout << SummaryText(scorer_, *times);
    } else {
      if (options_.output == Output::Explain) std::cout << "\n";
      std::cout << ReportLines(scorer_.BandStatistics());
    }
    if (Trim(scorer_.StationPrefix()).empty()) {
      std::cerr << kProgram << ": " << display_ << ": ";
      if (scorer_.StationCall().empty()) {
        std::cerr << "no station prefix";
      } else {
        std::cerr << "the station's call " << scorer_.StationCall()
                  << " is in no country of the country file";
      }
      std::cerr << " (give --station-prefix): the station counts as outside the home region\n";
    }
    const std::vector<std::string>& unknown = scorer_.UnknownCalls();
    if (!unknown.empty()) {
      constexpr std::size_t kNamed = 10;
      std::cerr << kProgram << ": " << display_ << ": " << unknown.size()
                << (unknown.size() == 1 ? " worked call is" : " worked calls are")
                << " in no country of the country file, so outside the home region: ";
      for (std::size_t i = 0; i < std::min(unknown.size(), kNamed); ++i) {
        std::cerr << (i > 0 ? ", " : "") << unknown[i];
      }
      std::cerr << (unknown.size() > kNamed ? ", ...\n" : "\n");
    }
    if (options_.html && !WritePage(*options_.html, *times)) return kNotScored;
    return scorer_.BadLines().empty() ? kAllScored : kLinesPassedOver;
  }

  // The page, written byte for byte (no line ends changed on Windows).
  bool WritePage(const std::string& path, const TimeAnalysis& times) {
    const std::string program = std::string(kProgram) + " " + VARNHOLT_VERSION;
    const std::string page = LogPage(scorer_, times, PageName(), format_, program);
    std::ofstream out(path, std::ios::binary);
    if (out) out.write(page.data(), static_cast<std::streamsize>(page.size()));
    if (out.flush()) return true;
    std::cerr << kProgram << ": " << display_ << ": cannot write the page to '" << path << "'\n";
    return false;
  }

  // The log as the page names it: its file name without the folders, which
  // differ from system to system (a drive letter under Wine), in UTF-8.
  std::string PageName() const {
    if (name_ == "-" || options_.database) return display_;
    const std::string name = ArgumentInUtf8(name_);
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
  }

  const Options& options_;
  const CountryData& countries_;
  std::string name_;
  std::string display_;  // the name in messages
  std::string format_;
  const KeyCollation& collation_ = SystemKeyCollation();  // as the window compares multiplier keys here
  JsonCollector json_;
  ExplainWriter explain_;
  TimeLine timeLine_;
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

// Reads a data file given on the command line (a CountryFile or a
// CallList); says why on stderr and returns nothing when it cannot.
template <typename Data>
std::unique_ptr<Data> ReadDataFile(const std::string& option, const std::string& path) {
  try {
    return std::make_unique<Data>(ReadWholeFile(path));
  } catch (const ContactFileError&) {
    std::cerr << kProgram << ": " << option << ": cannot read '" << path << "'\n";
  } catch (const std::runtime_error& e) {
    std::cerr << kProgram << ": " << option << " " << path << ": " << e.what() << "\n";
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return kBadUsage;
  std::ios::sync_with_stdio(false);

  std::unique_ptr<CountryFile> countryFile;
  CountryData countries = kBuiltInCountryData;
  if (options->countryFile) {
    if (!(countryFile = ReadDataFile<CountryFile>("--cty", *options->countryFile))) return kBadUsage;
    countries = countryFile->Data();
  }
  std::unique_ptr<CallList> callList;
  CallListData checkList = kBuiltInCallList;
  if (options->callList) {
    if (!(callList = ReadDataFile<CallList>("--scp", *options->callList))) return kBadUsage;
    checkList = callList->Data();
  }
  const CallListData* check = options->checkCalls ? &checkList : nullptr;

  if (options->database) {
    return Guarded(*options->table, [&] { return LogRun(*options, *options->table, countries, check).ScoreTable(); });
  }
  int status = kAllScored;
  const bool several = options->logs.size() > 1;
  for (std::size_t i = 0; i < options->logs.size(); ++i) {
    const std::string& log = options->logs[i];
    if (several && options->output != Output::Json)
      std::cout << (i > 0 ? "\n" : "") << "==> " << (log == "-" ? kStandardInput : log) << " <==\n";
    status = std::max(
        status, static_cast<int>(Guarded(log, [&] { return LogRun(*options, log, countries, check).ScoreFile(); })));
  }
  return status;
}
