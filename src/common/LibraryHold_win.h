// The library's hold on itself while its code runs the host's messages.
//
// Processing messages (a re-scan's two points, an error box's loop) runs the
// host's handlers, and a host may unload its plug-ins from one of them: the
// library would unmap under its own frames. So before it processes messages
// the library takes a reference to itself, which keeps it mapped until the
// outermost of its entries under way (an export the host called, or a window
// procedure the system called) has returned. That reference is dropped on
// the host's own thread, by a few instructions kept outside the library's
// image, which the entry's last instruction jumps to: they call FreeLibrary
// and return to the host. When the host had meanwhile let go of its own
// reference, the library unloads right there (its windows destroyed as an
// unloading destroys them), with no frame of it on any stack and no other
// thread involved; otherwise only the count goes down.
//
// The entries are listed in LibraryEntries_win.cpp: each calls its body,
// which counts itself with a LibraryEntry, and then returns, or jumps to
// those instructions when the outermost entry ends with a reference to drop.
#pragma once

#include <windows.h>

namespace varnholt {

// Counts an entry into the library for as long as it lives. Every entry's
// implementation starts with one, and so does DllMain's unloading.
class LibraryEntry {
 public:
  // `counted` false: an entry that cannot process messages, which leaves
  // the count (and every byte of the library's data) alone.
  explicit LibraryEntry(bool counted = true) noexcept;
  ~LibraryEntry();
  LibraryEntry(const LibraryEntry&) = delete;
  LibraryEntry& operator=(const LibraryEntry&) = delete;

 private:
  bool counted_;
};

// Takes the reference for the rest of the outermost entry under way; once
// per entry. Called right before the library's code processes messages. Does
// nothing outside an entry, or when the system has no memory for it (the
// library is then as exposed as it was without it).
void HoldLibraryWhileMessagesRun() noexcept;

// At the library's unloading: frees the dropping instructions, unless they
// are the ones unloading it.
void ReleaseLibraryHoldAtUnload() noexcept;

}  // namespace varnholt
