// Scoring a whole log outside the host: every contact goes through the
// plug-in's own rules (ContestScore in record mode, its texts cut as the
// host's record cuts them), in the order the log gives them, and what
// happened to each one is told to a watcher.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/QsoView.h"
#include "logfiles/ContactFile.h"
#include "mainform/Scoring.h"

namespace varnholt {

// One contact as scored. The texts are those scored, valid during the call.
struct ScoredContact {
  int line = 0;  // 1-based line of a log file, or row of a log table
  std::string_view callSign, band, mode, report;
  std::int32_t result = 0;  // the points, or kDuplicate
  bool newMultiplier = false;
  std::string_view number;  // the report's multiplier number; "" when it has none
  std::optional<UtcSeconds> utc;  // when it was made, where the log says
  std::string_view transmitter;   // which transmitter made it, where the log says
};

class ScoreWatcher {
 public:
  virtual ~ScoreWatcher() = default;
  virtual void Scored(const ScoredContact& contact) = 0;
};

// Thrown to end the reading of a log at its first bad line.
class StrictStop : public std::runtime_error {
 public:
  explicit StrictStop(const LogLineError& error)
      : std::runtime_error("line " + std::to_string(error.line) + ": " + error.message), line(error) {}
  LogLineError line;
};

class LogScorer final : public ContactSink {
 public:
  // `collation` compares multiplier keys, as the window on this system does;
  // it must outlive the scorer, as must `watcher` when given.
  explicit LogScorer(const KeyCollation& collation, ScoreWatcher* watcher = nullptr);
  // Tells `watcher` too of every contact scored from now on; it must outlive
  // the scorer.
  void AddWatcher(ScoreWatcher& watcher) { watchers_.push_back(&watcher); }

  // The station's prefix for every contact from now on. Once fixed (by the
  // user's option), a station named by the log itself no longer changes it.
  void FixStationPrefix(const std::string& prefix);
  // Stop at the first bad line (StrictStop) instead of passing over it.
  void SetStrict(bool strict) { strict_ = strict; }

  // ContactSink: contacts of a log file.
  void Station(const std::string& callSign, const std::string& prefix) override;
  void Header(std::string_view tag, std::string_view value) override;
  void Add(const Contact& contact, int line) override;
  void BadLine(const LogLineError& error) override;

  // Scores one contact of the log, with the station's prefix; a log table's
  // rows come here straight from the query (they carry no time).
  void Score(const QsoView& qso, int line, std::optional<UtcSeconds> utc = std::nullopt,
             std::string_view transmitter = {});

  const std::vector<TStatistic>& BandStatistics() const { return score_.BandStatistics(); }
  const std::string& StationCall() const { return stationCall_; }
  // What the log's header says of the entry: the contest ("CQ-WPX-SSB") and
  // the category, each CATEGORY field's value in the header's order
  // ("MULTI-TWO ALL HIGH SSB"); "" where it does not say.
  const std::string& Contest() const { return contest_; }
  const std::string& Category() const { return category_; }
  std::string_view StationPrefix() const { return stationPrefix_; }
  std::size_t Contacts() const { return contacts_; }
  std::size_t Duplicates() const { return duplicates_; }
  const std::vector<LogLineError>& BadLines() const { return badLines_; }
  // The worked calls the country file places nowhere, in log order, each once.
  const std::vector<std::string>& UnknownCalls() const { return unknownCalls_; }

 private:
  ContestScore score_;
  std::vector<ScoreWatcher*> watchers_;
  bool stationFixed_ = false;
  bool strict_ = false;
  std::string stationCall_;
  std::string stationPrefix_;
  std::string contest_, category_;
  std::size_t contacts_ = 0;
  std::size_t duplicates_ = 0;
  std::vector<LogLineError> badLines_;
  std::vector<std::string> unknownCalls_;
  std::unordered_set<std::string> unknownCallSet_;
};

// Scores every row of `table` on an open ODBC connection (an SQLHDBC), read
// with the same query, columns and order as the window's re-scan; row
// numbers count from 1. Throws PluginError with the database layer's message
// when the query cannot run or a column is missing.
void ScoreLogTable(std::uintptr_t connection, std::string_view table, LogScorer& scorer);

}  // namespace varnholt
