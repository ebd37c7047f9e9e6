#!/usr/bin/python3
"""Holds a Windows program's import table against the list of Windows
functions and the first Windows that exports each.

    check_imports.py [--headers] OBJDUMP LIST PROGRAM

Fails, naming each, on an import the list lacks or that is newer than the
oldest Windows the program must run on: XP SP3 for a 32-bit program, XP x64
for a 64-bit one. With --headers the PE header's OS and subsystem versions
must name that Windows too (5.1; 5.2), so that an older Windows refuses the
file at once instead of failing to bind it. Fails as well on a list line
that is malformed or whose source is not a Microsoft page: the list is only
as good as its sources.
"""
import re
import subprocess
import sys
from pathlib import Path

# Windows releases, oldest first. Server2003 is 5.2, the base of XP x64.
WINDOWS = ["NT4", "2000", "XP", "XP-SP1", "XP-SP2", "XP-SP3", "Server2003",
           "Vista", "7", "8", "8.1", "10", "10-1511", "10-1607", "10-1703",
           "10-1709", "10-1803", "10-1809", "10-1903", "10-2004", "11"]
# ODBC's pages give the ODBC version that brought a function: XP's own
# driver manager (MDAC 2.7 and later) implements ODBC 3.5x, and the 3.8
# driver manager came with Windows 7.
ODBC = {"ODBC-1.0": "XP", "ODBC-2.0": "XP", "ODBC-3.0": "XP", "ODBC-3.8": "7"}
# What the oldest supported Windows of each word size has. XP x64 was built
# from Server 2003 SP1: it has what XP SP2 brought, not what XP SP3 added.
FLOORS = {
    32: ("XP-SP3", (5, 1), {"NT4", "2000", "XP", "XP-SP1", "XP-SP2", "XP-SP3"}),
    64: ("Server2003 (XP x64)", (5, 2), {"NT4", "2000", "XP", "XP-SP1", "XP-SP2", "Server2003"}),
}
SOURCE = re.compile(r"https://learn\.microsoft\.com/\S+$")


def read_list(path):
    """Returns {(dll, function): windows} and the list's own faults."""
    known, faults = {}, []
    for number, line in enumerate(Path(path).read_text().splitlines(), 1):
        fields = [] if line.lstrip().startswith("#") else line.split()
        if not fields:
            continue
        where = f"{path}:{number}"
        if len(fields) != 4:
            faults.append(f"{where}: not DLL FUNCTION VERSION SOURCE: {line.strip()}")
            continue
        dll, function, version, source = fields
        key = (dll.lower(), function)
        if version not in WINDOWS and version not in ODBC:
            faults.append(f"{where}: {function}: unknown version {version}")
        elif not SOURCE.match(source):
            faults.append(f"{where}: {function}: the source is not a Microsoft page: {source}")
        elif key in known:
            faults.append(f"{where}: {dll} {function} is listed twice")
        else:
            known[key] = ODBC.get(version, version)
    return known, faults


def read_program(objdump, program):
    """Returns the word size, the header's {field: value} and the imports
    as (dll, function) pairs, an import by ordinal N as (dll, "#N")."""
    dump = subprocess.run([objdump, "-p", program], check=True,
                          stdout=subprocess.PIPE, text=True).stdout
    bits = 64 if re.search(r"^Magic\s+020b", dump, re.M) else 32
    header = dict(re.findall(r"^(M\w+(?:OSystem|Subsystem)Version)\s+(\d+)$", dump, re.M))
    imports, dll = [], None
    for line in dump.splitlines():
        name = re.match(r"\s+DLL Name: (\S+)", line)
        if name:
            dll = name.group(1)
            continue
        entry = re.match(r"\t([0-9a-f]+)\t\s*\S+\s+(\S+)$", line)
        if dll and entry:
            thunk, function = entry.groups()
            # objdump names no function for an import by ordinal; the thunk's
            # low 16 bits are the ordinal.
            imports.append((dll, f"#{int(thunk, 16) & 0xFFFF}" if function == "<none>" else function))
        elif not line.strip():
            dll = None
    return bits, header, imports


def main(argv):
    headers = "--headers" in argv
    args = [a for a in argv if a != "--headers"]
    if len(args) != 3:
        sys.exit(__doc__)
    objdump, list_path, program = args
    known, faults = read_list(list_path)
    bits, header, imports = read_program(objdump, program)
    floor, floor_version, within = FLOORS[bits]
    name = Path(program).name
    for dll, function in imports:
        what = f"{dll} {function}" + (" (import by ordinal)" if function.startswith("#") else "")
        version = known.get((dll.lower(), function))
        if version is None:
            faults.append(f"{name}: {what} is not in {list_path}")
        elif version not in within:
            faults.append(f"{name}: {what} needs Windows {version}, newer than {floor}")
    if headers:
        for field, kind in (("OSystem", "OS"), ("Subsystem", "subsystem")):
            found = tuple(int(header.get(f"{m}{field}Version", -1)) for m in ("Major", "Minor"))
            if found != floor_version:
                faults.append(f"{name}: the header says {kind} version {found[0]}.{found[1]};"
                              f" the floor, {floor}, is {floor_version[0]}.{floor_version[1]}")
    for fault in faults:
        print(fault)
    if not faults:
        print(f"{name}: {len(imports)} imports, none newer than {floor}"
              + (f"; the header says {floor_version[0]}.{floor_version[1]}" if headers else ""))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
