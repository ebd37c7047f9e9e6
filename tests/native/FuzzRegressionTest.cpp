// Regression tests for faults that the sanitizer runs and the fuzz targets
// found. Each test keeps the smallest input that showed its fault; most of
// them only fail visibly in the sanitizer build (preset asan), where
// undefined behaviour stops the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/Plugin.h"

namespace varnholt {
namespace {

// A NULL log column reads as an empty view without storage (a null data
// pointer). Writing such a view into a text slot passed that null pointer to
// memmove, which is undefined even for a length of zero; every re-scan of a
// log with a NULL column in it did so.
TEST(EmptyTextWithoutStorage, WritesOnlyTheLengthByteOfTheSlot) {
  std::vector<std::uint8_t> slot(kSlotSize + 1, 0xAB);
  slot[0] = 7;
  WriteSlot(slot.data(), std::string_view());
  EXPECT_EQ(slot[0], 0);
  for (std::size_t i = 1; i < slot.size(); ++i) ASSERT_EQ(slot[i], 0xAB) << i;
}

TEST(EmptyTextWithoutStorage, EmptiesARecordField) {
  QsoRecord record;
  record.SetText(QsoField::CallSign, "UR5A");
  record.SetText(QsoField::CallSign, std::string_view());
  EXPECT_EQ(record.Text(QsoField::CallSign), "");
  // The characters behind the length byte stay, as for every shorter text.
  EXPECT_EQ(record.Bytes()[static_cast<std::size_t>(QsoField::CallSign) + 1], 'U');
}

}  // namespace
}  // namespace varnholt
