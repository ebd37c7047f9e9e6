// Log files of any format the tools read, and the project's own sample log
// format, which the stand-in host and the examples use. Every reader and the
// format detection take a file's bytes as it is stored: UTF-8 (behind a byte
// order mark or not), a single-byte code page, or UTF-16 behind its byte
// order mark, which is read as the UTF-8 of its text (LogText.h).
//
// Sample log format, one item a line:
//   # a comment
//   station<TAB>label<TAB>prefix
//   call<TAB>band<TAB>mode<TAB>report<TAB>DXCC prefix<TAB>main prefix<TAB>continent
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "logfiles/Contact.h"
#include "logfiles/CountryFile.h"
#include "logfiles/LogText.h"

namespace varnholt {

enum class LogFormat { Sample, Cabrillo, Adif };

const char* LogFormatName(LogFormat format);

// The format `log` is written in, from its content; nothing when it is
// none of them.
std::optional<LogFormat> DetectLogFormat(const LogText& log);
std::optional<LogFormat> DetectLogFormat(std::string_view file);

// Reads the sample format into `sink`. Its lines carry their own prefixes:
// it places no call.
void ReadSampleLog(const LogText& log, ContactSink& sink);

// Reads `log`, written in `format`, into `sink`; calls without prefixes of
// their own are placed with `countries`. A file's bytes are decoded once,
// into a LogText, for the detection and the reading alike.
void ReadLog(const LogText& log, LogFormat format, ContactSink& sink,
             const CountryData& countries = kBuiltInCountryData);
void ReadLog(std::string_view file, LogFormat format, ContactSink& sink,
             const CountryData& countries = kBuiltInCountryData);

class ContactFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole content of the file at `path`. Throws ContactFileError when the
// file cannot be opened or read.
std::string ReadWholeFile(const std::string& path);

// A whole log in memory, for the stand-in host.
struct ContactFile {
  std::string stationLabel;
  std::string stationPrefix;
  std::vector<Contact> contacts;
};

// Throws ContactFileError, naming the line, at the first line it cannot
// read, and for a text in no known format. Calls are placed as ReadLog
// places them.
ContactFile ReadContacts(std::string_view text, const CountryData& countries = kBuiltInCountryData);
// The same for the file at `path`; the message names the file.
ContactFile ReadContactFile(const std::string& path, const CountryData& countries = kBuiltInCountryData);

}  // namespace varnholt
