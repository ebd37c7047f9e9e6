#include "plugin/Plugin.h"

#include <cstring>

namespace varnholt {

namespace {

constexpr std::size_t kInfoNameOffset = 0;
constexpr std::size_t kInfoFirstWordOffset = 256;
constexpr std::size_t kInfoIdentOffset = 260;
constexpr std::size_t kInfoSecondWordOffset = 516;

void WriteInt32LE(std::uint8_t* at, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

}  // namespace

std::string_view ReadSlot(const std::uint8_t* slot) {
  return std::string_view(reinterpret_cast<const char*>(slot + 1), slot[0]);
}

void WriteSlot(std::uint8_t* slot, std::string_view text) {
  const std::size_t n = text.size() < kSlotMaxText ? text.size() : kSlotMaxText;
  // memmove: the text may be a view into this very slot (a re-read value).
  // An empty view may carry no storage at all (a NULL log column), and
  // memmove wants a valid pointer even for no bytes.
  if (n != 0) std::memmove(slot + 1, text.data(), n);
  slot[0] = static_cast<std::uint8_t>(n);
}

void QsoRecord::CopyFrom(const void* hostRecord) {
  std::memcpy(bytes_, hostRecord, sizeof bytes_);
}

std::string_view QsoRecord::Text(QsoField field) const {
  return ReadSlot(bytes_ + static_cast<std::size_t>(field));
}

void QsoRecord::SetText(QsoField field, std::string_view text) {
  WriteSlot(bytes_ + static_cast<std::size_t>(field), text);
}

QsoView QsoRecord::View() const {
  return {Text(QsoField::CallSign),       Text(QsoField::Band),       Text(QsoField::Mode),
          Text(QsoField::ReportReceived), Text(QsoField::DxccPrefix), Text(QsoField::StationPrefix)};
}

std::uintptr_t QsoRecord::LogConnection() const {
  std::uintptr_t value = 0;
  for (std::size_t i = 0; i < kLogConnectionSize; ++i)
    value |= static_cast<std::uintptr_t>(bytes_[kLogConnectionOffset + i]) << (8 * i);
  return value;
}

void QsoRecord::SetLogConnection(std::uintptr_t connection) {
  for (std::size_t i = 0; i < kLogConnectionSize; ++i)
    bytes_[kLogConnectionOffset + i] = static_cast<std::uint8_t>(connection >> (8 * i));
}

QsoRecord& CurrentQso() {
  static QsoRecord record;  // constant-initialised: zero at load, no guard
  return record;
}

void WritePluginInfo(void* infoRecord) {
  auto* bytes = static_cast<std::uint8_t*>(infoRecord);
  WriteSlot(bytes + kInfoNameOffset, kPluginName);
  WriteInt32LE(bytes + kInfoFirstWordOffset, 1);
  WriteSlot(bytes + kInfoIdentOffset, kPluginIdentification);
  WriteInt32LE(bytes + kInfoSecondWordOffset, 1);
}

}  // namespace varnholt
