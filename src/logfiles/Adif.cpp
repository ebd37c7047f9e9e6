#include "logfiles/Adif.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/HomeRegion.h"
#include "common/TextRules.h"
#include "logfiles/AdifTags.h"
#include "logfiles/Bands.h"
#include "logfiles/LogText.h"
#include "logfiles/PrefixTable.h"

namespace varnholt {

namespace {

// "14.025" (MHz) as 14025 kHz. Digits with at most one '.', nothing else.
std::optional<double> KhzFromMhz(std::string_view mhz) {
  constexpr std::uint64_t kMaxDigits = 100000000000000000ULL;  // 1e17: room for one more digit
  std::uint64_t digits = 0;
  int fractionDigits = 0;
  bool seenPoint = false, seenDigit = false;
  for (char c : mhz) {
    if (c == '.' && !seenPoint) {
      seenPoint = true;
      continue;
    }
    if (!IsDigit(c)) return std::nullopt;
    seenDigit = true;
    if (digits < kMaxDigits) {
      digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (seenPoint) ++fractionDigits;
    } else if (!seenPoint) {
      return std::nullopt;  // far beyond any radio frequency
    }
  }
  if (!seenDigit) return std::nullopt;
  // One multiplication or division by an exact power of ten keeps "14.025"
  // exactly 14025.
  double scale = 1.0;
  for (int i = std::min(fractionDigits, 3); i < std::max(fractionDigits, 3); ++i) scale *= 10.0;
  const double value = static_cast<double>(digits);
  return fractionDigits <= 3 ? value * scale : value / scale;
}

// The fields of one record that make a contact, as views into the file.
struct Record {
  int line = 0;  // where its first field starts; 0 while it has none
  std::string_view call, band, freq, mode, rstRcvd, srxString, srx, dxcc, stationCallsign, op;
  // When the contact was made. Damage here costs the contact its time only.
  std::string_view qsoDate, timeOn;
  bool timeInDoubt = false;
  std::uint32_t seen = 0;    // the known fields it holds, a bit each
  bool runTogether = false;  // it holds a known field twice
  int damageLine = 0;        // where it was first found damaged; 0 while it is not
  std::string damage;
  // A field the contact is made of was damaged, or lies where damage could
  // have moved it: the contact cannot be read whole.
  bool contactInDoubt = false;
};

struct KnownField {
  std::string_view name;
  std::string_view Record::*slot;
};

constexpr KnownField kKnownFields[] = {
    {"CALL", &Record::call},
    {"BAND", &Record::band},
    {"MODE", &Record::mode},
    {"FREQ", &Record::freq},
    {"RST_RCVD", &Record::rstRcvd},
    {"SRX_STRING", &Record::srxString},
    {"SRX", &Record::srx},
    {"DXCC", &Record::dxcc},
    {"STATION_CALLSIGN", &Record::stationCallsign},
    {"OPERATOR", &Record::op},
};

bool IsKnownField(std::string_view name) {
  for (const KnownField& field : kKnownFields) {
    if (EqualsIgnoringCase(name, field.name)) return true;
  }
  return false;
}

constexpr KnownField kTimeFields[] = {{"QSO_DATE", &Record::qsoDate}, {"TIME_ON", &Record::timeOn}};

const KnownField* TimeField(std::string_view name) {
  for (const KnownField& field : kTimeFields) {
    if (EqualsIgnoringCase(name, field.name)) return &field;
  }
  return nullptr;
}

class AdifReader {
 public:
  AdifReader(std::string_view text, ContactSink& sink, const CountryData& countries)
      : text_(text),
        lexer_(text),
        sink_(sink),
        countries_(countries),
        // A log that times any contact must time each one; one that times
        // none is read without times, as the sample logs are.
        logHoldsTimes_(HoldsField(text, kTimeFields[0].name) || HoldsField(text, kTimeFields[1].name)) {}

