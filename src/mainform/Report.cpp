#include "mainform/Report.h"

#include "common/TextRules.h"

namespace varnholt {

std::string PadLeft(std::string_view text, std::size_t width) {
  std::string out;
  if (text.size() < width) out.assign(width - text.size(), ' ');
  out.append(text);
  return out;
}

ReportTotals TotalsOf(const std::vector<TStatistic>& bands) {
  ReportTotals totals;
  for (const TStatistic& row : bands) {
    totals.qsos += row.QSOs;
    totals.points += row.Points;
    totals.dxda += row.DXDA;
  }
  return totals;
}

std::string StatisticsText(const std::vector<TStatistic>& bands, std::string_view lineEnd) {
  const auto col = [](std::int64_t n) { return PadLeft(std::to_string(n), 6); };
  const std::string end(lineEnd);
  std::string text = "  Band\t  QSOs\tPoints\t  DXDA" + end;
  for (const TStatistic& row : bands) {
    text += PadLeft(row.band, 4) + "\t" + col(row.QSOs) + "\t" + col(row.Points) + "\t" + col(row.DXDA) + end;
  }
  const ReportTotals t = TotalsOf(bands);
  text += "Total\t" + col(t.qsos) + "\t" + col(t.points) + "\t" + col(t.dxda) + end;
  text += " Score: " + std::to_string(t.points) + "*" + std::to_string(t.dxda) + "=" + std::to_string(t.Score());
  return std::string(Trim(text));
}

}  // namespace varnholt
