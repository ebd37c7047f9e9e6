#include "scorer/ScoreLog.h"

#include "mainform/LogQuery.h"
#include "mainform/Rescan.h"

namespace varnholt {

LogScorer::LogScorer(const KeyCollation& collation, ScoreWatcher* watcher)
    : score_(qso_, collation), watcher_(watcher) {}

void LogScorer::FixStationPrefix(const std::string& prefix) {
  qso_.SetText(QsoField::StationPrefix, prefix);
  stationFixed_ = true;
}

void LogScorer::Station(const std::string& callSign, const std::string& prefix) {
  stationCall_ = callSign;
  qso_.SetText(QsoField::StationLabel, callSign);
  if (!stationFixed_) qso_.SetText(QsoField::StationPrefix, prefix);
}

void LogScorer::Add(const Contact& contact, int line) {
  qso_.SetText(QsoField::CallSign, contact.callSign);
  qso_.SetText(QsoField::Band, contact.band);
  qso_.SetText(QsoField::Mode, contact.mode);
  qso_.SetText(QsoField::ReportReceived, contact.report);
  qso_.SetText(QsoField::DxccPrefix, contact.dxccPrefix);
  qso_.SetText(QsoField::MainPrefix, contact.mainPrefix);
  qso_.SetText(QsoField::Continent, contact.continent);
  if (contact.unknownCall && unknownCallSet_.insert(contact.callSign).second) {
    unknownCalls_.push_back(contact.callSign);
  }
  ScoreRecord(line);
}

void LogScorer::BadLine(const LogLineError& error) {
  badLines_.push_back(error);
  if (strict_) throw StrictStop(error);
}

void LogScorer::ScoreRecord(int line) {
  const std::int32_t result = score_.ScoreQso(ScoreMode::Record);
  ++contacts_;
  if (result == kDuplicate) ++duplicates_;
  if (watcher_ == nullptr) return;
  ScoredContact scored;
  scored.line = line;
  scored.callSign = qso_.Text(QsoField::CallSign);
  scored.band = qso_.Text(QsoField::Band);
  scored.mode = qso_.Text(QsoField::Mode);
  scored.report = qso_.Text(QsoField::ReportReceived);
  scored.result = result;
  scored.newMultiplier = score_.LastAddedMultiplier();
  scored.number = DxdaNumberView(scored.report);
  watcher_->Scored(scored);
}

void ScoreLogTable(std::uintptr_t connection, std::string_view table, LogScorer& scorer) {
  LogQuery query(connection);
  query.SetSql(LogQueryText(table));
  query.Open();
  int row = 0;
  while (!query.Eof()) {
    ReadLogRow(query, scorer.Record());
    scorer.ScoreRecord(++row);
    query.Next();
  }
  query.Close();
}

}  // namespace varnholt
