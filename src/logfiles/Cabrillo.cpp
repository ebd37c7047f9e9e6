#include "logfiles/Cabrillo.h"

#include <algorithm>
#include <vector>

#include "common/TextRules.h"
#include "logfiles/Bands.h"
#include "logfiles/Lines.h"
#include "logfiles/LogText.h"
#include "logfiles/PrefixTable.h"

namespace varnholt {

namespace {

// How far into a file LooksLikeCabrillo looks for the log's first tag line.
constexpr std::size_t kSniffBytes = 64 * 1024;

// Splits `line` at runs of blanks (C's white space: a line holds no LF)
// into `words`, which keeps its capacity from line to line.
void SplitWords(std::string_view line, std::vector<std::string_view>& words) {
  words.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
}

// Whether `line` starts with `tag` ("QSO:") in any letter case.
bool HasTag(std::string_view line, std::string_view tag) {
  return EqualsIgnoringCase(line.substr(0, tag.size()), tag);
}

// "TAG: ...": a word without blanks before the first colon.
bool StartsWithTag(std::string_view line) {
  const std::size_t colon = line.find(':');
  return colon != std::string_view::npos &&
         line.substr(0, colon).find_first_of(" \t") == std::string_view::npos;
}

void AssignUpper(std::string& out, std::string_view text) {
  out.assign(text.data(), text.size());
  UpperAsciiInPlace(out);
}

// Cabrillo's mode to the host's mode text.
std::string_view HostMode(std::string_view cabrillo) {
  if (cabrillo == "PH") return "SSB";
  if (cabrillo == "RY") return "RTTY";
  if (cabrillo == "DG") return "DIGI";
  return cabrillo;  // CW, FM and anything else as written
}

// A received call has a letter and a digit; an exchange field ("599",
// "0001", "UR", "5NN" aside) rarely has both. Telling them apart catches a
// line whose fields do not pair up.
bool LooksLikeCall(std::string_view word) {
  bool letter = false, digit = false;
  for (char c : word) {
    const char u = UpperAscii(c);
    letter = letter || IsUpperLetter(u);
    digit = digit || IsDigit(u);
  }
  const bool signalReport = word.size() == 3 && word[0] >= '1' && word[0] <= '5' &&
                            UpperAscii(word[1]) == 'N' && UpperAscii(word[2]) == 'N';
  return letter && digit && !signalReport;
}

class QsoLineReader {
 public:
  QsoLineReader(ContactSink& sink, const CountryData& countries) : sink_(sink), countries_(countries) {}

  void Read(std::string_view rest, int lineNumber) {
    // freq mode date time sent-call, then the sent exchange, the received
    // call, the received exchange and perhaps a transmitter number.
    SplitWords(rest, words_);
    if (words_.size() < 6) {
      return Bad(lineNumber, "a QSO: line needs a frequency, a mode, a date, a time and two call signs");
    }
    const std::size_t after = words_.size() - 5;  // 2k + 1, or 2k + 2 with a transmitter
    std::size_t k = (after - 1) / 2;              // fields in each exchange
    std::size_t received = k;                     // fields of the received exchange present
    if (!LooksLikeCall(words_[5 + k])) {
      // The fields do not pair up: a field is missing. The received call is
      // then the first call sign after the sent one, and what follows it,
      // up to as many fields as were sent, is the received exchange.
      std::size_t j = 5;
      while (j < words_.size() && !LooksLikeCall(words_[j])) ++j;
      if (j == words_.size()) {
        return Bad(lineNumber, "no received call sign after " + std::string(words_[4]));
      }
      k = j - 5;
      received = std::min(k, words_.size() - j - 1);
    }
    const std::string_view call = words_[5 + k];
    contact_.band = BandFromCabrilloFrequency(words_[0]);
    if (contact_.band.empty()) {
      return Bad(lineNumber, "frequency " + std::string(words_[0]) + " is on no band");
    }
    AssignUpper(contact_.callSign, call);
    AssignUpper(contact_.mode, words_[1]);
    contact_.mode.assign(HostMode(contact_.mode));
    contact_.report.clear();
    for (std::size_t i = 0; i < received; ++i) {
      if (i > 0) contact_.report += ' ';
      contact_.report.append(words_[6 + k + i]);
    }
    const std::size_t transmitter = 6 + k + received;  // a word after the received exchange
    contact_.transmitter.assign(transmitter + 1 == words_.size() ? words_[transmitter] : std::string_view());
    PrefixInfo info = LookUpPrefix(contact_.callSign, countries_);
    contact_.dxccPrefix = std::move(info.dxccPrefix);
    contact_.mainPrefix = std::move(info.mainPrefix);
    contact_.continent = std::move(info.continent);
    contact_.unknownCall = info.unknown;
    UtcSeconds utc = 0;
    const std::string timeProblem = ReadCabrilloTime(words_[2], words_[3], utc);
    contact_.utc = timeProblem.empty() ? std::optional<UtcSeconds>(utc) : std::nullopt;
    sink_.Add(contact_, lineNumber);
    if (!timeProblem.empty()) {
      sink_.BadLine(LogLineError{lineNumber,
                                 "date and time " + std::string(words_[2]) + " " + std::string(words_[3]) + ": " +
                                     timeProblem + "; " + kLeftOutOfTimes,
                                 true});
    }
  }

