#include "mainform/Rescan.h"

#include <algorithm>

#include "common/TextRules.h"
#include "mainform/Report.h"

namespace varnholt {

namespace {

template <typename Function, typename... Args>
void CallIfSet(const Function& f, Args... args) {
  if (f) f(args...);
}

}  // namespace

void ReadLogRow(const LogRow& row, QsoRecord& qso) {
  qso.SetText(QsoField::ReportReceived, row.Text(LogField::QSOReportRecived));
  qso.SetText(QsoField::DxccPrefix, row.Text(LogField::DXCCPrefix));
  qso.SetText(QsoField::MainPrefix, row.Text(LogField::MainPrefix));
  qso.SetText(QsoField::CallSign, row.Text(LogField::CallSign));
  qso.SetText(QsoField::Band, row.Text(LogField::DigiBand));
  qso.SetText(QsoField::Mode, row.Text(LogField::QSOMode));

  const std::string_view continent = row.Text(LogField::Continent);
  char upper[kSlotMaxText];
  const std::size_t n = std::min(continent.size(), kSlotMaxText);
  std::transform(continent.begin(), continent.begin() + static_cast<std::ptrdiff_t>(n), upper, UpperAscii);
  qso.SetText(QsoField::Continent, std::string_view(upper, n));
}

std::string LogQueryText(std::string_view tableName) {
  std::string text = "Select * from ";
  text.append(tableName).append(" order by CallSign");
  return text;
}

bool RescanLog(RescanContext& context) {
  QsoRecord& qso = context.qso;
  LogQuery& query = context.query;
  const std::string band(qso.Text(QsoField::Band));

  context.score.Clear();
  CallIfSet(context.clearReport);

  query.Close();  // the query text cannot change while it is open
  query.SetSql(LogQueryText(qso.Text(QsoField::LogTableName)));
  query.Open();
  CallIfSet(context.processMessages);
  // Only a close request handled just now closes the query under us. Reading
  // on would end at once and report an empty log as the claimed score.
  if (!query.Active()) {
    qso.SetText(QsoField::Band, band);
    return false;
  }

  query.ForEachRow([&](const LogRow& row) {
    ReadLogRow(row, qso);
    context.score.ScoreQso(qso.View(), ScoreMode::Record);  // a duplicate in the log counts once
  });
  qso.SetText(QsoField::Band, band);
  return true;
}

bool RecalcStatisticExecute(RescanContext& context) {
  CallIfSet(context.processMessages);
  CallIfSet(context.setActionEnabled, false);
  bool complete = false;
  try {
    complete = RescanLog(context);
    if (complete) CallIfSet(context.showReport, StatisticsText(context.score.BandStatistics()));
  } catch (...) {
    CallIfSet(context.setActionEnabled, true);
    throw;
  }
  CallIfSet(context.setActionEnabled, true);
  return complete;
}

}  // namespace varnholt
