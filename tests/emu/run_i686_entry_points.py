#!/usr/bin/python3
"""Runs the shipping 32-bit plug-in DLL in a CPU emulator and calls its entry
points exactly as the host does.

The Wine tests run the same DLL where the machine can run 32-bit programs;
this check runs everywhere (also where it cannot) and sees what Wine does
not: every stack and register effect of each call. The script loads the DLL the way
the Windows loader does (sections mapped, base relocations applied, imports
bound to stubs, static TLS set up, TLS callbacks and DllMainCRTStartup run
with DLL_PROCESS_ATTACH), once at the preferred image base and once moved to
another base. Then it calls the exports by name with the host's register
convention (first argument in EAX, second in EDX, nothing on the stack) and
checks, for each call:
  - the result in EAX and every byte of the records it was given;
  - that it returns to the caller with ESP where the call left it (no stack
    argument popped or left behind) and EBX, ESI, EDI, EBP preserved;
  - that it neither reads nor writes the caller's frame above the return
    address, nor writes anything it has no business writing.
At the end the DLL is unloaded as FreeLibrary does (DLL_PROCESS_DETACH), which
runs under the loader lock: nothing but the runtime's own shutdown may run.

Every import the DLL calls lands in a stub written here. Only the few that
the runtime start-up and the tested paths need are implemented; any other
one (MessageBoxA, GetModuleFileNameA, window or database calls) stops the run
with a failure that names it.

Usage: run_i686_entry_points.py path/to/Varnholt.dll
Prints one line per check and a closing "N passed, M failed"; exits 1 when
anything failed.
"""

import struct
import sys
import traceback

import pefile
from unicorn import (UC_ARCH_X86, UC_HOOK_CODE, UC_HOOK_MEM_INVALID, UC_HOOK_MEM_READ, UC_HOOK_MEM_WRITE,
                     UC_MODE_32, Uc, UcError)
from unicorn.x86_const import (UC_X86_REG_EAX, UC_X86_REG_EBP, UC_X86_REG_EBX, UC_X86_REG_ECX, UC_X86_REG_EDI,
                               UC_X86_REG_EDX, UC_X86_REG_EIP, UC_X86_REG_ESI, UC_X86_REG_ESP, UC_X86_REG_FS,
                               UC_X86_REG_GDTR, UC_X86_REG_SS)

PAGE = 0x1000

# The emulated process's address space.
STACK_BASE, STACK_SIZE = 0x00100000, 0x00100000
HOST_BASE, HOST_SIZE = 0x30000000, 0x00100000  # the host's records
HEAP_BASE, HEAP_SIZE = 0x40000000, 0x01000000
STUB_BASE, STUB_SIZE = 0x7E000000, 0x00010000  # one stub per imported name
RETURN_ADDRESS = 0x7E800000  # the host's return address: emulation stops here
GDT_BASE = 0x7FFD0000
TEB_BASE = 0x7FFDE000
PEB_BASE = 0x7FFDF000
HOST_EXE_BASE = 0x00400000  # what GetModuleHandle(NULL) answers
RELOCATED_BASE = 0x10000000

STUB_STRIDE = 16
DLL_PROCESS_DETACH, DLL_PROCESS_ATTACH = 0, 1
HOST_QSO_RECORD_SIZE = 5916
PLUGIN_INFO_SIZE = 520

# Distinct values in the callee-saved and scratch registers before each call.
CALLEE_SAVED = {UC_X86_REG_EBX: 0x0B0B0B0B, UC_X86_REG_ESI: 0x05150515, UC_X86_REG_EDI: 0x0D1D0D1D,
                UC_X86_REG_EBP: 0x0EBB0EBB}
REGISTER_NAMES = {UC_X86_REG_EBX: "EBX", UC_X86_REG_ESI: "ESI", UC_X86_REG_EDI: "EDI", UC_X86_REG_EBP: "EBP"}
UNUSED_ARGUMENT = 0xC0C0C0C0  # in the argument registers a call does not use

# _initterm runs guest code (the constructors), so it is guest code itself:
#   push esi; push edi; mov esi,[esp+12]; mov edi,[esp+16]
#   loop: cmp esi,edi; jae done; mov eax,[esi]; test eax,eax; jz next
#         call eax; next: add esi,4; jmp loop
#   done: pop edi; pop esi; ret
INITTERM_CODE = bytes.fromhex("5657" "8b74240c" "8b7c2410" "39fe" "730d" "8b06" "85c0" "7402" "ffd0" "83c604" "ebef"
                              "5f" "5e" "c3")


class EmulationFailure(Exception):
    pass


def u32(data, at=0):
    return struct.unpack_from("<I", data, at)[0]


def pattern(size, seed):
    """Bytes that no routine writes by chance: never zero, never repeating soon."""
    return bytes(((i * 37 + seed * 101 + (i >> 8) * 13) % 251) + 1 for i in range(size))


def gdt_entry(base, limit, access, flags):
    value = limit & 0xFFFF
    value |= (base & 0xFFFFFF) << 16
    value |= (access & 0xFF) << 40
    value |= ((limit >> 16) & 0xF) << 48
    value |= (flags & 0xF) << 52
    value |= ((base >> 24) & 0xFF) << 56
    return struct.pack("<Q", value)


