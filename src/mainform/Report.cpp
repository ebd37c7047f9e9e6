#include "mainform/Report.h"

#include <cstdint>

#include "common/TextRules.h"

namespace varnholt {

std::string PadLeft(std::string_view text, std::size_t width) {
  std::string out;
  if (text.size() < width) out.assign(width - text.size(), ' ');
  out.append(text);
  return out;
}

std::string StatisticsText(const std::vector<TStatistic>& bands) {
  const auto col = [](std::int64_t n) { return PadLeft(std::to_string(n), 6); };
  std::string text = "  Band\t  QSOs\tPoints\t  DXDA\r\n";
  std::int64_t qsos = 0, points = 0, dxda = 0;
  for (const TStatistic& row : bands) {
    text += PadLeft(row.band, 4) + "\t" + col(row.QSOs) + "\t" + col(row.Points) + "\t" +
            col(row.DXDA) + "\r\n";
    qsos += row.QSOs;
    points += row.Points;
    dxda += row.DXDA;
  }
  text += "Total\t" + col(qsos) + "\t" + col(points) + "\t" + col(dxda) + "\r\n";
  text += " Score: " + std::to_string(points) + "*" + std::to_string(dxda) + "=" +
          std::to_string(points * dxda) + "\r\n";
  return std::string(Trim(text));
}

}  // namespace varnholt
