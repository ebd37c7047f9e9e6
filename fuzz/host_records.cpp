// Fuzz target: host records of arbitrary bytes through check and record mode
// of the contest score and through the report.
//
// The input is a series of contacts. Each starts with a flags byte, followed
// for each text field the scoring reads (call sign, band, mode, received
// report, DXCC prefix, station prefix) by a raw length byte and that many
// bytes, and, when the flags ask for an earlier contact, by its index byte.
// Whatever the input leaves out stays as filler, so slots may claim more text
// than the input gave. The whole record around the slots is filler
// too: nothing may be read from it.
//
// Besides the sanitizers, every step is compared with a plain model of the
// rules: a set of worked (call, band, mode) triples, the home-region test as
// a substring search of ":" + prefix + ":", the multiplier keys as a set of
// upper-cased texts, and the band rows in the order bands were met.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "ByteReader.h"
#include "common/HomeRegion.h"
#include "common/TextRules.h"
#include "mainform/Report.h"
#include "mainform/Scoring.h"
#include "plugin/Plugin.h"

namespace {

using namespace varnholt;

[[noreturn]] void Broken(const char* what, int line) {
  std::fprintf(stderr, "host_records: invariant broken at line %d: %s\n", line, what);
  std::abort();
}
#define EXPECT(condition) \
  do {                    \
    if (!(condition)) Broken(#condition, __LINE__); \
  } while (0)

constexpr QsoField kFields[] = {QsoField::CallSign,       QsoField::Band,       QsoField::Mode,
                                QsoField::ReportReceived, QsoField::DxccPrefix, QsoField::StationPrefix};

// Flags of a contact.
constexpr std::uint8_t kRecord = 0x01;        // record mode, else check mode
constexpr std::uint8_t kSameContact = 0x02;   // call, band and mode of an earlier contact
constexpr std::uint8_t kSameStation = 0x04;   // the station prefix of the previous contact

struct ModelRow {
  std::string band;
  std::int64_t qsos = 0, points = 0, dxda = 0;
};

struct Model {
  std::set<std::tuple<std::string, std::string, std::string>> worked;
  std::set<std::string> keys;
  std::vector<ModelRow> rows;

  static bool Home(std::string_view text) {
    const std::string prefix = UpperAsciiCopy(Trim(text));
    return std::string(kHomeRegionList).find(":" + prefix + ":") != std::string::npos;
  }
  static std::int32_t Points(const QsoRecord& r) {
    if (Home(r.Text(QsoField::StationPrefix))) return 1;
    return Home(r.Text(QsoField::DxccPrefix)) ? 3 : 1;
  }
  static std::string Number(std::string_view report) {
    const std::string t(Trim(UpperAsciiCopy(report)));
    if (t.size() < 4) return "";
    const std::string last = t.substr(t.size() - 4);
    for (char c : last)
      if (c < '0' || c > '9') return "";
    return last;
  }
  static std::tuple<std::string, std::string, std::string> Contact(const QsoRecord& r) {
    return {std::string(r.Text(QsoField::CallSign)), std::string(r.Text(QsoField::Band)),
            std::string(r.Text(QsoField::Mode))};
  }

  void Record(const QsoRecord& r) {
    worked.insert(Contact(r));
    const std::string band(r.Text(QsoField::Band));
    ModelRow* row = nullptr;
    for (ModelRow& candidate : rows)
      if (candidate.band == band) row = &candidate;
    if (row == nullptr) {
      rows.push_back(ModelRow{band});
      row = &rows.back();
    }
    row->qsos += 1;
    row->points += Points(r);
    const std::string number = Number(r.Text(QsoField::ReportReceived));
    if (keys.insert(UpperAsciiCopy(band + "|" + number + "|")).second && number != "0000") row->dxda += 1;
  }
};

void ExpectSameRows(const ContestScore& score, const Model& model) {
  const std::vector<TStatistic>& rows = score.BandStatistics();
  EXPECT(rows.size() == model.rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT(rows[i].band == model.rows[i].band);
    EXPECT(rows[i].QSOs == model.rows[i].qsos);
    EXPECT(rows[i].Points == model.rows[i].points);
    EXPECT(rows[i].DXDA == model.rows[i].dxda);
  }
  EXPECT(score.Worked().Count() == model.worked.size());
  EXPECT(score.Keys().Count() == model.keys.size());
}

void ExpectReport(const ContestScore& score, const Model& model) {
  const std::string text = StatisticsText(score.BandStatistics());
  EXPECT(text.rfind("Band\t", 0) == 0);
  std::int64_t qsos = 0, points = 0, dxda = 0;
  for (const ModelRow& row : model.rows) {
    qsos += row.qsos;
    points += row.points;
    dxda += row.dxda;
  }
  const std::string total = "Total\t" + PadLeft(std::to_string(qsos), 6) + "\t" + PadLeft(std::to_string(points), 6) +
                            "\t" + PadLeft(std::to_string(dxda), 6) + "\r\n";
  const std::string claimed =
      " Score: " + std::to_string(points) + "*" + std::to_string(dxda) + "=" + std::to_string(points * dxda);
  EXPECT(text.find("\r\n" + total + claimed) != std::string::npos);
  EXPECT(text.size() >= claimed.size() && text.compare(text.size() - claimed.size(), claimed.size(), claimed) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnholt::fuzz::ByteReader input(data, size);
  QsoRecord record;
  AsciiKeyCollation collation;
  ContestScore score(collation);
  Model model;
  std::vector<std::vector<std::uint8_t>> earlier;  // whole records of earlier contacts

  for (int contact = 0; contact < 64 && input.Remaining() > 0; ++contact) {
    const std::uint8_t flags = input.Byte();
    const auto filler = static_cast<std::uint8_t>(flags ^ 0x5A);
    std::vector<std::uint8_t> bytes(kHostQsoRecordSize, filler);
    for (QsoField field : kFields) {
      std::uint8_t* slot = bytes.data() + static_cast<std::size_t>(field);
      slot[0] = input.Byte();
      const std::vector<std::uint8_t> text = input.Bytes(slot[0]);
      if (!text.empty()) std::memcpy(slot + 1, text.data(), text.size());
    }
    if ((flags & kSameContact) && !earlier.empty()) {
      const auto& from = earlier[input.Byte() % earlier.size()];
      for (QsoField field : {QsoField::CallSign, QsoField::Band, QsoField::Mode}) {
        const auto at = static_cast<std::size_t>(field);
        std::memcpy(bytes.data() + at, from.data() + at, kSlotSize);
      }
    }
    if ((flags & kSameStation) && !earlier.empty()) {
      const auto at = static_cast<std::size_t>(QsoField::StationPrefix);
      std::memcpy(bytes.data() + at, earlier.back().data() + at, kSlotSize);
    }
    record.CopyFrom(bytes.data());
    EXPECT(std::memcmp(record.Bytes(), bytes.data(), kHostQsoRecordSize) == 0);

    const bool duplicate = model.worked.count(Model::Contact(record)) != 0;
    const std::int32_t expected = duplicate ? kDuplicate : Model::Points(record);
    // The fields as the entry points pass them: read from the record.
    const QsoView qso = record.View();
    EXPECT(score.Worked().IsDuplicate(qso) == duplicate);

    if (flags & kRecord) {
      EXPECT(score.ScoreQso(qso, ScoreMode::Record) == expected);
      if (!duplicate) model.Record(record);
      // A contact just recorded is a duplicate from now on.
      EXPECT(score.Worked().IsDuplicate(qso));
      EXPECT(score.ScoreQso(qso, ScoreMode::Check) == kDuplicate);
    } else {
      // Check mode answers and changes nothing.
      const std::string before = StatisticsText(score.BandStatistics());
      EXPECT(score.ScoreQso(qso, ScoreMode::Check) == expected);
      EXPECT(StatisticsText(score.BandStatistics()) == before);
    }
    ExpectSameRows(score, model);
    // Scoring reads the record and never writes it.
    EXPECT(std::memcmp(record.Bytes(), bytes.data(), kHostQsoRecordSize) == 0);
    earlier.push_back(std::move(bytes));
  }

  ExpectReport(score, model);
  // The worked list holds the model's contacts and nothing else: each of
  // them is a duplicate, and there are as many as the model has (the list
  // keeps each contact once). A contact that differs in the last byte of one
  // of its texts, or lacks it, is one only where the model has it too.
  const WorkedList& worked = score.Worked();
  EXPECT(worked.Count() == model.worked.size());
  for (const auto& [call, band, mode] : model.worked) {
    EXPECT(worked.IsDuplicate(QsoView{call, band, mode}));
    for (int text = 0; text < 3; ++text) {
      for (int change = 0; change < 2; ++change) {
        std::string other[3] = {call, band, mode};
        std::string& changed = other[text];
        if (changed.empty())
          changed += static_cast<char>(change);
        else if (change == 0)
          changed.back() = static_cast<char>(changed.back() + 1);
        else
          changed.pop_back();
        EXPECT(worked.IsDuplicate(QsoView{other[0], other[1], other[2]}) ==
               (model.worked.count({other[0], other[1], other[2]}) != 0));
      }
    }
  }

  score.Clear();
  EXPECT(score.BandStatistics().empty() && score.Worked().Count() == 0 && score.Keys().Count() == 0);
  EXPECT(StatisticsText(score.BandStatistics()) == "Band\t  QSOs\tPoints\t  DXDA\r\nTotal\t     0\t     0\t     0\r\n Score: 0*0=0");
  return 0;
}