 private:
  void Bad(int lineNumber, std::string why) { sink_.BadLine(LogLineError{lineNumber, std::move(why)}); }

  ContactSink& sink_;
  const CountryData& countries_;
  std::vector<std::string_view> words_;
  Contact contact_;  // reused: its texts keep their capacity
};

// Where a line stands in the file. Text before the log's first
// "START-OF-LOG:" or "QSO:" line (comments, a note pasted above it) and
// after its "END-OF-LOG:" (score notes) is not part of the log; only inside
// it is a line without a tag an error. Contacts are read wherever they
// stand: some files put "END-OF-LOG:" before their QSO: lines.
enum class Part { kBefore, kInside, kAfter };

void ReadCabrilloText(std::string_view text, ContactSink& sink, const CountryData& countries) {
  QsoLineReader qsoLines(sink, countries);
  Lines lines(text);
  Part part = Part::kBefore;
  int firstUntagged = 0;  // the first line before the log without a tag
  for (std::string_view line; lines.Next(line);) {
    const int lineNumber = lines.Number();
    while (!line.empty() && IsSpace(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') continue;  // blank, or a comment
    if (HasTag(line, "QSO:")) {
      if (part == Part::kBefore) part = Part::kInside;
      qsoLines.Read(line.substr(4), lineNumber);
    } else if (HasTag(line, "START-OF-LOG:")) {
      part = Part::kInside;
    } else if (part == Part::kAfter) {
      continue;
    } else if (HasTag(line, "END-OF-LOG:")) {
      part = Part::kAfter;
    } else if (HasTag(line, "X-QSO:")) {
      // A contact the operator left out of the log.
      if (part == Part::kBefore) part = Part::kInside;
    } else if (HasTag(line, "CALLSIGN:")) {
      const std::string call = UpperAsciiCopy(Trim(line.substr(9)));
      if (!call.empty()) sink.Station(call, LookUpPrefix(call, countries).dxccPrefix);
    } else if (StartsWithTag(line)) {
      const std::size_t colon = line.find(':');
      sink.Header(line.substr(0, colon), TrimSpace(line.substr(colon + 1)));
    } else {
      // Every other line of the log is a header line ("CONTEST: ..."),
      // which starts with a tag; a line without one is not Cabrillo.
      if (part == Part::kInside) {
        sink.BadLine(LogLineError{lineNumber, "not a Cabrillo line: it starts with no tag"});
      } else if (firstUntagged == 0) {
        firstUntagged = lineNumber;
      }
    }
  }
  // Text with no log after it was no note before a log: the file (read as
  // Cabrillo on request) holds none.
  if (part == Part::kBefore && firstUntagged != 0) {
    sink.BadLine(LogLineError{firstUntagged, "no START-OF-LOG: or QSO: line: this is not a Cabrillo log"});
  }
}

}  // namespace

void ReadCabrillo(const LogText& log, ContactSink& sink, const CountryData& countries) {
  ReadLogText(log, sink, [&](std::string_view utf8, ContactSink& to) { ReadCabrilloText(utf8, to, countries); });
}

void ReadCabrillo(std::string_view file, ContactSink& sink, const CountryData& countries) {
  ReadCabrillo(LogText(file), sink, countries);
}

bool LooksLikeCabrillo(std::string_view file) { return LooksLikeCabrillo(LogText(file)); }

bool LooksLikeCabrillo(const LogText& log) {
  // A log's first tag line comes near the top, after comments or a note.
  Lines lines(log.Text().substr(0, kSniffBytes));
  for (std::string_view line; lines.Next(line);) {
    while (!line.empty() && IsSpace(line.front())) line.remove_prefix(1);
    if (HasTag(line, "START-OF-LOG:") || HasTag(line, "QSO:")) return true;
  }
  return false;
}

}  // namespace varnholt