class Heap:
    """malloc and friends over one region. Blocks are never reused, so a use
    after free or a double free cannot hide behind a new allocation."""

    def __init__(self, uc):
        self.uc = uc
        self.next = HEAP_BASE + 16
        self.live = {}  # address -> size
        self.freed = set()

    def alloc(self, size, zero=False):
        size = max(size, 1)
        address = self.next
        self.next = (address + size + 15 + 16) & ~15  # a 16-byte gap between blocks
        if self.next > HEAP_BASE + HEAP_SIZE:
            raise EmulationFailure("emulated heap exhausted")
        self.live[address] = size
        if zero:
            self.uc.mem_write(address, b"\0" * size)
        return address

    def free(self, address):
        if address == 0:
            return
        if address in self.freed:
            raise EmulationFailure("double free of 0x%08x" % address)
        if address not in self.live:
            raise EmulationFailure("free of 0x%08x, which malloc never returned" % address)
        del self.live[address]
        self.freed.add(address)

    def realloc(self, address, size):
        if address == 0:
            return self.alloc(size)
        if address not in self.live:
            raise EmulationFailure("realloc of 0x%08x, which is not a live block" % address)
        old = self.live[address]
        new = self.alloc(size)
        self.uc.mem_write(new, bytes(self.uc.mem_read(address, min(old, size))))
        self.free(address)
        return new


