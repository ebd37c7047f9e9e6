#include "logfiles/ContactFile.h"

#include <fstream>

#include "logfiles/Adif.h"
#include "logfiles/Cabrillo.h"
#include "logfiles/Lines.h"
#include "logfiles/LogText.h"

namespace varnholt {

namespace {

// The line's fields between tabs, an empty field where two tabs meet.
void SplitTabs(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return;
    start = tab + 1;
  }
}

bool LooksLikeSampleLog(std::string_view text) {
  Lines lines(text);
  for (std::string_view line; lines.Next(line);) {
    if (line.empty() || line == "\r" || line[0] == '#') continue;
    return line.find('\t') != std::string_view::npos;
  }
  return false;
}

// Collects a whole log, stopping at the first bad line.
class Collector final : public ContactSink {
 public:
  explicit Collector(ContactFile& file) : file_(file) {}
  void Station(const std::string& callSign, const std::string& prefix) override {
    file_.stationLabel = callSign;
    file_.stationPrefix = prefix;
  }
  void Add(const Contact& contact, int) override { file_.contacts.push_back(contact); }
  void BadLine(const LogLineError& error) override {
    throw ContactFileError("line " + std::to_string(error.line) + ": " + error.message);
  }

 private:
  ContactFile& file_;
};

}  // namespace

const char* LogFormatName(LogFormat format) {
  switch (format) {
    case LogFormat::Sample: return "sample";
    case LogFormat::Cabrillo: return "Cabrillo";
    case LogFormat::Adif: return "ADIF";
  }
  return "?";
}

std::optional<LogFormat> DetectLogFormat(std::string_view file) { return DetectLogFormat(LogText(file)); }

std::optional<LogFormat> DetectLogFormat(const LogText& log) {
  if (LooksLikeCabrillo(log)) return LogFormat::Cabrillo;
  if (LooksLikeAdif(log)) return LogFormat::Adif;
  if (LooksLikeSampleLog(log.Text())) return LogFormat::Sample;
  return std::nullopt;
}

namespace {

void ReadSampleText(std::string_view text, ContactSink& sink) {
  std::vector<std::string_view> f;
  Contact contact;
  Lines lines(text);
  for (std::string_view line; lines.Next(line);) {
    const int lineNumber = lines.Number();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    SplitTabs(line, f);
    if (f[0] == "station") {
      if (f.size() != 3) {
        sink.BadLine({lineNumber, "a station line has a label and a prefix"});
      } else {
        sink.Station(std::string(f[1]), std::string(f[2]));
      }
      continue;
    }
    if (f.size() != 7) {
      sink.BadLine({lineNumber, "a contact has seven tab-separated fields"});
      continue;
    }
    contact.callSign.assign(f[0]);
    contact.band.assign(f[1]);
    contact.mode.assign(f[2]);
    contact.report.assign(f[3]);
    contact.dxccPrefix.assign(f[4]);
    contact.mainPrefix.assign(f[5]);
    contact.continent.assign(f[6]);
    sink.Add(contact, lineNumber);
  }
}

}  // namespace

void ReadSampleLog(const LogText& log, ContactSink& sink) { ReadLogText(log, sink, ReadSampleText); }

void ReadLog(const LogText& log, LogFormat format, ContactSink& sink, const CountryData& countries) {
  switch (format) {
    case LogFormat::Sample: return ReadSampleLog(log, sink);
    case LogFormat::Cabrillo: return ReadCabrillo(log, sink, countries);
    case LogFormat::Adif: return ReadAdif(log, sink, countries);
  }
}

void ReadLog(std::string_view file, LogFormat format, ContactSink& sink, const CountryData& countries) {
  ReadLog(LogText(file), format, sink, countries);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ContactFileError("cannot open contacts file '" + path + "'");
  std::string content;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    content.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw ContactFileError("cannot read contacts file '" + path + "'");
  return content;
}

ContactFile ReadContacts(std::string_view text, const CountryData& countries) {
  const LogText log(text);
  const std::optional<LogFormat> format = DetectLogFormat(log);
  if (!format) throw ContactFileError("not a log in any format known here (Cabrillo, ADIF, sample)");
  ContactFile file;
  Collector collector(file);
  ReadLog(log, *format, collector, countries);
  return file;
}

ContactFile ReadContactFile(const std::string& path, const CountryData& countries) {
  const std::string text = ReadWholeFile(path);
  try {
    return ReadContacts(text, countries);
  } catch (const ContactFileError& e) {
    throw ContactFileError(path + ": " + e.what());
  }
}

}  // namespace varnholt
