// File names as the stand-in host needs them. Under Wine the program meets
// two file systems: Unix paths given on its command line, and the SQLite ODBC
// driver, which runs on the Unix side and wants a Unix path for its database.
// On Windows itself both conversions are the identity.
#pragma once

#include <string>

namespace standin {

// True when Wine's path conversion functions are there, i.e. under Wine.
bool UnderWine();

// A path this program can open: the path as given when it names a file, or,
// under Wine, the DOS form of a Unix path ("/tmp/x" -> "Z:\tmp\x").
std::string ReadablePath(const std::string& path);
// A path to create a file at: under Wine, the DOS form of a Unix path.
std::string WritablePath(const std::string& path);
// The database path to give the SQLite ODBC driver for a file this program
// names with `localPath`: its Unix form under Wine, `localPath` otherwise.
std::string DriverPath(const std::string& localPath);

// The folder of this program's own executable, ending in a backslash.
std::string ProgramFolder();
// The temporary folder, ending in a backslash.
std::string TempFolder();

}  // namespace standin
