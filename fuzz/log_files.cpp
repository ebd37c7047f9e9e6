// Fuzz target: log files of any bytes through the readers (Cabrillo, ADIF,
// the sample format) and the scorer, as varnholt-score reads them.
//
// The input's first byte chooses the format (or the detection from the
// content); the rest is the file. Whatever the bytes, the readers must
// report every event at a line the file has, in file order, hand on
// contacts with a call sign and a band, and every contact must reach the
// score: counted once, or as a duplicate. Damage that cost no contact (its
// time included) is reported right after the contact it kept. A contact's
// time lies between 1900 and 9999. The analysis over time (with an off-time
// the input chooses) adds up: the hours to the contacts counted with a time,
// the on-time and the off periods to the span from the first contact to the
// last; no rate window holds more than a longer one. Whatever the texts, the
// JSON writes them in ASCII, and the page holds none as markup. A file of
// UTF-8 text, saved as UTF-16 behind a byte order mark (the first byte
// chooses its byte order), must be read exactly as it is: the same events
// with the same lines.
//
// One choice reads the bytes as a country file (--cty) instead: whatever it
// accepts, every prefix and whole call it lists must be found again, and
// every call placed must land in one of its countries.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "logfiles/ContactFile.h"
#include "logfiles/CountryFile.h"
#include "logfiles/LogText.h"
#include "logfiles/PrefixTable.h"
#include "mainform/Report.h"
#include "mainform/Scoring.h"
#include "scorer/LogPage.h"
#include "scorer/ScoreLog.h"
#include "scorer/ScoreOutput.h"
#include "scorer/TimeAnalysis.h"

