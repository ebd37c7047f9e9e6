// Contact files that the stand-in hosts feed to the plug-in: the project's
// sample log format and Cabrillo "QSO:" lines.
//
// Sample log format, one item a line:
//   # a comment
//   station<TAB>label<TAB>prefix
//   call<TAB>band<TAB>mode<TAB>report<TAB>DXCC prefix<TAB>main prefix<TAB>continent
// Cabrillo: "CALLSIGN: X" names the station; each "QSO: freq mode date time
// sent-call sent-rst sent-exch rcvd-call rcvd-rst rcvd-exch [tx]" is a
// contact whose band comes from the frequency, whose report is rcvd-rst and
// rcvd-exch, and whose prefixes and continent come from a small prefix table.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

struct Contact {
  std::string callSign;
  std::string band;
  std::string mode;
  std::string report;
  std::string dxccPrefix;
  std::string mainPrefix;
  std::string continent;
};

struct ContactFile {
  std::string stationLabel;
  std::string stationPrefix;
  std::vector<Contact> contacts;
};

class ContactFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ContactFileError, naming the line, for a line it cannot read.
ContactFile ReadContacts(std::istream& in);
// Throws ContactFileError when the file cannot be opened.
ContactFile ReadContactFile(const std::string& path);

// Where a call sign comes from, by the longest matching entry of a small
// table of call-sign prefixes.
struct PrefixInfo {
  std::string dxccPrefix;
  std::string mainPrefix;
  std::string continent;
};
PrefixInfo LookUpPrefix(std::string_view callSign);

// "160M" .. "10M" (and the WARC and VHF bands) from a frequency in kHz; empty
// when the frequency is on no band the table knows.
std::string BandFromKhz(long khz);

}  // namespace varnholt
