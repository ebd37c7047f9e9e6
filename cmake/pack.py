#!/usr/bin/env python3
"""Packs a release archive: a zip with one folder that holds the given files
and SHA256SUMS over them, the same bytes every time for the same files.

  pack.py --out ZIP --folder NAME [--text NAME=FILE]... [--program NAME=FILE]...

Texts are written with CR LF line ends (an operator reads them on Windows);
programs as they are. The entries come in name order, each dated at
SOURCE_DATE_EPOCH (the release's commit time, in seconds; the time of the
last commit of the tree this script is in when the variable is not set),
with fixed permissions and no extra fields.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

TEXT_MODE = 0o100644
PROGRAM_MODE = 0o100755


def epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if value is None:
        here = os.path.dirname(os.path.abspath(__file__))
        try:
            value = subprocess.run(["git", "-C", here, "log", "-1", "--format=%ct"], check=True,
                                   capture_output=True, text=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            sys.exit("pack: SOURCE_DATE_EPOCH is not set and this tree has no git history to take it from")
    if not value.isdigit():
        sys.exit("pack: SOURCE_DATE_EPOCH is not a number of seconds: %r" % value)
    # A zip file's dates run from 1980 on, in two-second steps.
    stamp = time.gmtime(max(int(value), 315532800))
    return stamp[:5] + (stamp[5] // 2 * 2,)


def crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def entry(folder, name, mode, date):
    info = zipfile.ZipInfo(folder + "/" + name, date_time=date)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix: the permissions below are read as such
    info.external_attr = mode << 16
    return info


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--folder", required=True)
    parser.add_argument("--text", action="append", default=[], metavar="NAME=FILE")
    parser.add_argument("--program", action="append", default=[], metavar="NAME=FILE")
    args = parser.parse_args()

    files = {}
    for kind, specs in (("text", args.text), ("program", args.program)):
        for spec in specs:
            name, _, path = spec.partition("=")
            if not name or not path or name in files or name == "SHA256SUMS":
                sys.exit("pack: bad or repeated file: %r" % spec)
            with open(path, "rb") as file:
                data = file.read()
            files[name] = (crlf(data), TEXT_MODE) if kind == "text" else (data, PROGRAM_MODE)
    # The format sha256sum writes and checks: digest, two spaces, name.
    sums = "".join("%s  %s\n" % (hashlib.sha256(files[name][0]).hexdigest(), name) for name in sorted(files))
    files["SHA256SUMS"] = (sums.encode("ascii"), TEXT_MODE)

    date = epoch()
    partial = args.out + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in sorted(files):
            data, mode = files[name]
            archive.writestr(entry(args.folder, name, mode, date), data, compresslevel=9)
    os.replace(partial, args.out)


if __name__ == "__main__":
    main()