  void Read() {
    std::size_t at = lexer_.StartOfRecords(headerOpen_);
    for (;;) {
      const std::size_t next = text_.find('<', at);
      CheckBetweenFields(at, next == std::string_view::npos ? text_.size() : next);
      if (next == std::string_view::npos) break;
      at = next;
      // A tag that a damaged field's length reaches over may be part of its
      // value: it is read, by its bytes alone, but what it holds is in doubt.
      const bool inDoubt = at < doubtUntil_;
      const AdifTag tag = lexer_.TagAt(at, inDoubt);
      switch (tag.kind) {
        case AdifTag::kNotATag:
          ++at;
          continue;
        case AdifTag::kField:
          if (inDoubt) {
            Doubt(tag.name, lexer_.LineAt(at));
          } else {
            Store(tag, lexer_.LineAt(at));
          }
          break;
        case AdifTag::kEndOfRecord:
          headerOpen_ = false;
          if (inDoubt) record_.contactInDoubt = true;  // where the record ends is in doubt
          FinishRecord();
          break;
        case AdifTag::kEndOfHeader:
          // Fields before it described the file, not a contact.
          if (headerOpen_) StartRecord();
          headerOpen_ = false;
          break;
        case AdifTag::kOtherTag:  // a bare tag other programs may use; nothing for a contact
          break;
        case AdifTag::kBadLength:
          // Where this field's data ends is unknown: reading takes up again
          // at the next tag.
          Damage(lexer_.LineAt(at),
                 "field " + std::string(tag.name) +
                     (tag.data.empty() ? ": its length is not a number" : ": no '>' after its length"));
          Doubt(tag.name, lexer_.LineAt(at));
          doubtUntil_ = std::max(doubtUntil_, tag.reach);
          ++at;
          continue;
        case AdifTag::kValueCut:
          // Where the value ends is unknown: reading takes up again at the
          // next tag after its start, and the tags its length reaches over
          // are in doubt.
          Damage(lexer_.LineAt(at), lexer_.CutValueMessage(tag));
          Doubt(tag.name, lexer_.LineAt(at));
          doubtUntil_ = std::max(doubtUntil_, tag.reach);
          at = static_cast<std::size_t>(tag.data.data() - text_.data());
          continue;
        case AdifTag::kPastEnd:
          // The file ends inside the record: what it lost is unknown.
          Damage(lexer_.LineAt(at), "field " + std::string(tag.name) + " runs past the end of the file");
          record_.contactInDoubt = true;
          FinishRecord();
          return;
      }
      at = tag.end;
    }
    // The last record may lack its "<eor>".
    FinishRecord();
  }

 private:
  void Store(const AdifTag& tag, int line) {
    if (record_.line == 0) record_.line = line;
    lastLine_ = line;
    for (std::size_t i = 0; i < std::size(kKnownFields); ++i) {
      const KnownField& field = kKnownFields[i];
      if (EqualsIgnoringCase(tag.name, field.name)) {
        // A field a record holds twice: the "<eor>" between two records is lost.
        const std::uint32_t bit = 1u << i;
        if (record_.seen & bit) record_.runTogether = true;
        record_.seen |= bit;
        record_.*field.slot = tag.data;
        if (field.slot == &Record::call) calls_.push_back({line, tag.data});
        return;
      }
    }
    if (const KnownField* field = TimeField(tag.name)) record_.*field->slot = tag.data;
  }

  // The record is damaged: the first thing wrong with it is reported, and
  // it still counts if its contact is whole.
  void Damage(int line, std::string message) {
    if (record_.line == 0) record_.line = line;
    if (record_.damageLine != 0) return;
    record_.damageLine = line;
    record_.damage = std::move(message);
  }

  // The field `name` was damaged or may have been moved by damage: when the
  // contact is made of it, the contact is in doubt.
  void Doubt(std::string_view name, int line) {
    if (record_.line == 0) record_.line = line;
    if (IsKnownField(name)) record_.contactInDoubt = true;
    if (TimeField(name) != nullptr) record_.timeInDoubt = true;
  }

  // A field that lost its '<' is missing from its record; its length
  // reaches over what follows as a value's would.
  void CheckBetweenFields(std::size_t from, std::size_t to) {
    while (const std::optional<AdifLostOpening> lost = lexer_.NextLostOpening(from, to)) {
      const int line = lexer_.LineAt(lost->end - 1);
      Damage(line, "field " + std::string(lost->name) + " lost its '<' (" + std::string(lost->tag) + ")");
      Doubt(lost->name, line);
      doubtUntil_ = std::max(doubtUntil_, lost->reach);
    }
  }

