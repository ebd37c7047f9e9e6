// The records that cross the boundary with the host, and CurrentQso, the
// plug-in's own copy of the last contact record the host handed over.
//
// Both records are byte layouts fixed by the host. They are read and written
// by offset only: a struct would let the compiler pad or reorder what the host
// laid out byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/QsoView.h"

namespace varnholt {

// A text slot: 256 bytes, a length byte 0..255 and then that many characters
// in the host's single-byte code page. Bytes behind the text are not ours.
constexpr std::size_t kSlotMaxText = kMostQsoText;
constexpr std::size_t kSlotSize = kSlotMaxText + 1;

// Reads exactly as many characters as the slot's length byte says.
std::string_view ReadSlot(const std::uint8_t* slot);
// Stores at most 255 characters and the length byte; the bytes behind the
// text keep whatever they held.
void WriteSlot(std::uint8_t* slot, std::string_view text);

constexpr std::size_t kHostQsoRecordSize = 5916;

// Offsets of the text slots of a HostQsoRecord that the plug-in reads or
// writes. Every other byte is opaque and travels along unchanged.
enum class QsoField : std::size_t {
  LogTableName = 12,
  CallSign = 268,
  Band = 540,
  Mode = 796,
  Continent = 1052,
  ReportReceived = 1308,
  MainPrefix = 2332,
  DxccPrefix = 2588,
  StationLabel = 3868,
  StationPrefix = 4636,
};

// The host's open log connection sits at offset 0: four bytes in the 32-bit
// layout, a full pointer-sized handle in the 64-bit build (offsets 0..7,
// which overlap only the opaque bytes 4..7 of the 32-bit layout).
constexpr std::size_t kLogConnectionOffset = 0;
constexpr std::size_t kLogConnectionSize = sizeof(void*);

// One HostQsoRecord held by value, zero when created.
class QsoRecord {
 public:
  constexpr QsoRecord() : bytes_{} {}

  // Plain 5916-byte copy from a host record.
  void CopyFrom(const void* hostRecord);

  std::string_view Text(QsoField field) const;
  void SetText(QsoField field, std::string_view text);
  // The texts the scoring rules read, as views into this record.
  QsoView View() const;

  std::uintptr_t LogConnection() const;
  void SetLogConnection(std::uintptr_t connection);

  const std::uint8_t* Bytes() const { return bytes_; }
  std::uint8_t* Bytes() { return bytes_; }

 private:
  alignas(8) std::uint8_t bytes_[kHostQsoRecordSize];
};

// The process-wide CurrentQso: zero at load; overwritten by the entry points
// that carry a contact and by the creation of the statistics window.
QsoRecord& CurrentQso();

// PluginInfoRecord: supplied by the host, at least 520 bytes. Writes the
// display name, the two info words and the identification string, and not
// one byte more.
constexpr std::size_t kPluginInfoRecordSize = 520;
void WritePluginInfo(void* infoRecord);

constexpr const char* kPluginName = "Varnholt";
constexpr const char* kPluginIdentification = "tamrel_contest";

}  // namespace varnholt
