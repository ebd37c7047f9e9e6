// The standalone scorer on big logs: parsing a Cabrillo file, scoring the
// parsed contacts, and both together, on synthetic logs of 1M and 200k
// contacts and on the biggest real one. Throughput is reported as contacts
// per second (items_per_second).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "logfiles/Cabrillo.h"
#include "logfiles/ContactFile.h"
#include "scorer/LogPage.h"
#include "scorer/ScoreLog.h"
#include "scorer/TimeAnalysis.h"

using namespace varnholt;

namespace {

constexpr std::size_t kSyntheticContacts = 1000000;
constexpr std::size_t kWeekendContacts = 200000;

// A contest weekend of a big station, `contacts` times over: many distinct
// calls, each worked on a few bands and modes, some logged twice, in time
// order over 48 hours.
std::string MakeSyntheticCabrillo(std::size_t contacts) {
  static const char* kPrefixes[] = {"UR", "UT", "UA1", "UA9", "UA3", "RA6", "EW", "UN", "EX", "4K",
                                    "DL", "SP", "OK", "K", "W", "JA", "G", "EA", "VE", "LY"};
  static const char* kFrequencies[] = {"1830", "3520", "7015", "14025", "21030", "28040"};
  static const char* kModes[] = {"CW", "PH"};
  std::mt19937 rng(42);
  std::vector<std::string> calls(contacts / 3);
  for (std::string& call : calls) {
    call = kPrefixes[rng() % 20];
    call += static_cast<char>('0' + rng() % 10);
    for (int k = 0; k < 3; ++k) call += static_cast<char>('A' + rng() % 26);
  }
  std::string out = "START-OF-LOG: 3.0\nCALLSIGN: DL5XY\n";
  out.reserve(contacts * 80);
  char line[160];
  for (std::size_t i = 0; i < contacts; ++i) {
    const std::string& call = calls[rng() % calls.size()];
    const std::size_t minute = i * 2880 / contacts;
    std::snprintf(line, sizeof line, "QSO: %5s %s 2025-03-%02zu %02zu%02zu DL5XY 599 %04zu %-12s 599 %04u %zu\n",
                  kFrequencies[rng() % 6], kModes[rng() % 2], 29 + minute / 1440, minute % 1440 / 60,
                  minute % 60, i % 10000, call.c_str(), static_cast<unsigned>(rng() % 8000), i % 2);
    out += line;
  }
  return out + "END-OF-LOG:\n";
}

const std::string& SyntheticCabrillo() {
  static const std::string text = MakeSyntheticCabrillo(kSyntheticContacts);
  return text;
}

const std::string& WeekendCabrillo() {
  static const std::string text = MakeSyntheticCabrillo(kWeekendContacts);
  return text;
}

class Counter final : public ContactSink {
 public:
  void Station(const std::string&, const std::string&) override {}
  void Add(const Contact& contact, int) override { bytes += contact.callSign.size(); ++contacts; }
  void BadLine(const LogLineError&) override { ++bad; }
  std::size_t contacts = 0, bad = 0, bytes = 0;
};

class Keeper final : public ContactSink {
 public:
  void Station(const std::string&, const std::string&) override {}
  void Add(const Contact& contact, int) override { contacts.push_back(contact); }
  void BadLine(const LogLineError&) override {}
  std::vector<Contact> contacts;
};

void BM_ParseCabrillo(benchmark::State& state) {
  const std::string& text = SyntheticCabrillo();
  for (auto _ : state) {
    Counter counter;
    ReadCabrillo(text, counter);
    benchmark::DoNotOptimize(counter.bytes);
    if (counter.contacts != kSyntheticContacts || counter.bad != 0) state.SkipWithError("misread");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSyntheticContacts));
}

// The rules alone: every parsed contact through the record into the score.
void BM_ScoreParsedContacts(benchmark::State& state) {
  Keeper keeper;
  ReadCabrillo(SyntheticCabrillo(), keeper);
  AsciiKeyCollation collation;
  for (auto _ : state) {
    LogScorer scorer(collation);
    scorer.FixStationPrefix("DL");
    int line = 0;
    for (const Contact& c : keeper.contacts) scorer.Add(c, ++line);
    benchmark::DoNotOptimize(scorer.Duplicates());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * keeper.contacts.size()));
}

// What `varnholt-score FILE` does, from reading the file to the last contact.
void ScoreFile(benchmark::State& state, const std::string& path, std::size_t contacts) {
  AsciiKeyCollation collation;
  for (auto _ : state) {
    LogScorer scorer(collation);
    ReadCabrillo(ReadWholeFile(path), scorer);
    if (scorer.Contacts() != contacts) state.SkipWithError("misread");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * contacts));
}

void BM_ScoreSyntheticFile(benchmark::State& state) {
  const std::string path = "/tmp/varnholt-bench-1m.log";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(SyntheticCabrillo().data(), 1, SyntheticCabrillo().size(), f);
    std::fclose(f);
  }
  ScoreFile(state, path, kSyntheticContacts);
  std::remove(path.c_str());
}

void BM_ScoreBiggestRealLog(benchmark::State& state) {
  ScoreFile(state, VARNHOLT_SOURCE_DIR "/data/reallogs/k1lz.log", 12851);
}

// A 200k-contact weekend log from its text to the score, as the scorer reads
// it; over time, also with the analysis and the page (--html) that --summary,
// --html and --json add, which may add at most 20 %.
void ScoreWeekendLog(benchmark::State& state, bool overTime) {
  const std::string& text = WeekendCabrillo();
  AsciiKeyCollation collation;
  for (auto _ : state) {
    TimeLine timeLine;
    LogScorer scorer(collation);
    if (overTime) scorer.AddWatcher(timeLine);
    ReadLog(text, LogFormat::Cabrillo, scorer);
    if (scorer.Contacts() != kWeekendContacts || !scorer.BadLines().empty()) state.SkipWithError("misread");
    if (!overTime) continue;
    const TimeAnalysis times = timeLine.Analyse(kDefaultOffMinutes, scorer.BandStatistics());
    const std::string page = LogPage(scorer, times, "weekend.log", "Cabrillo", "bench");
    if (times.hours.size() != 48 || page.empty()) state.SkipWithError("misread");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kWeekendContacts));
}

void BM_ScoreWeekendLog(benchmark::State& state) { ScoreWeekendLog(state, false); }
void BM_ScoreWeekendLogOverTime(benchmark::State& state) { ScoreWeekendLog(state, true); }

}  // namespace

BENCHMARK(BM_ParseCabrillo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreParsedContacts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreSyntheticFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreBiggestRealLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreWeekendLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScoreWeekendLogOverTime)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