  void StartRecord() {
    record_ = Record();
    calls_.clear();
  }

  // A damaged record counts when its contact is whole: each field it is made
  // of was read by its length before any damage could reach it. Its damage is
  // reported after it, as costing no contact; otherwise, as the record's loss.
  void FinishRecord() {
    if (record_.runTogether || calls_.size() > 1) {
      ReportRunTogether();
    } else if (record_.damageLine != 0) {
      const bool whole = !record_.contactInDoubt && MakeContact().empty();
      if (whole) {
        NameStation();
        sink_.Add(contact_, record_.line);
        ReportTime();
      }
      sink_.BadLine(LogLineError{record_.damageLine, std::move(record_.damage), whole});
    } else if (record_.line != 0) {
      NameStation();
      AddContact();
    }
    StartRecord();
  }

  // Records without "<eor>" between them cannot be told apart: each of their
  // calls is reported as not read, with where the run of records lies.
  void ReportRunTogether() {
    const int first = record_.damageLine != 0 ? std::min(record_.line, record_.damageLine) : record_.line;
    const std::string where = "lines " + std::to_string(first) + "-" + std::to_string(lastLine_);
    std::vector<LogLineError> lost;
    if (record_.damageLine != 0) lost.push_back({record_.damageLine, std::move(record_.damage)});
    if (calls_.size() > 1) {
      const std::string run =
          std::to_string(calls_.size()) + " records run together without <EOR> (" + where + ")";
      for (const auto& [line, call] : calls_)
        lost.push_back({line, "CALL " + std::string(Trim(call)) + ": " + run});
    } else {
      lost.push_back({record_.line, "fields of several records run together without <EOR> (" + where + ")"});
    }
    std::stable_sort(lost.begin(), lost.end(),
                     [](const LogLineError& a, const LogLineError& b) { return a.line < b.line; });
    for (LogLineError& e : lost) sink_.BadLine(e);
  }

  void NameStation() {
    if (stationNamed_) return;
    std::string_view station = Trim(record_.stationCallsign);
    if (station.empty()) station = Trim(record_.op);
    if (station.empty()) return;
    stationNamed_ = true;
    const std::string call = UpperAsciiCopy(station);
    sink_.Station(call, LookUpPrefix(call, countries_).dxccPrefix);
  }

  void AddContact() {
    std::string why = MakeContact();
    if (why.empty()) {
      sink_.Add(contact_, record_.line);
      ReportTime();
    } else {
      Bad(record_.line, std::move(why));
    }
  }

  // Makes contact_ of the record; says why when the record makes none.
  std::string MakeContact() {
    const std::string_view call = Trim(record_.call);
    if (call.empty()) return "a record without CALL";
    contact_.callSign.assign(call);
    UpperAsciiInPlace(contact_.callSign);
    const std::string_view mode = Trim(record_.mode);
    if (mode.empty()) return "a record without MODE (" + contact_.callSign + ")";
    std::string why = SetBand();
    if (!why.empty()) return why;
    contact_.mode.assign(mode);
    UpperAsciiInPlace(contact_.mode);
    SetReport();
    SetPrefixes();
    SetTime();
    return why;
  }

  // The contact's time, from QSO_DATE and TIME_ON; where it cannot be read
  // timeProblem_ says why.
  void SetTime() {
    contact_.utc.reset();
    timeProblem_.clear();
    const std::string_view date = Trim(record_.qsoDate), time = Trim(record_.timeOn);
    if (record_.timeInDoubt) {
      timeProblem_ = "the time of " + contact_.callSign + " lies where damage reaches";
    } else if (date.empty() || time.empty()) {
      if (logHoldsTimes_)
        timeProblem_ = std::string("a record without ") + (date.empty() ? "QSO_DATE" : "TIME_ON") + " (" +
                       contact_.callSign + ")";
    } else {
      UtcSeconds utc = 0;
      const std::string why = ReadAdifTime(date, time, utc);
      if (why.empty()) {
        contact_.utc = utc;
      } else {
        timeProblem_ = "QSO_DATE " + std::string(date) + " TIME_ON " + std::string(time) + " (" +
                       contact_.callSign + "): " + why;
      }
    }
  }

