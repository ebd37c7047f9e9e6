// A module's calls to another DLL's function, redirected without changing
// the module: its import address table entry is pointed elsewhere.
#pragma once

#include <windows.h>

namespace host {

// Points `module`'s import of `function` from `dll` (named without ".dll",
// in any letter case) at `replacement`, wherever the module lists it. Returns
// what it pointed at before, or nullptr when the module imports no such
// function by name.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

}  // namespace host
