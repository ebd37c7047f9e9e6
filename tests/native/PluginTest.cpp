#include "plugin/Plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace varnholt {
namespace {

std::vector<std::uint8_t> Filled(std::size_t n, std::uint8_t value) {
  return std::vector<std::uint8_t>(n, value);
}

TEST(TextSlot, ReadsExactlyTheLengthByte) {
  auto slot = Filled(kSlotSize, 'x');
  slot[0] = 0;
  EXPECT_EQ(ReadSlot(slot.data()), "");
  slot[0] = 3;
  EXPECT_EQ(ReadSlot(slot.data()), "xxx");
  slot[0] = 255;
  EXPECT_EQ(ReadSlot(slot.data()).size(), 255u);
}

TEST(TextSlot, WriteCutsAt255AndLeavesTheBytesBehind) {
  auto slot = Filled(kSlotSize + 1, 0xAB);  // one guard byte behind the slot
  WriteSlot(slot.data(), std::string(300, 'Q'));
  EXPECT_EQ(slot[0], 255);
  EXPECT_EQ(ReadSlot(slot.data()), std::string(255, 'Q'));
  EXPECT_EQ(slot[256], 0xAB);

  auto shortSlot = Filled(kSlotSize, 0xCD);
  WriteSlot(shortSlot.data(), "20M");
  EXPECT_EQ(shortSlot[0], 3);
  EXPECT_EQ(ReadSlot(shortSlot.data()), "20M");
  for (std::size_t i = 4; i < kSlotSize; ++i) ASSERT_EQ(shortSlot[i], 0xCD) << i;
}

TEST(TextSlot, KeepsBytesAboveAscii) {
  auto slot = Filled(kSlotSize, 0);
  const std::string text = "\xC0\xFF\x01";
  WriteSlot(slot.data(), text);
  EXPECT_EQ(ReadSlot(slot.data()), text);
}

TEST(QsoRecordTest, StartsZeroAndCopiesEveryByte) {
  QsoRecord record;
  for (std::size_t i = 0; i < kHostQsoRecordSize; ++i) ASSERT_EQ(record.Bytes()[i], 0) << i;

  std::vector<std::uint8_t> host(kHostQsoRecordSize);
  for (std::size_t i = 0; i < host.size(); ++i) host[i] = static_cast<std::uint8_t>(i * 7 + 1);
  record.CopyFrom(host.data());
  EXPECT_EQ(std::vector<std::uint8_t>(record.Bytes(), record.Bytes() + kHostQsoRecordSize), host);
}

TEST(QsoRecordTest, FieldsSitAtTheirOffsets) {
  QsoRecord record;
  const std::pair<QsoField, std::size_t> fields[] = {
      {QsoField::LogTableName, 12},    {QsoField::CallSign, 268},    {QsoField::Band, 540},
      {QsoField::Mode, 796},           {QsoField::Continent, 1052},  {QsoField::ReportReceived, 1308},
      {QsoField::MainPrefix, 2332},    {QsoField::DxccPrefix, 2588}, {QsoField::StationLabel, 3868},
      {QsoField::StationPrefix, 4636},
  };
  for (const auto& [field, offset] : fields) {
    record.SetText(field, "ab");
    EXPECT_EQ(record.Bytes()[offset], 2) << offset;
    EXPECT_EQ(record.Bytes()[offset + 1], 'a') << offset;
    EXPECT_EQ(record.Text(field), "ab");
  }
  // The station prefix slot is the last one read: it must end inside the record.
  EXPECT_LE(4636 + kSlotSize, kHostQsoRecordSize);
}

TEST(QsoRecordTest, LogConnectionIsLittleEndianAtOffsetZero) {
  QsoRecord record;
  record.SetLogConnection(0x11223344u);
  EXPECT_EQ(record.Bytes()[0], 0x44);
  EXPECT_EQ(record.Bytes()[3], 0x11);
  EXPECT_EQ(record.LogConnection(), 0x11223344u);
  EXPECT_EQ(record.Bytes()[kLogConnectionSize], 0);  // nothing beyond the handle
}

TEST(PluginInfo, WritesItsFourFieldsAndNothingElse) {
  auto info = Filled(kPluginInfoRecordSize + 16, 0xEE);
  WritePluginInfo(info.data());
  EXPECT_EQ(ReadSlot(info.data()), "Varnholt");
  EXPECT_EQ(ReadSlot(info.data() + 260), "tamrel_contest");
  const std::uint8_t one[4] = {1, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(info.data() + 256, one, 4));
  EXPECT_EQ(0, std::memcmp(info.data() + 516, one, 4));
  for (std::size_t i = 0; i < info.size(); ++i) {
    const bool written = i <= 8 || (i >= 256 && i < 260) || (i >= 260 && i <= 274) ||
                         (i >= 516 && i < 520);
    if (!written) {
      ASSERT_EQ(info[i], 0xEE) << "byte " << i << " was touched";
    }
  }
}

}  // namespace
}  // namespace varnholt