  // A contact handed on without the time it should have is damage that cost
  // no contact.
  void ReportTime() {
    if (!timeProblem_.empty())
      sink_.BadLine(LogLineError{record_.line, timeProblem_ + "; " + kLeftOutOfTimes, true});
  }

  // The band the record names, else the one its frequency is on. A BAND
  // that names no band gives way to a FREQ that is on one; with neither the
  // record cannot be placed, and why is returned.
  std::string SetBand() {
    const std::string_view band = Trim(record_.band);
    const std::string_view freq = Trim(record_.freq);
    contact_.band = BandFromAdifName(band);
    if (!contact_.band.empty()) return {};
    if (!freq.empty()) {
      const std::optional<double> khz = KhzFromMhz(freq);
      if (khz) contact_.band = BandFromKhz(*khz);
      if (!contact_.band.empty()) return {};
    }
    if (!band.empty()) return "BAND " + std::string(band) + " is no band (" + contact_.callSign + ")";
    if (!freq.empty()) return "FREQ " + std::string(freq) + " is on no band (" + contact_.callSign + ")";
    return "a record without BAND or FREQ (" + contact_.callSign + ")";
  }

  void SetReport() {
    const std::string_view rst = Trim(record_.rstRcvd);
    std::string_view exchange = Trim(record_.srxString);
    if (exchange.empty()) exchange = Trim(record_.srx);
    contact_.report.assign(rst);
    if (!rst.empty() && !exchange.empty()) contact_.report += ' ';
    contact_.report.append(exchange);
  }

  void SetPrefixes() {
    PrefixInfo info = LookUpPrefix(contact_.callSign, countries_);
    contact_.mainPrefix = std::move(info.mainPrefix);
    contact_.continent = std::move(info.continent);
    const std::optional<int> entity = DecimalNumber(Trim(record_.dxcc));
    contact_.unknownCall = info.unknown && !entity;
    if (!entity) {
      contact_.dxccPrefix = std::move(info.dxccPrefix);
      return;
    }
    // The log's own entity code outranks the call sign; one outside the home
    // region must not turn into a home-region prefix through the call.
    if (const char* home = HomeRegionPrefixOfEntity(*entity)) {
      contact_.dxccPrefix = home;
    } else if (IsHomeRegionPrefix(info.dxccPrefix)) {
      contact_.dxccPrefix.clear();
    } else {
      contact_.dxccPrefix = std::move(info.dxccPrefix);
    }
  }

  void Bad(int line, std::string message) { sink_.BadLine(LogLineError{line, std::move(message)}); }

  std::string_view text_;
  AdifLexer lexer_;
  ContactSink& sink_;
  const CountryData& countries_;
  Record record_;
  Contact contact_;  // reused, so its strings keep their room from contact to contact
  // The CALL fields of the record being read, with their lines.
  std::vector<std::pair<int, std::string_view>> calls_;
  int lastLine_ = 0;  // where the record's last field starts
  // Tags that start before this are in doubt: a damaged field's length
  // reaches over them.
  std::size_t doubtUntil_ = 0;
  bool headerOpen_ = false;
  const bool logHoldsTimes_;
  std::string timeProblem_;
  bool stationNamed_ = false;
};

}  // namespace

void ReadAdif(const LogText& log, ContactSink& sink, const CountryData& countries) {
  ReadLogText(log, sink, [&](std::string_view utf8, ContactSink& to) { AdifReader(utf8, to, countries).Read(); });
}

void ReadAdif(std::string_view file, ContactSink& sink, const CountryData& countries) {
  ReadAdif(LogText(file), sink, countries);
}

bool LooksLikeAdif(std::string_view file) { return LooksLikeAdif(LogText(file)); }

bool LooksLikeAdif(const LogText& log) { return StartsLikeAdif(log.Text()); }

}  // namespace varnholt
