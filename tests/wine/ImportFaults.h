// Fault injection at the plug-in's operating-system boundary, with no change
// to the plug-in: after LoadLibrary, the plug-in's import address table is
// patched so that every call it makes to a function that can fail at run time
// for reasons outside it (out of memory or handles, a hook refusing a
// window, the registry, the log database) goes through a wrapper that counts
// the call and, when told, makes it fail with that function's documented
// failure value and last error. The wrappers also keep account of what the
// plug-in holds through those functions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace host::faults {

// Patches the plug-in's import address table. Again after every LoadLibrary.
// Returns how many imported functions now go through a wrapper.
int Install(HMODULE plugin);

// Starts counting from 0: call number `failAt` (from 1) fails, none for 0.
void Arm(long failAt);
// Stops counting and failing; the account of held resources goes on.
void Disarm();
// Calls counted since Arm.
long Calls();
// Calls of one of the wrapped functions since Arm; -1 for a name not wrapped.
long Calls(const std::string& function);
// The function whose call was made to fail since Arm; "" when none was.
std::string Failed();

// What the plug-in holds now: fonts and bitmaps not deleted, registry keys
// not closed, statements not freed, device contexts not released, windows
// not destroyed; one line each.
std::vector<std::string> Held();

}  // namespace host::faults
