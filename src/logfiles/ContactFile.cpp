#include "ContactFile.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace varnholt {

namespace {

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Cabrillo mode to the host's mode text.
std::string HostMode(const std::string& cabrillo) {
  if (cabrillo == "PH") return "SSB";
  if (cabrillo == "RY") return "RTTY";
  if (cabrillo == "DG") return "DIGI";
  return cabrillo;  // CW, FM and anything else as written
}

[[noreturn]] void Fail(int lineNumber, const std::string& why) {
  throw ContactFileError("line " + std::to_string(lineNumber) + ": " + why);
}

Contact ReadCabrilloQso(const std::vector<std::string>& w, int lineNumber) {
  // QSO: freq mode date time sent-call sent-rst sent-exch rcvd-call rcvd-rst rcvd-exch [tx]
  if (w.size() < 11) Fail(lineNumber, "a QSO: line needs ten fields after QSO:");
  long khz = 0;
  try {
    khz = std::stol(w[1]);
  } catch (const std::exception&) {
    Fail(lineNumber, "frequency '" + w[1] + "' is not a number");
  }
  Contact c;
  c.callSign = Upper(w[8]);
  c.band = BandFromKhz(khz);
  if (c.band.empty()) Fail(lineNumber, "frequency " + w[1] + " kHz is on no band");
  c.mode = HostMode(Upper(w[2]));
  c.report = w[9] + " " + w[10];
  PrefixInfo info = LookUpPrefix(c.callSign);
  c.dxccPrefix = info.dxccPrefix;
  c.mainPrefix = info.mainPrefix;
  c.continent = info.continent;
  return c;
}

}  // namespace

ContactFile ReadContacts(std::istream& in) {
  ContactFile file;
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.compare(0, 4, "QSO:") == 0) {
      file.contacts.push_back(ReadCabrilloQso(Words(line), lineNumber));
      continue;
    }
    if (line.compare(0, 9, "CALLSIGN:") == 0) {
      const std::vector<std::string> w = Words(line.substr(9));
      if (!w.empty()) {
        file.stationLabel = w[0];
        file.stationPrefix = LookUpPrefix(w[0]).dxccPrefix;
      }
      continue;
    }
    if (line.find('\t') == std::string::npos) {
      // Other Cabrillo header and trailer lines ("CONTEST: ...", "END-OF-LOG:").
      if (line.find(':') != std::string::npos) continue;
      Fail(lineNumber, "neither a contact, a station line nor a Cabrillo line");
    }
    const std::vector<std::string> f = Split(line, '\t');
    if (f[0] == "station") {
      if (f.size() != 3) Fail(lineNumber, "a station line has a label and a prefix");
      file.stationLabel = f[1];
      file.stationPrefix = f[2];
      continue;
    }
    if (f.size() != 7) Fail(lineNumber, "a contact has seven tab-separated fields");
    file.contacts.push_back(Contact{f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
  }
  return file;
}

ContactFile ReadContactFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ContactFileError("cannot open contacts file '" + path + "'");
  try {
    return ReadContacts(in);
  } catch (const ContactFileError& e) {
    throw ContactFileError(path + ": " + e.what());
  }
}

std::string BandFromKhz(long khz) {
  struct Range {
    long low, high;
    const char* band;
  };
  static const Range kBands[] = {
      {1800, 2000, "160M"},   {3500, 4000, "80M"},    {5330, 5410, "60M"},
      {7000, 7300, "40M"},    {10100, 10150, "30M"},  {14000, 14350, "20M"},
      {18068, 18168, "17M"},  {21000, 21450, "15M"},  {24890, 24990, "12M"},
      {28000, 29700, "10M"},  {50000, 54000, "6M"},   {144000, 148000, "2M"},
  };
  for (const Range& r : kBands) {
    if (khz >= r.low && khz <= r.high) return r.band;
  }
  return {};
}

