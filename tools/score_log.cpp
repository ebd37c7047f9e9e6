// Scores a contact file with the plug-in's own rules, natively, the way the
// host's _AddQSO calls would: one result per contact, then the report text.
//
//   score_log FILE [--quiet]
#include <cstring>
#include <iostream>

#include "ContactFile.h"
#include "mainform/Report.h"
#include "mainform/Scoring.h"

using namespace varnholt;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: score_log FILE [--quiet]\n";
    return 2;
  }
  const bool quiet = argc > 2 && std::strcmp(argv[2], "--quiet") == 0;
  ContactFile file;
  try {
    file = ReadContactFile(argv[1]);
  } catch (const ContactFileError& e) {
    std::cerr << "score_log: " << e.what() << "\n";
    return 1;
  }
  QsoRecord& qso = CurrentQso();
  qso.SetText(QsoField::StationLabel, file.stationLabel);
  qso.SetText(QsoField::StationPrefix, file.stationPrefix);
  AsciiKeyCollation collation;
  ContestScore score(qso, collation);
  int duplicates = 0;
  for (const Contact& c : file.contacts) {
    qso.SetText(QsoField::CallSign, c.callSign);
    qso.SetText(QsoField::Band, c.band);
    qso.SetText(QsoField::Mode, c.mode);
    qso.SetText(QsoField::ReportReceived, c.report);
    qso.SetText(QsoField::DxccPrefix, c.dxccPrefix);
    qso.SetText(QsoField::MainPrefix, c.mainPrefix);
    qso.SetText(QsoField::Continent, c.continent);
    const int result = score.ScoreQso(ScoreMode::Record);
    if (result == kDuplicate) ++duplicates;
    if (!quiet) {
      std::cout << c.callSign << '\t' << c.band << '\t' << c.mode << '\t' << c.report << '\t'
                << (result == kDuplicate ? "duplicate" : std::to_string(result) + " point(s)")
                << '\n';
    }
  }
  std::cout << "\n" << file.contacts.size() << " contacts, " << duplicates
            << " duplicates, station " << file.stationLabel << " (" << file.stationPrefix
            << ")\n\n";
  // The report uses CR LF, as the window's text box wants; print plain lines.
  std::string text = StatisticsText(score.BandStatistics());
  std::string plain;
  for (char ch : text) {
    if (ch != '\r') plain += ch;
  }
  std::cout << plain << "\n";
  return 0;
}
