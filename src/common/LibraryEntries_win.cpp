// The library's entries: the six exports the host calls and the window
// classes' procedures the system calls. Each calls its body (an extern "C"
// function of the same signature, named varnholt_<entry>, which counts
// itself with a LibraryEntry) and returns what it returned, or, when the
// outermost entry ends holding a reference to the library, jumps to the
// instructions that drop it and return to the caller in its place
// (LibraryHold_win.h). Written in assembly, alone in this file, because
// that last instruction is a jump no compiler emits.
//
// The exports take the host's register convention (arguments in EAX, EDX,
// ECX on x86), which the body has too, so nothing is moved; a window
// procedure's four stack arguments are passed on again.

#if defined(__i386__)
#define HOST_ENTRY(entry)                                   \
  ".globl _" #entry "\n"                                    \
  ".def _" #entry "; .scl 2; .type 32; .endef\n"            \
  "_" #entry ":\n"                                          \
  "  call _varnholt" #entry "\n"                            \
  "  cmpb $0, _varnholt_dropOwed\n"                         \
  "  jne 1f\n"                                              \
  "  ret\n"                                                 \
  "1:\n"                                                    \
  "  movb $0, _varnholt_dropOwed\n"                         \
  "  jmp *_varnholt_dropAndReturn\n"
#define WINDOW_PROC_ENTRY(entry)                            \
  ".globl _" #entry "@16\n"                                 \
  ".def _" #entry "@16; .scl 2; .type 32; .endef\n"         \
  "_" #entry "@16:\n"                                       \
  "  pushl 16(%esp)\n"                                      \
  "  pushl 16(%esp)\n"                                      \
  "  pushl 16(%esp)\n"                                      \
  "  pushl 16(%esp)\n"                                      \
  "  call _" #entry "Body@16\n"                             \
  "  cmpb $0, _varnholt_dropOwed\n"                         \
  "  jne 1f\n"                                              \
  "  ret $16\n"                                             \
  "1:\n"                                                    \
  "  movb $0, _varnholt_dropOwed\n"                         \
  "  jmp *_varnholt_dropAndReturnStdcall16\n"
#elif defined(__x86_64__)
// One convention for both: four arguments in registers, the caller's stack
// untouched; unwind data for the 40 bytes of shadow space and alignment.
#define ENTRY_X64(entry, body)                              \
  ".globl " #entry "\n"                                     \
  ".def " #entry "; .scl 2; .type 32; .endef\n"             \
  #entry ":\n"                                              \
  ".seh_proc " #entry "\n"                                  \
  "  subq $40, %rsp\n"                                      \
  ".seh_stackalloc 40\n"                                    \
  ".seh_endprologue\n"                                      \
  "  call " #body "\n"                                      \
  "  cmpb $0, varnholt_dropOwed(%rip)\n"                    \
  "  jne 1f\n"                                              \
  "  addq $40, %rsp\n"                                      \
  "  ret\n"                                                 \
  "1:\n"                                                    \
  "  movb $0, varnholt_dropOwed(%rip)\n"                    \
  "  addq $40, %rsp\n"                                      \
  "  jmp *varnholt_dropAndReturn(%rip)\n"                   \
  ".seh_endproc\n"
#define HOST_ENTRY(entry) ENTRY_X64(entry, varnholt##entry)
#define WINDOW_PROC_ENTRY(entry) ENTRY_X64(entry, entry##Body)
#else
#error "the library's entries are written for x86 and x86-64"
#endif

asm(".text\n"
    ".p2align 4\n"
    HOST_ENTRY(_GetInfo)
    HOST_ENTRY(_GetScore)
    HOST_ENTRY(_AddQSO)
    HOST_ENTRY(_GrabNumber)
    HOST_ENTRY(_Run)
    HOST_ENTRY(_Release)
    WINDOW_PROC_ENTRY(varnholt_FormProc)
    WINDOW_PROC_ENTRY(varnholt_PanelProc));