namespace {

using namespace varnholt;

[[noreturn]] void Broken(const char* what, int line) {
  std::fprintf(stderr, "log_files: invariant broken at line %d: %s\n", line, what);
  std::abort();
}
#define EXPECT(condition) \
  do {                    \
    if (!(condition)) Broken(#condition, __LINE__); \
  } while (0)

bool HasLowerCase(std::string_view text) {
  for (char c : text) {
    if (c >= 'a' && c <= 'z') return true;
  }
  return false;
}

// `text` as UTF-16 behind its byte order mark; nothing when it is not
// UTF-8 (overlong forms and surrogates included).
std::optional<std::string> Utf16(std::string_view text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  const auto unit = [&](std::uint32_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4)) return std::nullopt;
    const std::size_t size = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::uint32_t min = size == 1 ? 0 : size == 2 ? 0x80 : size == 3 ? 0x800 : 0x10000;
    std::uint32_t c = size == 1 ? lead : lead & (0x7Fu >> size);
    if (size > text.size() - i) return std::nullopt;
    for (std::size_t k = 1; k < size; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    i += size;
    if (c < 0x10000) {
      unit(c);
    } else {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

// Checks each event on its way to the scorer, and keeps a trace of them.
class Checker final : public ContactSink {
 public:
  Checker(LogScorer& scorer, LogFormat format, int lines) : scorer_(scorer), format_(format), lines_(lines) {}

  void Station(const std::string& callSign, const std::string& prefix) override {
    trace += "S " + callSign + " " + prefix + "\n";
    afterContact_ = false;
    scorer_.Station(callSign, prefix);
  }
  void Add(const Contact& c, int line) override {
    Seen(line);
    if (format_ != LogFormat::Sample) {
      EXPECT(!c.callSign.empty() && !HasLowerCase(c.callSign));
      EXPECT(!c.band.empty() && !c.mode.empty());
      // A prefix from the table, or from an ADIF entity code for the home region.
      const PrefixInfo info = LookUpPrefix(c.callSign, kBuiltInCountryData);
      EXPECT(c.mainPrefix == info.mainPrefix && c.continent == info.continent);
      EXPECT(c.dxccPrefix == info.dxccPrefix || format_ == LogFormat::Adif);
    }
    // 1900-01-01 up to the end of 9999.
    EXPECT(!c.utc || (*c.utc >= -2208988800 && *c.utc < 253402300800));
    EXPECT(c.transmitter.empty() || format_ == LogFormat::Cabrillo);
    ++added;
    timed += c.utc ? 1 : 0;
    afterContact_ = true;
    trace += std::to_string(line) + " " + c.callSign + " " + c.band + " " + c.mode + " " + c.report + " " +
             c.dxccPrefix + "\n";
    scorer_.Add(c, line);
  }
  void BadLine(const LogLineError& error) override {
    Seen(error.line);
    EXPECT(!error.message.empty());
    EXPECT(!error.contactCounted || (afterContact_ && format_ != LogFormat::Sample));
    afterContact_ = afterContact_ && error.contactCounted;
    trace += (error.contactCounted ? "~" : "!") + std::to_string(error.line) + " " + error.message + "\n";
    scorer_.BadLine(error);
  }

  std::size_t added = 0, timed = 0;
  std::string trace;

 private:
  void Seen(int line) {
    EXPECT(line >= 1 && line <= lines_);
    EXPECT(line >= last_);
    last_ = line;
  }

  LogScorer& scorer_;
  LogFormat format_;
  int lines_;
  int last_ = 1;
  bool afterContact_ = false;  // the last event was a contact, or damage that cost it nothing
};

void CheckCountryFile(std::string_view text) {
  std::optional<CountryFile> file;
  try {
    file.emplace(text);
  } catch (const CountryFileError&) {
    return;
  }
  const CountryData data = file->Data();
  EXPECT(data.entityCount > 0);
  for (std::size_t i = 0; i < data.callCount; ++i) {
    const CountryKey& key = data.calls[i];
    EXPECT(FindWholeCall(data, data.text.substr(key.at, key.length)).entity == &data.entities[key.entity]);
  }
  for (std::size_t i = 0; i < data.prefixCount; ++i) {
    const CountryKey& key = data.prefixes[i];
    EXPECT(FindLongestPrefix(data, data.text.substr(key.at, key.length)).entity ==
           &data.entities[key.entity]);
  }
  // Every word of the file as a call sign.
  for (std::size_t at = 0, words = 0; at < text.size() && words < 64; ++words) {
    const std::size_t end = std::min(text.find_first_of(" \n,;:", at), text.size());
    const PrefixInfo info = LookUpPrefix(text.substr(at, end - at), data);
    if (!info.dxccPrefix.empty()) {
      bool listed = false;
      for (std::size_t e = 0; e < data.entityCount; ++e)
        listed = listed || info.dxccPrefix == data.entities[e].prefix;
      EXPECT(listed && info.continent.size() == 2 && !info.unknown);
    }
    at = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::optional<LogFormat> format;
  switch (data[0] % 5) {
    case 0: format = DetectLogFormat(text); break;
    case 1: format = LogFormat::Cabrillo; break;
    case 2: format = LogFormat::Adif; break;
    case 3:
      format = LogFormat::Sample;
      break;
    default:
      CheckCountryFile(text);
      return 0;
  }
  if (!format) return 0;
  int lines = 1;
  const LogText decoded(text);  // a UTF-16 file's lines are those of its text
  for (char c : decoded.Text()) lines += c == '\n';

  AsciiKeyCollation collation;
  TimeLine timeLine;
  JsonCollector json;
  LogScorer scorer(collation, &timeLine);
  scorer.AddWatcher(json);
  Checker checker(scorer, *format, lines);
  ReadLog(decoded, *format, checker);

  if (const std::optional<std::string> utf16 = Utf16(text, data[0] / 5 % 2 != 0)) {
    if (data[0] % 5 == 0) EXPECT(DetectLogFormat(*utf16) == format);
    LogScorer scorer16(collation);
    Checker checker16(scorer16, *format, lines);
    ReadLog(*utf16, *format, checker16);
    EXPECT(checker16.trace == checker.trace);
  }

  EXPECT(scorer.Contacts() == checker.added);
  std::int64_t qsos = 0;
  for (const TStatistic& row : scorer.BandStatistics()) {
    EXPECT(row.QSOs > 0 && row.Points >= row.QSOs && row.Points <= 3 * row.QSOs);
    EXPECT(row.DXDA >= 0 && row.DXDA <= row.QSOs);
    qsos += row.QSOs;
  }
  EXPECT(static_cast<std::size_t>(qsos) + scorer.Duplicates() == scorer.Contacts());
  EXPECT(!StatisticsText(scorer.BandStatistics()).empty());
  for (const char c : JsonString(checker.trace)) EXPECT(static_cast<unsigned char>(c) < 0x80);

  const TimeAnalysis times = timeLine.Analyse(1 + data[0] / 10 % 120, scorer.BandStatistics());
  EXPECT(times.timed == checker.timed && times.timed + times.untimed == scorer.Contacts());
  std::int64_t counted = 0;
  for (std::size_t i = 0; i < times.hours.size(); ++i) {
    const HourRow& h = times.hours[i];
    EXPECT(i == 0 || h.start > times.hours[i - 1].start);
    EXPECT(h.qsos <= times.hours[times.busiestHour].qsos && h.score >= 0);
    std::int64_t perBand = 0;
    for (const std::int32_t n : h.bandQsos) perBand += n;
    EXPECT(perBand == h.qsos);
    counted += h.qsos;
    EXPECT(h.cumulativeQsos == counted);
  }
  EXPECT(counted == times.qsos);
  if (times.HasTimes()) {
    EXPECT(times.onTime >= 0 && times.onTime + times.offTime == times.last - times.first);
    EXPECT(times.best.size() == 3 && times.best[0].qsos <= times.best[1].qsos &&
           times.best[1].qsos <= times.best[2].qsos && times.best[2].qsos <= times.qsos);
  }
  const std::string page = LogPage(scorer, times, "log", "format", "fuzz");
  EXPECT(page.find("<script") == std::string::npos && page.find("<SCRIPT") == std::string::npos);
  for (const char c : json.Object(scorer, "log", "format", &times)) EXPECT(static_cast<unsigned char>(c) < 0x80);
  return 0;
}
