// Recording and checking contacts: the plug-in's scoring core beside a
// straightforward baseline that re-sorts the whole worked list after every
// recorded contact and finds multiplier keys by a linear scan.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "mainform/Scoring.h"

using namespace varnholt;

namespace {

struct BenchContact {
  std::string call, band, mode, report, dxcc;
};

// Realistic traffic: many distinct calls, some worked again on other bands
// and modes, a few plain duplicates.
std::vector<BenchContact> MakeContacts(std::size_t n) {
  static const char* kPrefixes[] = {"UR", "UT", "UA1", "UA9", "UA3", "EW", "UN", "DL", "SP", "OK",
                                    "K", "W", "JA", "G", "I", "F", "EA", "VE", "LY", "YL"};
  static const char* kBands[] = {"160M", "80M", "40M", "20M", "15M", "10M"};
  static const char* kModes[] = {"CW", "SSB"};
  std::mt19937 rng(1234);
  std::vector<BenchContact> out;
  out.reserve(n);
  const std::size_t distinct = n * 2 / 3 + 1;
  std::vector<std::string> calls;
  calls.reserve(distinct);
  for (std::size_t i = 0; i < distinct; ++i) {
    std::string call = kPrefixes[rng() % 20];
    call += static_cast<char>('0' + rng() % 10);
    for (int k = 0; k < 3; ++k) call += static_cast<char>('A' + rng() % 26);
    calls.push_back(call);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& call = calls[i < distinct ? i : rng() % distinct];
    char number[8];
    std::snprintf(number, sizeof number, "%04u", static_cast<unsigned>(rng() % 5000));
    out.push_back({call, kBands[rng() % 6], kModes[rng() % 2], std::string("599 ") + number,
                   kPrefixes[rng() % 20]});
  }
  std::shuffle(out.begin(), out.end(), rng);
  return out;
}

QsoView View(const BenchContact& c, std::string_view station) {
  return {c.call, c.band, c.mode, c.report, c.dxcc, station};
}

void BM_RecordContacts(benchmark::State& state) {
  const auto contacts = MakeContacts(static_cast<std::size_t>(state.range(0)));
  AsciiKeyCollation collation;
  for (auto _ : state) {
    ContestScore score(collation);
    for (const auto& c : contacts) score.ScoreQso(View(c, "DL"), ScoreMode::Record);
    benchmark::DoNotOptimize(score.BandStatistics().data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RecordContacts)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_CheckAgainst100k(benchmark::State& state) {
  const auto contacts = MakeContacts(100000);
  AsciiKeyCollation collation;
  ContestScore score(collation);
  for (const auto& c : contacts) score.ScoreQso(View(c, ""), ScoreMode::Record);
  const auto probes = MakeContacts(4096);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(score.ScoreQso(View(probes[i++ & 4095], ""), ScoreMode::Check));
}
BENCHMARK(BM_CheckAgainst100k)->Unit(benchmark::kMicrosecond);

// The rules taken literally: append, quicksort the whole list after each
// recorded contact, binary search, and a linear case-insensitive key scan.
class LiteralBaseline {
 public:
  int Record(const BenchContact& c) {
    if (IsDuplicate(c)) return -1;
    list_.push_back({c.call, c.band, c.mode});
    std::string key = c.band + "|" + DxdaNumber(c.report) + "|";
    bool seen = false;
    for (const auto& k : keys_) {
      if (collation_.Equivalent(k, key)) {
        seen = true;
        break;
      }
    }
    if (!seen) keys_.push_back(key);
    Sort(0, static_cast<long>(list_.size()) - 1);
    return 1;
  }

 private:
  bool IsDuplicate(const BenchContact& c) const {
    long low = 0, high = static_cast<long>(list_.size()) - 1, mid = 0;
    bool found = false;
    while (high >= low && !found) {
      mid = (low + high) / 2;
      const int cmp = CompareBytes(c.call, list_[mid].callSign);
      if (cmp < 0) high = mid - 1;
      else if (cmp > 0) low = mid + 1;
      else found = true;
    }
    if (!found) return false;
    while (mid > 0 && list_[mid - 1].callSign == c.call) --mid;
    for (; mid < static_cast<long>(list_.size()) && list_[mid].callSign == c.call; ++mid) {
      if (list_[mid].band == c.band && list_[mid].mode == c.mode) return true;
    }
    return false;
  }
  // Hoare partitioning around the middle entry, recursing left, looping right.
  void Sort(long low, long high) {
    while (low < high) {
      const std::string pivot = list_[(low + high) / 2].callSign;
      long i = low, j = high;
      while (i <= j) {
        while (CompareBytes(list_[i].callSign, pivot) < 0) ++i;
        while (CompareBytes(list_[j].callSign, pivot) > 0) --j;
        if (i <= j) std::swap(list_[i++], list_[j--]);
      }
      if (low < j) Sort(low, j);
      low = i;
    }
  }
  std::vector<TQSO> list_;
  std::vector<std::string> keys_;
  AsciiKeyCollation collation_;
};

void BM_LiteralBaseline(benchmark::State& state) {
  const auto contacts = MakeContacts(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    LiteralBaseline baseline;
    for (const auto& c : contacts) benchmark::DoNotOptimize(baseline.Record(c));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LiteralBaseline)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
