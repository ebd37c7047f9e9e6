#include "scorer/ScoreLog.h"

#include "common/TextRules.h"
#include "mainform/LogQuery.h"
#include "mainform/Rescan.h"

namespace varnholt {

LogScorer::LogScorer(const KeyCollation& collation, ScoreWatcher* watcher) : score_(collation) {
  if (watcher != nullptr) watchers_.push_back(watcher);
}

void LogScorer::FixStationPrefix(const std::string& prefix) {
  stationPrefix_ = CutQsoText(prefix);
  stationFixed_ = true;
}

void LogScorer::Station(const std::string& callSign, const std::string& prefix) {
  stationCall_ = callSign;
  if (!stationFixed_) stationPrefix_ = CutQsoText(prefix);
}

void LogScorer::Header(std::string_view tag, std::string_view value) {
  if (value.empty()) return;
  if (EqualsIgnoringCase(tag, "CONTEST")) {
    contest_.assign(value);
  } else if (EqualsIgnoringCase(tag.substr(0, 8), "CATEGORY")) {
    category_ += (category_.empty() ? "" : " ") + std::string(value);
  }
}

void LogScorer::Add(const Contact& contact, int line) {
  if (contact.unknownCall && unknownCallSet_.insert(contact.callSign).second) {
    unknownCalls_.push_back(contact.callSign);
  }
  Score({contact.callSign, contact.band, contact.mode, contact.report, contact.dxccPrefix}, line, contact.utc,
        contact.transmitter);
}

void LogScorer::BadLine(const LogLineError& error) {
  badLines_.push_back(error);
  if (strict_) throw StrictStop(error);
}

void LogScorer::Score(const QsoView& contact, int line, std::optional<UtcSeconds> utc,
                      std::string_view transmitter) {
  const QsoView qso{CutQsoText(contact.callSign), CutQsoText(contact.band),       CutQsoText(contact.mode),
                    CutQsoText(contact.report),   CutQsoText(contact.dxccPrefix), stationPrefix_};
  const std::int32_t result = score_.ScoreQso(qso, ScoreMode::Record);
  ++contacts_;
  if (result == kDuplicate) ++duplicates_;
  if (watchers_.empty()) return;
  const ScoredContact scored{line, qso.callSign, qso.band, qso.mode, qso.report, result,
                             score_.LastAddedMultiplier(), DxdaNumberView(qso.report), utc, transmitter};
  for (ScoreWatcher* watcher : watchers_) watcher->Scored(scored);
}

void ScoreLogTable(std::uintptr_t connection, std::string_view table, LogScorer& scorer) {
  LogQuery query(connection);
  query.SetSql(LogQueryText(table));
  query.Open();
  int number = 0;
  query.ForEachRow([&](const LogRow& row) {
    // Every column, in the order the re-scan reads them: a missing one fails
    // as it fails there.
    std::string_view text[kLogFieldCount];
    for (std::size_t f = 0; f < kLogFieldCount; ++f) text[f] = row.Text(static_cast<LogField>(f));
    const auto column = [&](LogField field) { return text[static_cast<std::size_t>(field)]; };
    scorer.Score({column(LogField::CallSign), column(LogField::DigiBand), column(LogField::QSOMode),
                  column(LogField::QSOReportRecived), column(LogField::DXCCPrefix)},
                 ++number);
  });
}

}  // namespace varnholt