class Process:
    """One emulated process with the DLL loaded into it."""

    def __init__(self, path, base):
        self.pe = pefile.PE(path)
        self.uc = Uc(UC_ARCH_X86, UC_MODE_32)
        self.failure = None  # the first failure a hook met, raised after emulation stops
        self.calls = []  # imports called during the current emulation
        self.all_calls = []  # and during every emulation so far
        self.watch = None  # the current call's memory watch
        self.last_error = 0
        self.tls_slots = {}
        self.next_tls = 0
        self.protect = {}  # page -> writable, after VirtualProtect
        self.next_handle = 0x100
        self.exports = {}
        self.writable = []  # (start, end) of the image's writable sections
        self.readonly = []  # (start, end, name) of the others
        self._map_fixed_regions()
        self.base = self._load_image(base)
        self._bind_imports()
        self._set_up_thread()
        self.uc.hook_add(UC_HOOK_MEM_INVALID, self._on_invalid_memory)
        self.uc.hook_add(UC_HOOK_MEM_WRITE, self._on_write)
        self.uc.hook_add(UC_HOOK_MEM_READ, self._on_read)

    # ---- loading, as the Windows loader does it

    def _map_fixed_regions(self):
        uc = self.uc
        for start, size in ((STACK_BASE, STACK_SIZE), (HOST_BASE, HOST_SIZE), (HEAP_BASE, HEAP_SIZE),
                            (STUB_BASE, STUB_SIZE), (RETURN_ADDRESS, PAGE), (GDT_BASE, PAGE), (TEB_BASE, PAGE),
                            (PEB_BASE, PAGE), (HOST_EXE_BASE, PAGE)):
            uc.mem_map(start, size)
        uc.mem_write(RETURN_ADDRESS, b"\xcc" * PAGE)  # never executed: emulation stops on arrival
        uc.mem_write(HOST_EXE_BASE, b"MZ")
        self.heap = Heap(uc)

    def _load_image(self, base):
        pe = self.pe
        opt = pe.OPTIONAL_HEADER
        if pe.FILE_HEADER.Machine != 0x14C:
            raise EmulationFailure("not an i386 image (machine 0x%x)" % pe.FILE_HEADER.Machine)
        size = (opt.SizeOfImage + PAGE - 1) & ~(PAGE - 1)
        self.uc.mem_map(base, size)
        self.image_end = base + size
        data = pe.__data__
        self.uc.mem_write(base, bytes(data[:opt.SizeOfHeaders]))
        for section in pe.sections:
            raw = bytes(data[section.PointerToRawData:section.PointerToRawData + section.SizeOfRawData])
            raw = raw[:max(section.Misc_VirtualSize, 0) or len(raw)]
            self.uc.mem_write(base + section.VirtualAddress, raw)
            start = base + section.VirtualAddress
            end = start + max(section.Misc_VirtualSize, section.SizeOfRawData)
            name = section.Name.rstrip(b"\0").decode("ascii", "replace")
            if section.Characteristics & 0x80000000:  # IMAGE_SCN_MEM_WRITE
                self.writable.append((start, end))
            else:
                self.readonly.append((start, end, name))
        delta = (base - opt.ImageBase) & 0xFFFFFFFF
        if delta:
            self._relocate(base, delta)
        return base

    def _relocate(self, base, delta):
        if not hasattr(self.pe, "DIRECTORY_ENTRY_BASERELOC"):
            raise EmulationFailure("the image cannot move: it has no base relocations")
        count = 0
        for block in self.pe.DIRECTORY_ENTRY_BASERELOC:
            for entry in block.entries:
                if entry.type == 0:  # IMAGE_REL_BASED_ABSOLUTE: padding
                    continue
                if entry.type != 3:  # IMAGE_REL_BASED_HIGHLOW is the only kind an i386 image has
                    raise EmulationFailure("unexpected relocation type %d at rva 0x%x" % (entry.type, entry.rva))
                at = base + entry.rva
                value = u32(self.uc.mem_read(at, 4))
                self.uc.mem_write(at, struct.pack("<I", (value + delta) & 0xFFFFFFFF))
                count += 1
        self.relocations = count

    def _bind_imports(self):
        self.stubs = {}  # stub address -> (dll, name)
        stub = STUB_BASE
        data_area = STUB_BASE + STUB_SIZE // 2
        for entry in self.pe.DIRECTORY_ENTRY_IMPORT:
            dll = entry.dll.decode("ascii").lower()
            for imp in entry.imports:
                if imp.name is None:
                    raise EmulationFailure("import by ordinal %d from %s" % (imp.ordinal, dll))
                name = imp.name.decode("ascii")
                data = DATA_IMPORTS.get((dll, name))
                if data is not None:  # a variable, not a function: the slot points at its storage
                    target = data_area
                    self.uc.mem_write(target, data)
                    data_area += (len(data) + 15) & ~15
                else:
                    target = stub
                    if (dll, name) == ("msvcrt.dll", "_initterm"):
                        self.uc.mem_write(target, INITTERM_CODE)
                        stub += (len(INITTERM_CODE) + STUB_STRIDE - 1) // STUB_STRIDE * STUB_STRIDE
                    else:
                        self.stubs[target] = (dll, name)
                        self.uc.mem_write(target, self._return_code(dll, name))
                        stub += STUB_STRIDE
                self.uc.mem_write(self.base + imp.address - self.pe.OPTIONAL_HEADER.ImageBase,
                                  struct.pack("<I", target))
        self.uc.hook_add(UC_HOOK_CODE, self._on_stub, begin=STUB_BASE, end=STUB_BASE + STUB_SIZE // 2 - 1)

    @staticmethod
    def _return_code(dll, name):
        api = API.get((dll, name))
        if api is None or api[0] == "cdecl":
            return b"\xc3"  # ret: the caller pops (and an unknown import stops before it returns)
        return b"\xc2" + struct.pack("<H", 4 * api[1])  # ret n: stdcall pops its arguments

    def _set_up_thread(self):
        uc = self.uc
        # TEB: exception list end, stack bounds, self, PEB, static TLS array.
        teb = bytearray(PAGE)
        struct.pack_into("<I", teb, 0x00, 0xFFFFFFFF)
        struct.pack_into("<I", teb, 0x04, STACK_BASE + STACK_SIZE)
        struct.pack_into("<I", teb, 0x08, STACK_BASE)
        struct.pack_into("<I", teb, 0x18, TEB_BASE)
        struct.pack_into("<I", teb, 0x20, 0x1000)  # process id
        struct.pack_into("<I", teb, 0x24, 0x1004)  # thread id
        struct.pack_into("<I", teb, 0x30, PEB_BASE)
        tls_array = TEB_BASE + 0x800
        struct.pack_into("<I", teb, 0x2C, tls_array)
        uc.mem_write(TEB_BASE, bytes(teb))
        peb = bytearray(PAGE)
        struct.pack_into("<I", peb, 0x08, HOST_EXE_BASE)
        uc.mem_write(PEB_BASE, bytes(peb))

        # The image's static TLS block, index 0 of the thread's array.
        if hasattr(self.pe, "DIRECTORY_ENTRY_TLS"):
            tls = self.pe.DIRECTORY_ENTRY_TLS.struct
            shift = self.base - self.pe.OPTIONAL_HEADER.ImageBase
            start, end = tls.StartAddressOfRawData + shift, tls.EndAddressOfRawData + shift
            template = bytes(uc.mem_read(start, end - start)) if end > start else b""
            block = self.heap.alloc(len(template) + tls.SizeOfZeroFill + 16, zero=True)
            uc.mem_write(block, template)
            uc.mem_write(tls_array, struct.pack("<I", block))
            uc.mem_write(tls.AddressOfIndex + shift, struct.pack("<I", 0))
            self.tls_callbacks = []
            if tls.AddressOfCallBacks:
                at = tls.AddressOfCallBacks + shift
                while True:
                    callback = u32(uc.mem_read(at, 4))
                    if callback == 0:
                        break
                    self.tls_callbacks.append(callback)
                    at += 4
        else:
            self.tls_callbacks = []

        # FS addresses the TEB; everything else stays flat.
        gdt = b"\0" * 8 + gdt_entry(0, 0xFFFFF, 0x9A, 0xC) + gdt_entry(0, 0xFFFFF, 0x92, 0xC)
        gdt += gdt_entry(TEB_BASE, 0xFFF, 0xF2, 0x4)
        uc.mem_write(GDT_BASE, gdt)
        uc.reg_write(UC_X86_REG_GDTR, (0, GDT_BASE, len(gdt) - 1, 0))
        uc.reg_write(UC_X86_REG_SS, 2 << 3)  # a 32-bit stack segment: ESP, not SP
        uc.reg_write(UC_X86_REG_FS, (3 << 3) | 3)

    # ---- hooks

    def _fail(self, message):
        if self.failure is None:
            self.failure = message
        self.uc.emu_stop()

    def _on_invalid_memory(self, uc, access, address, size, value, _):
        eip = uc.reg_read(UC_X86_REG_EIP)
        kind = {19: "read", 20: "write", 21: "fetch", 22: "write", 23: "read", 24: "fetch"}.get(access, str(access))
        self._fail("invalid memory %s of %d bytes at 0x%08x (eip 0x%08x%s)"
                   % (kind, size, address, eip, self.where(eip)))
        return False

    def _on_write(self, uc, access, address, size, value, _):
        if self.watch is not None:
            self.watch.on_write(self, address, size)
        for start, end, name in self.readonly:
            if start <= address < end:
                page = address & ~(PAGE - 1)
                if not self.protect.get(page, False):
                    eip = uc.reg_read(UC_X86_REG_EIP)
                    self._fail("write to read-only section %s at 0x%08x (eip 0x%08x%s)"
                               % (name, address, eip, self.where(eip)))
                break

    def _on_read(self, uc, access, address, size, value, _):
        if self.watch is not None:
            self.watch.on_read(self, address, size)

    def _on_stub(self, uc, address, size, _):
        if address not in self.stubs:
            return
        dll, name = self.stubs[address]
        self.calls.append(name)
        self.all_calls.append(name)
        api = API.get((dll, name))
        if api is None:
            esp = uc.reg_read(UC_X86_REG_ESP)
            caller = u32(uc.mem_read(esp, 4))
            self._fail("unexpected call of %s!%s from 0x%08x%s (imports called before it: %s)"
                       % (dll, name, caller, self.where(caller), ", ".join(self.calls[-8:-1]) or "none"))
            return
        esp = uc.reg_read(UC_X86_REG_ESP)
        args = struct.unpack("<%dI" % api[1], bytes(uc.mem_read(esp + 4, 4 * api[1]))) if api[1] else ()
        try:
            result = api[2](self, *args)
        except EmulationFailure as e:
            self._fail("%s: %s" % (name, e))
            return
        if result is not None:
            uc.reg_write(UC_X86_REG_EAX, result & 0xFFFFFFFF)
            uc.reg_write(UC_X86_REG_EDX, (result >> 32) & 0xFFFFFFFF)

    def where(self, address):
        if self.base <= address < self.image_end:
            return " = image rva 0x%x" % (address - self.base)
        return ""

    # ---- guest memory helpers for the stubs

    def read(self, address, size):
        return bytes(self.uc.mem_read(address, size))

    def write(self, address, data):
        self.uc.mem_write(address, bytes(data))

    def c_string(self, address, wide=False):
        out = bytearray()
        step = 2 if wide else 1
        while len(out) < 4096:
            ch = self.read(address, step)
            if ch == b"\0" * step:
                break
            out += ch[:1]
            address += step
        return out.decode("latin-1")

    # ---- calling into the image

    def run(self, start, stack_words, registers, limit):
        """Runs from `start` with the given stack words at ESP (the first being
        the return address) until the code returns to RETURN_ADDRESS."""
        uc = self.uc
        esp = STACK_BASE + STACK_SIZE - 0x1000 - 4 * len(stack_words)
        uc.mem_write(esp, struct.pack("<%dI" % len(stack_words), *stack_words))
        uc.reg_write(UC_X86_REG_ESP, esp)
        for reg, value in registers.items():
            uc.reg_write(reg, value)
        self.failure = None
        self.calls = []
        try:
            uc.emu_start(start, RETURN_ADDRESS, timeout=20 * 1000 * 1000, count=limit)
        except UcError as e:
            eip = uc.reg_read(UC_X86_REG_EIP)
            if self.failure is None:
                self.failure = "emulation error %s at eip 0x%08x%s" % (e, eip, self.where(eip))
        if self.failure is not None:
            raise EmulationFailure(self.failure)
        eip = uc.reg_read(UC_X86_REG_EIP)
        if eip != RETURN_ADDRESS:
            raise EmulationFailure("did not return within %d instructions (eip 0x%08x%s)"
                                   % (limit, eip, self.where(eip)))
        return esp

    def attach(self):
        """The loader's part after mapping."""
        return self.notify(DLL_PROCESS_ATTACH)

    def notify(self, reason):
        """TLS callbacks, then the entry point, each called as stdcall
        (hinstDLL, reason, NULL): a load, or an unload by FreeLibrary."""
        entry = self.base + self.pe.OPTIONAL_HEADER.AddressOfEntryPoint
        results = []
        for routine in self.tls_callbacks + [entry]:
            registers = dict(CALLEE_SAVED)
            esp = self.run(routine, [RETURN_ADDRESS, self.base, reason, 0], registers, 20_000_000)
            after = self.uc.reg_read(UC_X86_REG_ESP)
            if after != esp + 16:
                raise EmulationFailure("routine at 0x%08x left ESP off by %d (stdcall pops 12 bytes of arguments)"
                                       % (routine, after - (esp + 16)))
            for reg, value in CALLEE_SAVED.items():
                if self.uc.reg_read(reg) != value:
                    raise EmulationFailure("routine at 0x%08x did not preserve %s" % (routine, REGISTER_NAMES[reg]))
            results.append((routine, self.uc.reg_read(UC_X86_REG_EAX), list(self.calls)))
        return results

    def export(self, name):
        if not self.exports:
            for symbol in self.pe.DIRECTORY_ENTRY_EXPORT.symbols:
                if symbol.name:
                    self.exports[symbol.name.decode("ascii")] = (self.base + symbol.address, symbol.ordinal)
        return self.exports[name]

    def call_host_convention(self, name, eax=UNUSED_ARGUMENT, edx=UNUSED_ARGUMENT):
        """Calls an export as the host does: arguments in EAX and EDX, ECX
        holding garbage, nothing on the stack but the return address, above
        which the host's own frame (guard words) must stay untouched."""
        address, _ = self.export(name)
        guard = [0xF00D0000 + i for i in range(16)]
        registers = dict(CALLEE_SAVED)
        registers.update({UC_X86_REG_EAX: eax, UC_X86_REG_EDX: edx, UC_X86_REG_ECX: UNUSED_ARGUMENT})
        watch = MemoryWatch(self)
        watch.heap_before = self.heap.next
        self.watch = watch
        top = STACK_BASE + STACK_SIZE - 0x1000
        watch.caller_frame = (top - 4 * len(guard), top)
        try:
            esp = self.run(address, [RETURN_ADDRESS] + guard, registers, 2_000_000)
        finally:
            self.watch = None
        after = self.uc.reg_read(UC_X86_REG_ESP)
        problems = []
        if after != esp + 4:
            problems.append("ESP off by %d after the return (0 expected: no stack arguments)" % (after - (esp + 4)))
        for reg, value in CALLEE_SAVED.items():
            got = self.uc.reg_read(reg)
            if got != value:
                problems.append("%s not preserved (0x%08x, was 0x%08x)" % (REGISTER_NAMES[reg], got, value))
        if self.read(esp + 4, 4 * len(guard)) != struct.pack("<16I", *guard):
            problems.append("the caller's frame above the return address changed")
        if watch.caller_access:
            problems.append("touched the caller's frame: " + ", ".join(watch.caller_access[:4]))
        return self.uc.reg_read(UC_X86_REG_EAX), problems, watch


class MemoryWatch:
    """What one call read and wrote outside its own stack frame."""

    def __init__(self, process):
        self.caller_frame = (0, 0)
        self.caller_access = []
        self.writes = []  # (address, size) outside the stack

    def on_write(self, process, address, size):
        low, high = self.caller_frame
        if low <= address < high:
            self.caller_access.append("write of %d at 0x%08x" % (size, address))
        elif not STACK_BASE <= address < STACK_BASE + STACK_SIZE:
            self.writes.append((address, size))

    def on_read(self, process, address, size):
        low, high = self.caller_frame
        if low <= address < high:
            eip = process.uc.reg_read(UC_X86_REG_EIP)
            self.caller_access.append("read of %d at 0x%08x (eip 0x%08x%s)" % (size, address, eip, process.where(eip)))

    def written_bytes(self):
        out = set()
        for address, size in self.writes:
            out.update(range(address, address + size))
        return out


# ---- the imports: calling convention, argument count and behaviour

def _alloc(p, size):
    return p.heap.alloc(size)


def _calloc(p, count, size):
    return p.heap.alloc(count * size, zero=True)


def _free(p, address):
    p.heap.free(address)
    return 0


def _realloc(p, address, size):
    return p.heap.realloc(address, size)


def _memcpy(p, dst, src, n):
    if n:
        p.write(dst, p.read(src, n))
    return dst


def _memset(p, dst, value, n):
    if n:
        p.write(dst, bytes([value & 0xFF]) * n)
    return dst


def _memcmp(p, a, b, n):
    x, y = p.read(a, n), p.read(b, n)
    return 0 if x == y else (-1 if x < y else 1)


def _memchr(p, s, c, n):
    data = p.read(s, n)
    at = data.find(bytes([c & 0xFF]))
    return 0 if at < 0 else s + at


def _strlen(p, s):
    return len(p.c_string(s))


def _strcmp(p, a, b):
    x, y = p.c_string(a).encode("latin-1"), p.c_string(b).encode("latin-1")
    return 0 if x == y else (-1 if x < y else 1)


def _strncmp(p, a, b, n):
    x, y = p.c_string(a).encode("latin-1")[:n], p.c_string(b).encode("latin-1")[:n]
    return 0 if x == y else (-1 if x < y else 1)


def _strchr(p, s, c):
    text = p.c_string(s).encode("latin-1") + b"\0"
    at = text.find(bytes([c & 0xFF]))
    return 0 if at < 0 else s + at


def _get_module_handle(wide):
    def handler(p, name):
        if name == 0:
            return HOST_EXE_BASE
        text = p.c_string(name, wide).lower()
        if text in ("varnholt.dll", "varnholt"):
            return p.base
        p.last_error = 126  # ERROR_MOD_NOT_FOUND: no other module is loaded
        return 0
    return handler


def _get_proc_address(p, module, name):
    raise EmulationFailure("lookup of %s in module 0x%08x" % (p.c_string(name) if name > 0xFFFF else name, module))


def _tls_alloc(p):
    index = p.next_tls
    p.next_tls += 1
    p.tls_slots[index] = 0
    return index


def _tls_get(p, index):
    if index not in p.tls_slots:
        raise EmulationFailure("TlsGetValue of unallocated index %d" % index)
    p.last_error = 0
    return p.tls_slots[index]


def _tls_set(p, index, value):
    if index not in p.tls_slots:
        raise EmulationFailure("TlsSetValue of unallocated index %d" % index)
    p.tls_slots[index] = value
    return 1


def _tls_free(p, index):
    p.tls_slots.pop(index, None)
    return 1


def _new_handle(p, *_):
    p.next_handle += 4
    return p.next_handle


def _duplicate_handle(p, source_process, source, target_process, target_out, access, inherit, options):
    if target_out:
        p.write(target_out, struct.pack("<I", _new_handle(p)))
    return 1


def _virtual_query(p, address, info, length):
    # MEMORY_BASIC_INFORMATION of the image page holding `address`.
    page = address & ~(PAGE - 1)
    mbi = struct.pack("<IIIIIII", page, p.base, 0x40, PAGE, 0x1000, 0x40, 0x1000000)
    p.write(info, mbi[:length])
    return min(length, len(mbi))


def _virtual_protect(p, address, size, new_protect, old_out):
    writable = new_protect in (0x04, 0x08, 0x40, 0x80)
    old = 0x40
    for page in range(address & ~(PAGE - 1), address + size, PAGE):
        old = 0x40 if p.protect.get(page, False) else 0x20
        p.protect[page] = writable
    if old_out:
        p.write(old_out, struct.pack("<I", old))
    return 1


def _set_last_error(p, code):
    p.last_error = code
    return None


def _system_time(p, out):
    p.write(out, struct.pack("<Q", 133_000_000_000_000_000))
    return None


def _abort(p, *_):
    raise EmulationFailure("the DLL called abort()")


def _exit(p, code):
    raise EmulationFailure("the DLL called exit(%d)" % code)


def _amsg_exit(p, code):
    raise EmulationFailure("the DLL called _amsg_exit(%d)" % code)


def _unreachable(what):
    def handler(p, *args):
        raise EmulationFailure(what)
    return handler


K32, MSVCRT, USER32 = "kernel32.dll", "msvcrt.dll", "user32.dll"
STD, CDECL = "stdcall", "cdecl"

# (dll, name) -> (convention, argument count, handler). An import not listed
# here stops the run when called.
API = {
    (K32, "GetModuleHandleA"): (STD, 1, _get_module_handle(False)),
    (K32, "GetModuleHandleW"): (STD, 1, _get_module_handle(True)),
    (K32, "GetProcAddress"): (STD, 2, _get_proc_address),
    (K32, "GetLastError"): (STD, 0, lambda p: p.last_error),
    (K32, "SetLastError"): (STD, 1, _set_last_error),
    (K32, "TlsAlloc"): (STD, 0, _tls_alloc),
    (K32, "TlsGetValue"): (STD, 1, _tls_get),
    (K32, "TlsSetValue"): (STD, 2, _tls_set),
    (K32, "InitializeCriticalSection"): (STD, 1, lambda p, cs: p.write(cs, b"\0" * 24)),
    (K32, "DeleteCriticalSection"): (STD, 1, lambda p, cs: None),
    (K32, "EnterCriticalSection"): (STD, 1, lambda p, cs: None),
    (K32, "LeaveCriticalSection"): (STD, 1, lambda p, cs: None),
    (K32, "TryEnterCriticalSection"): (STD, 1, lambda p, cs: 1),
    (K32, "GetCurrentProcess"): (STD, 0, lambda p: 0xFFFFFFFF),
    (K32, "GetCurrentThread"): (STD, 0, lambda p: 0xFFFFFFFE),
    (K32, "GetCurrentProcessId"): (STD, 0, lambda p: 0x1000),
    (K32, "GetCurrentThreadId"): (STD, 0, lambda p: 0x1004),
    (K32, "GetSystemTimeAsFileTime"): (STD, 1, _system_time),
    (K32, "VirtualQuery"): (STD, 3, _virtual_query),
    (K32, "VirtualProtect"): (STD, 4, _virtual_protect),
    (K32, "AddVectoredExceptionHandler"): (STD, 2, _new_handle),
    (K32, "RemoveVectoredExceptionHandler"): (STD, 1, lambda p, h: 1),
    (K32, "CreateEventA"): (STD, 4, _new_handle),
    (K32, "CreateSemaphoreA"): (STD, 4, _new_handle),
    (K32, "CloseHandle"): (STD, 1, lambda p, h: 1),
    (K32, "DuplicateHandle"): (STD, 7, _duplicate_handle),
    (K32, "GetThreadPriority"): (STD, 1, lambda p, h: 0),
    (K32, "SetEvent"): (STD, 1, lambda p, h: 1),
    (K32, "ResetEvent"): (STD, 1, lambda p, h: 1),
    (K32, "IsDebuggerPresent"): (STD, 0, lambda p: 0),
    (K32, "GetModuleFileNameA"): (STD, 3, _unreachable("GetModuleFileNameA: no entry point under test needs it")),
    (MSVCRT, "malloc"): (CDECL, 1, _alloc),
    (MSVCRT, "calloc"): (CDECL, 2, _calloc),
    (MSVCRT, "realloc"): (CDECL, 2, _realloc),
    (MSVCRT, "free"): (CDECL, 1, _free),
    (MSVCRT, "memcpy"): (CDECL, 3, _memcpy),
    (MSVCRT, "memmove"): (CDECL, 3, _memcpy),
    (MSVCRT, "memset"): (CDECL, 3, _memset),
    (MSVCRT, "memcmp"): (CDECL, 3, _memcmp),
    (MSVCRT, "memchr"): (CDECL, 3, _memchr),
    (MSVCRT, "strlen"): (CDECL, 1, _strlen),
    (MSVCRT, "strcmp"): (CDECL, 2, _strcmp),
    (MSVCRT, "strncmp"): (CDECL, 3, _strncmp),
    (MSVCRT, "strchr"): (CDECL, 2, _strchr),
    (MSVCRT, "_lock"): (CDECL, 1, lambda p, n: 0),
    (MSVCRT, "_unlock"): (CDECL, 1, lambda p, n: 0),
    (MSVCRT, "_errno"): (CDECL, 0, lambda p: STUB_BASE + STUB_SIZE - 16),
    (MSVCRT, "abort"): (CDECL, 0, _abort),
    (MSVCRT, "exit"): (CDECL, 1, _exit),
    (MSVCRT, "_amsg_exit"): (CDECL, 1, _amsg_exit),
}

# Variables msvcrt exports: the import slot holds their address.
DATA_IMPORTS = {
    (MSVCRT, "__mb_cur_max"): struct.pack("<I", 1),
    (MSVCRT, "_iob"): b"\0" * (3 * 32),
}


# ---- the checks

class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, problems):
        if problems:
            self.failed += 1
            print("FAIL %s" % name)
            for problem in problems:
                print("     %s" % problem)
        else:
            self.passed += 1
            print("ok   %s" % name)