PrefixInfo LookUpPrefix(std::string_view callSign) {
  struct Entry {
    const char* callPrefix;
    const char* dxcc;
    const char* continent;
  };
  // A deliberately small table: enough to tell the home region's stations
  // apart from the rest and to give realistic prefixes for common calls.
  static const Entry kTable[] = {
      {"UA1", "UA1", "EU"}, {"RA1", "UA1", "EU"}, {"RK1", "UA1", "EU"}, {"R1", "UA1", "EU"},
      {"UA2", "UA2", "EU"}, {"RA2", "UA2", "EU"}, {"R2", "UA2", "EU"},
      {"UA9", "UA9", "AS"}, {"UA0", "UA9", "AS"}, {"RA9", "UA9", "AS"}, {"RA0", "UA9", "AS"},
      {"R8", "UA9", "AS"},  {"R9", "UA9", "AS"},  {"R0", "UA9", "AS"},  {"RK9", "UA9", "AS"},
      {"UA", "UA", "EU"},   {"RA", "UA", "EU"},   {"RK", "UA", "EU"},   {"RN", "UA", "EU"},
      {"RU", "UA", "EU"},   {"RW", "UA", "EU"},   {"RZ", "UA", "EU"},   {"R", "UA", "EU"},
      {"UR", "UR", "EU"},   {"US", "UR", "EU"},   {"UT", "UR", "EU"},   {"UU", "UR", "EU"},
      {"UV", "UR", "EU"},   {"UW", "UR", "EU"},   {"UX", "UR", "EU"},   {"UY", "UR", "EU"},
      {"UZ", "UR", "EU"},   {"EM", "UR", "EU"},   {"EN", "UR", "EU"},   {"EO", "UR", "EU"},
      {"EW", "EW", "EU"},   {"EU", "EW", "EU"},   {"EV", "EW", "EU"},
      {"UN", "UN", "AS"},   {"UP", "UN", "AS"},   {"UQ", "UN", "AS"},
      {"EX", "EX", "AS"},   {"ER", "ER", "EU"},   {"EK", "EK", "AS"},   {"4J", "4J", "AS"},
      {"4K", "4J", "AS"},   {"EY", "EY", "AS"},   {"UK", "UK", "AS"},   {"EZ", "EZ", "AS"},
      {"4L", "4L", "AS"},   {"YL", "YL", "EU"},   {"LY", "LY", "EU"},   {"ES", "ES", "EU"},
      {"DL", "DL", "EU"},   {"DA", "DL", "EU"},   {"DB", "DL", "EU"},   {"DC", "DL", "EU"},
      {"DD", "DL", "EU"},   {"DF", "DL", "EU"},   {"DG", "DL", "EU"},   {"DJ", "DL", "EU"},
      {"DK", "DL", "EU"},   {"DM", "DL", "EU"},   {"DO", "DL", "EU"},   {"DP", "DL", "EU"},
      {"DR", "DL", "EU"},   {"SP", "SP", "EU"},   {"SQ", "SP", "EU"},   {"SN", "SP", "EU"},
      {"OK", "OK", "EU"},   {"OL", "OK", "EU"},   {"OM", "OM", "EU"},   {"HA", "HA", "EU"},
      {"YO", "YO", "EU"},   {"LZ", "LZ", "EU"},   {"YU", "YU", "EU"},   {"9A", "9A", "EU"},
      {"S5", "S5", "EU"},   {"OE", "OE", "EU"},   {"HB", "HB", "EU"},   {"PA", "PA", "EU"},
      {"ON", "ON", "EU"},   {"OZ", "OZ", "EU"},   {"SM", "SM", "EU"},   {"LA", "LA", "EU"},
      {"OH", "OH", "EU"},   {"G", "G", "EU"},     {"M", "G", "EU"},     {"2E", "G", "EU"},
      {"EI", "EI", "EU"},   {"F", "F", "EU"},     {"EA", "EA", "EU"},   {"CT", "CT", "EU"},
      {"I", "I", "EU"},     {"SV", "SV", "EU"},   {"TA", "TA", "AS"},   {"4X", "4X", "AS"},
      {"JA", "JA", "AS"},   {"JE", "JA", "AS"},   {"JF", "JA", "AS"},   {"JG", "JA", "AS"},
      {"JH", "JA", "AS"},   {"JI", "JA", "AS"},   {"JJ", "JA", "AS"},   {"JK", "JA", "AS"},
      {"JL", "JA", "AS"},   {"JM", "JA", "AS"},   {"JN", "JA", "AS"},   {"JO", "JA", "AS"},
      {"JP", "JA", "AS"},   {"JR", "JA", "AS"},   {"JS", "JA", "AS"},   {"7K", "JA", "AS"},
      {"HL", "HL", "AS"},   {"DS", "HL", "AS"},   {"BY", "BY", "AS"},   {"BG", "BY", "AS"},
      {"BH", "BY", "AS"},   {"BA", "BY", "AS"},   {"BD", "BY", "AS"},   {"VU", "VU", "AS"},
      {"VE", "VE", "NA"},   {"VA", "VE", "NA"},   {"VY", "VE", "NA"},   {"VO", "VE", "NA"},
      {"CY", "VE", "NA"},   {"XE", "XE", "NA"},   {"KH6", "KH6", "OC"}, {"KL", "KL", "NA"},
      {"KP4", "KP4", "NA"}, {"NP4", "KP4", "NA"}, {"WP4", "KP4", "NA"},
      {"K", "K", "NA"},     {"W", "K", "NA"},     {"N", "K", "NA"},     {"AA", "K", "NA"},
      {"AB", "K", "NA"},    {"AC", "K", "NA"},    {"AD", "K", "NA"},    {"AE", "K", "NA"},
      {"AF", "K", "NA"},    {"AG", "K", "NA"},    {"AI", "K", "NA"},    {"AJ", "K", "NA"},
      {"AK", "K", "NA"},    {"PY", "PY", "SA"},   {"PP", "PY", "SA"},   {"PU", "PY", "SA"},
      {"PR", "PY", "SA"},   {"ZV", "PY", "SA"},   {"LU", "LU", "SA"},   {"L2", "LU", "SA"},
      {"CE", "CE", "SA"},   {"CA", "CE", "SA"},   {"CB", "CE", "SA"},   {"CX", "CX", "SA"},
      {"HK", "HK", "SA"},   {"YV", "YV", "SA"},   {"OA", "OA", "SA"},   {"VK", "VK", "OC"},
      {"ZL", "ZL", "OC"},   {"ZS", "ZS", "AF"},   {"CN", "CN", "AF"},   {"EA8", "EA8", "AF"},
      {"SU", "SU", "AF"},   {"5B", "5B", "AS"},   {"9M2", "9M2", "AS"}, {"YB", "YB", "OC"},
  };
  // Portable calls: UR5ABC/P keeps its own prefix, DL/UR5ABC works from DL.
  std::string call(callSign);
  const std::size_t slash = call.find('/');
  if (slash != std::string::npos) {
    const std::string head = call.substr(0, slash), tail = call.substr(slash + 1);
    const bool operatingSuffix = tail.size() <= 1 || tail == "MM" || tail == "AM" || tail == "QRP";
    call = (operatingSuffix || head.size() > tail.size()) ? (operatingSuffix ? head : tail) : head;
  }
  const Entry* best = nullptr;
  std::size_t bestLength = 0;
  for (const Entry& e : kTable) {
    const std::size_t n = std::char_traits<char>::length(e.callPrefix);
    if (n > bestLength && call.compare(0, n, e.callPrefix) == 0) {
      best = &e;
      bestLength = n;
    }
  }
  if (best == nullptr) return PrefixInfo{"", "", ""};
  // The main prefix is the call's own prefix up to and including its digit.
  std::size_t end = 0;
  while (end < call.size() && !(call[end] >= '0' && call[end] <= '9' && end > 0)) ++end;
  const std::string mainPrefix = call.substr(0, std::min(call.size(), end + 1));
  return PrefixInfo{best->dxcc, mainPrefix, best->continent};
}

}  // namespace varnholt
