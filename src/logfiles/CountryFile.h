// The amateur-radio community's country file (cty.dat): every DXCC entity
// with its continent, the call-sign prefixes that belong to it ("UR",
// "R8") and the whole calls that belong to it whatever their prefix
// ("=9M6/N1UR"). The prefix table places calls with it.
//
// One parser serves both uses: the generator that compiles the country file
// into the programs at build time (kBuiltInCountryData), and --cty, which
// reads a newer file at run time.
//
// Only the standard library and common/TextRules.h are used here, so that the
// generator, a tool built for the build machine, can compile this file alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// One country: its prefix and its continent.
struct CountryEntity {
  char prefix[8];     // named as the contest's rules name it ("UA1", "EW", "DL"); NUL-terminated
  char continent[3];  // "EU", "AS", ...; NUL-terminated
};

// A call-sign prefix or a whole call, and the country it belongs to.
struct CountryKey {
  std::uint32_t at;      // where its text starts in CountryData::text
  std::uint16_t entity;  // index into CountryData::entities
  std::uint8_t length;   // of its text
  char continent[2];     // a continent of its own ("AS"), or two NULs for its country's
};

// A country file ready for lookups: keys sorted by their text, byte by byte.
struct CountryData {
  std::string_view text;  // the texts of all keys, back to back
  const CountryEntity* entities;
  std::size_t entityCount;
  const CountryKey* prefixes;
  std::size_t prefixCount;
  const CountryKey* calls;
  std::size_t callCount;
  std::string_view version;  // the file's own version ("VER20230502"); "" when it has none
};

// What a key says about a call.
struct CountryMatch {
  const CountryEntity* entity = nullptr;  // nullptr: no key matched
  std::string_view continent;
};

// The country of a whole call listed as such ("9M6/N1UR"), given in upper case.
CountryMatch FindWholeCall(const CountryData& data, std::string_view call);
// The country of the longest prefix that `call` (upper case) starts with.
CountryMatch FindLongestPrefix(const CountryData& data, std::string_view call);

class CountryFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A country file read from its text.
class CountryFile {
 public:
  // Throws CountryFileError, naming the line, where the text is not a
  // country file.
  explicit CountryFile(std::string_view text);

  CountryData Data() const;

 private:
  std::string text_;
  std::vector<CountryEntity> entities_;
  std::vector<CountryKey> prefixes_, calls_;
  std::string version_;
};

// The country file compiled in at build time.
extern const CountryData kBuiltInCountryData;

}  // namespace varnholt
