// The host's file name read by the host's code page: the error box's caption
// and the placement's registry key, with code pages that stand in for the
// system's Japanese (932) and Russian (1251) ones.
#include <gtest/gtest.h>

#include "common/CodePage.h"
#include "mainform/ErrorText.h"
#include "placement/PlacementText.h"

namespace varnholt {
namespace {

// 932 as far as these names need it: its lead bytes, and ASCII letters
// lowered where they are characters, never as a trail byte.
class Japanese final : public CodePage {
 public:
  std::size_t CharacterLength(std::string_view text) const override {
    const auto b = static_cast<unsigned char>(text[0]);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 1;
  }
  void Lower(std::string& text) const override {
    for (std::size_t i = 0; i < text.size(); i += CharacterLength(std::string_view(text).substr(i))) {
      if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
    }
  }
};

// 1251: single bytes, the Cyrillic capitals 0xC0-0xDF lowered by 0x20.
class Russian final : public CodePage {
 public:
  void Lower(std::string& text) const override {
    CodePage::Lower(text);
    for (char& c : text) {
      const auto b = static_cast<unsigned char>(c);
      if (b >= 0xC0 && b <= 0xDF) c = static_cast<char>(b + 0x20);
    }
  }
};

// ソフト: the second byte of ソ is a backslash.
const std::string kSofuto = "\x83\x5C\x83\x74\x83\x67";
// アマチュア無線: ア is 0x83 0x41, an ASCII capital as its second byte.
const std::string kAmateur = "\x83\x41\x83\x7D\x83\x60\x83\x85\x83\x41\x96\xB3\x90\xFC";
// ЖУРНАЛ and Журнал.
const std::string kJournal = "\xC6\xD3\xD0\xCD\xC0\xCB";
const std::string kJournalCaption = "\xC6\xF3\xF0\xED\xE0\xEB";

TEST(HostNameTest, TrailBytesAreNeitherSeparatorsNorLetters) {
  const Japanese japanese;
  EXPECT_EQ(ErrorBoxCaption("C:\\Log\\" + kSofuto + ".exe", japanese), kSofuto);
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\" + kSofuto + ".exe", japanese), "Software\\" + kSofuto);
  EXPECT_EQ(ErrorBoxCaption("C:\\" + kAmateur + ".EXE", japanese), kAmateur);
  EXPECT_EQ(PlacementKeyPath(kAmateur + ".exe", japanese), "Software\\" + kAmateur);
  // A folder whose last character ends in 0x5C (表) is still a folder.
  EXPECT_EQ(PlacementKeyPath("C:\\\x95\x5C\\LOGGER.exe", japanese), "Software\\LOGGER");
  EXPECT_EQ(ErrorBoxCaption("C:\\\x95\x5C\\LOGGER.exe", japanese), "Logger");
  // The first character keeps its case whatever its length; the rest lowers.
  EXPECT_EQ(ErrorBoxCaption(kSofuto + "LOG.exe", japanese), kSofuto + "log");
  // A lead byte cut off at the end is a character of its own.
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\x\x83", japanese), "Software\\x\x83");
}

TEST(HostNameTest, LettersOfTheCodePageAreLowered) {
  const Russian russian;
  EXPECT_EQ(ErrorBoxCaption("C:\\Log\\" + kJournal + ".exe", russian), kJournalCaption);
  // The key keeps the case the file system reports.
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\" + kJournal + ".exe", russian), "Software\\" + kJournal);
}

TEST(HostNameTest, SingleByteCaption) {
  const CodePage ascii;
  EXPECT_EQ(ErrorBoxCaption("C:\\Log\\LOGGER.EXE", ascii), "Logger");
  EXPECT_EQ(ErrorBoxCaption("C:\\Log\\my.log.exe", ascii), "my");
  EXPECT_EQ(ErrorBoxCaption("C:/Log/x.exe", ascii), "x");
  EXPECT_EQ(ErrorBoxCaption("C:\\Log\\.exe", ascii), "");
  EXPECT_EQ(ErrorBoxCaption("", ascii), "");
}

}  // namespace
}  // namespace varnholt