def byte_differences(before, after, allowed=None, limit=6):
    """Offsets where `after` differs from `before`, outside `allowed`."""
    out = []
    for i, (x, y) in enumerate(zip(before, after)):
        if x != y and (allowed is None or i not in allowed):
            out.append("byte %d: 0x%02x -> 0x%02x" % (i, x, y))
            if len(out) == limit:
                out.append("...")
                break
    return out


class HostMemory:
    """Records placed as the host would hand them over, each ending right at a
    page boundary with an unmapped page behind it in the emulated address
    space, so that a read or write past the record's end faults."""

    def __init__(self, process):
        self.p = process
        self.next_page = HOST_BASE + PAGE

    def place(self, data, guard_before=64):
        size = len(data)
        pages = (size + guard_before + PAGE - 1) // PAGE
        start = self.next_page + pages * PAGE - size
        self.next_page += (pages + 1) * PAGE
        self.p.uc.mem_unmap(self.next_page - PAGE, PAGE)  # the hole after the record
        before = pattern(guard_before, 99)
        self.p.write(start - guard_before, before)
        self.p.write(start, data)
        return start, (start - guard_before, before)

    def guard_intact(self, guard):
        at, data = guard
        return self.p.read(at, len(data)) == data


def run_suite(path, base, label, results):
    def check(name, problems):
        results.check("[%s] %s" % (label, name), problems)

    try:
        p = Process(path, base)
    except (EmulationFailure, UcError) as e:
        check("load the DLL", [str(e)])
        return
    check("load the DLL at 0x%08x (%s)" % (base, "relocated: %d fix-ups" % p.relocations
                                          if base != p.pe.OPTIONAL_HEADER.ImageBase else "preferred base"), [])

    try:
        attached = p.attach()
        problems = []
        entry_result = attached[-1][1]
        if entry_result == 0:
            problems.append("DllMainCRTStartup answered FALSE: the loader would unload the DLL")
        check("process attach: %d TLS callback(s) and DllMainCRTStartup return TRUE, stack and registers intact"
              % (len(attached) - 1), problems)
    except EmulationFailure as e:
        check("process attach", [str(e)])
        return

    expected_exports = {"_GrabNumber": 1, "_Release": 2, "_GetScore": 3, "_AddQSO": 4, "_Run": 5, "_GetInfo": 6}
    problems = []
    for name, ordinal in expected_exports.items():
        try:
            if p.export(name)[1] != ordinal:
                problems.append("%s has ordinal %d, not %d" % (name, p.export(name)[1], ordinal))
        except KeyError:
            problems.append("%s is not exported" % name)
    if len(p.exports) != len(expected_exports):
        problems.append("exports: %s" % sorted(p.exports))
    check("exports the six entry points by name with their ordinals", problems)
    if problems:
        return

    host = HostMemory(p)

    def safely(name, body):
        try:
            check(name, body())
        except EmulationFailure as e:
            check(name, [str(e)])

    # CurrentQso: the DLL's one copy of the last record; found by its content
    # after the first copy-in, and then expected at the same place every time.
    current = {"at": None}

    def current_qso_problems(record):
        image = p.read(p.base, p.image_end - p.base)
        hits = []
        at = image.find(record)
        while at >= 0:
            hits.append(p.base + at)
            at = image.find(record, at + 1)
        if len(hits) != 1:
            return ["the record's 5916 bytes occur %d times in the image (one copy, CurrentQso, expected)" % len(hits)]
        if not any(start <= hits[0] < end for start, end in p.writable):
            return ["the record's copy is not in a writable section"]
        if current["at"] is None:
            current["at"] = hits[0]
        elif current["at"] != hits[0]:
            return ["the record was copied to 0x%08x, CurrentQso was at 0x%08x" % (hits[0], current["at"])]
        return []

    def writes_only(watch, allowed_ranges, what):
        if watch.heap_before != p.heap.next:  # blocks this call allocated are its own business
            allowed_ranges = allowed_ranges + [(watch.heap_before, p.heap.next)]
        stray = []
        for address, size in watch.writes:
            if not any(lo <= address and address + size <= hi for lo, hi in allowed_ranges):
                stray.append("%s wrote %d bytes at 0x%08x%s" % (what, size, address, p.where(address)))
        return stray[:5]

    # _GetInfo into a record pre-filled by the host, 520 bytes exactly and
    # then a bigger one, so that both the end and the bytes from 520 on are
    # watched.
    def get_info(size):
        def body():
            before = pattern(size, 7 + size)
            at, guard = host.place(before)
            result, problems, watch = p.call_host_convention("_GetInfo", eax=at)
            after = p.read(at, size)
            expected = bytearray(before)
            expected[0:9] = b"\x08Varnholt"
            expected[256:260] = struct.pack("<i", 1)
            expected[260:275] = b"\x0etamrel_contest"
            expected[516:520] = struct.pack("<i", 1)
            problems += ["record " + d for d in byte_differences(bytes(expected), after)]
            if not host.guard_intact(guard):
                problems.append("bytes before the record changed")
            problems += writes_only(watch, [(at, at + PLUGIN_INFO_SIZE)], "_GetInfo")
            written = {a - at for a in watch.written_bytes()}
            touched = set(range(0, 9)) | set(range(256, 260)) | set(range(260, 275)) | set(range(516, 520))
            if written - touched:
                problems.append("wrote record bytes beyond its four fields: %s" % sorted(written - touched)[:8])
            return problems
        return body

    safely("_GetInfo fills a 520-byte record: name, 1, identification, 1 and not one byte more", get_info(520))
    safely("_GetInfo leaves bytes 520 on of a larger record and the slots' tails as the host left them",
           get_info(1024))

    # _GrabNumber(record in EAX, slot in EDX).
    def grab_number():
        record = pattern(HOST_QSO_RECORD_SIZE, 3)
        slot = bytearray(pattern(256, 4))
        slot[0] = 12
        rec_at, rec_guard = host.place(record)
        slot_at, slot_guard = host.place(bytes(slot))
        result, problems, watch = p.call_host_convention("_GrabNumber", eax=rec_at, edx=slot_at)
        after = p.read(slot_at, 256)
        if after[0] != 0:
            problems.append("length byte is %d, not 0" % after[0])
        problems += ["slot " + d for d in byte_differences(bytes(slot), after, allowed={0})]
        problems += ["record " + d for d in byte_differences(record, p.read(rec_at, HOST_QSO_RECORD_SIZE))]
        if not (host.guard_intact(rec_guard) and host.guard_intact(slot_guard)):
            problems.append("bytes before a record changed")
        problems += current_qso_problems(record)
        cq = current["at"] or 0
        # The first copy-in also runs the once-only initialisation of
        # CurrentQso's storage (its guard and the guard's lock, in the DLL's
        # own data and heap); the host's memory must still see one byte
        # written.
        allowed = [(slot_at, slot_at + 1), (cq, cq + HOST_QSO_RECORD_SIZE), (HEAP_BASE, HEAP_BASE + HEAP_SIZE)]
        allowed += p.writable
        problems += writes_only(watch, allowed, "_GrabNumber")
        return problems

    safely("_GrabNumber empties the slot (length byte 0, the rest kept), copies the record into CurrentQso",
           grab_number)

    # _GetScore and _AddQSO before any window: 0, the record copied in, the
    # host's record unchanged, nothing else written.
    def score_without_window(name, seed):
        def body():
            record = pattern(HOST_QSO_RECORD_SIZE, seed)
            at, guard = host.place(record)
            result, problems, watch = p.call_host_convention(name, eax=at)
            if result != 0:
                problems.append("EAX is 0x%08x, not 0" % result)
            problems += ["record " + d for d in byte_differences(record, p.read(at, HOST_QSO_RECORD_SIZE))]
            if not host.guard_intact(guard):
                problems.append("bytes before the record changed")
            problems += current_qso_problems(record)
            cq = current["at"] or 0
            problems += writes_only(watch, [(cq, cq + HOST_QSO_RECORD_SIZE)], name)
            return problems
        return body

    safely("_GetScore with no window answers 0, copies the record, changes nothing else",
           score_without_window("_GetScore", 11))
    safely("_AddQSO with no window answers 0, copies the record, changes nothing else",
           score_without_window("_AddQSO", 12))

    def release_without_window():
        result, problems, watch = p.call_host_convention("_Release")
        return problems + writes_only(watch, [(lo, hi) for lo, hi in p.writable], "_Release")

    safely("_Release with no window returns normally", release_without_window)
    safely("_Release a second time returns normally", release_without_window)
    safely("_GetScore after _Release still answers 0", score_without_window("_GetScore", 13))
    safely("_AddQSO after _Release still answers 0", score_without_window("_AddQSO", 14))

    # FreeLibrary after the host's _Release: process detach with a null
    # reserved argument, TLS callbacks first, then the entry point. (Any
    # import without a stub here, USER32's among them, stops the run too.)
    def detach():
        results = p.notify(DLL_PROCESS_DETACH)
        problems = []
        if results[-1][1] == 0:
            problems.append("DllMainCRTStartup answered FALSE on detach")
        dll_of = {name: dll for dll, name in p.stubs.values()}
        called = {name for _, _, calls in results for name in calls}
        locked_out = sorted(n for n in called if dll_of.get(n) in (USER32, "gdi32.dll", "advapi32.dll"))
        if locked_out:
            problems.append("called under the loader lock: %s" % ", ".join(locked_out))
        return problems

    safely("process detach (FreeLibrary): the CRT shuts down, nothing of the window system or the registry "
           "is called", detach)


def main(argv):
    if len(argv) != 2:
        print("usage: %s path/to/Varnholt.dll" % argv[0], file=sys.stderr)
        return 2
    path = argv[1]
    results = Results()
    try:
        preferred = pefile.PE(path, fast_load=True).OPTIONAL_HEADER.ImageBase
    except (OSError, pefile.PEFormatError) as e:
        print("cannot read %s: %s" % (path, e), file=sys.stderr)
        return 2
    for base, label in ((preferred, "preferred base"), (RELOCATED_BASE, "relocated")):
        try:
            run_suite(path, base, label, results)
        except Exception:  # a fault of this script, not of the DLL: still counted, never hidden
            traceback.print_exc()
            results.failed += 1
    print("%d passed, %d failed" % (results.passed, results.failed))
    return 0 if results.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
