#!/usr/bin/env python3
"""Writes THIRD-PARTY.txt for the release archive: the notices of the code
and data that the build compiles or links into the Windows programs.

Every notice is read, when the release is built, from the copyright file of
the Debian package that installed the file concerned: the compiler is asked
which libraries it links (-print-file-name), dpkg which package owns each of
them and the data files, and the text is cut out of that package's
/usr/share/doc/<package>/copyright. Nothing here is a copy of a notice. A
file that no package owns, a missing copyright file or a notice that is no
longer where it was looked for stops the build with a message.

  notices.py --compiler CXX --cty CTY.DAT --scp MASTER.SCP --out FILE
"""
import argparse
import os
import subprocess
import sys


class NoticeError(Exception):
    pass


def run(*command):
    try:
        return subprocess.run(command, check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        raise NoticeError("%s failed: %s" % (" ".join(command), getattr(error, "stderr", "") or error))


def owner(path):
    """The Debian package that installed PATH (as given or with its links resolved)."""
    for candidate in dict.fromkeys([path, os.path.realpath(path)]):
        try:
            answer = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        except OSError as error:
            raise NoticeError("dpkg-query cannot be run: %s" % error)
        for line in answer.stdout.splitlines():
            package, _, owned = line.partition(": ")
            if owned == candidate and not package.startswith("diversion by"):
                return package.split(",")[0].split(":")[0]
    raise NoticeError("%s was installed by no Debian package, so its notice cannot be taken from one" % path)


def linked_file(compiler, name):
    """The file NAME that COMPILER links, as the compiler itself finds it."""
    found = run(compiler, "-print-file-name=" + name).strip()
    if not os.path.isabs(found) or not os.path.exists(found):
        raise NoticeError("%s does not know where %s is (it answered %r)" % (compiler, name, found))
    return os.path.realpath(found)


class Package:
    def __init__(self, name):
        self.name = name
        self.version = run("dpkg-query", "-W", "-f=${Version}", name).strip()
        self.copyright = "/usr/share/doc/%s/copyright" % name
        if not os.path.isfile(self.copyright):
            raise NoticeError("%s is missing: the package %s has lost its copyright file" % (self.copyright, name))
        with open(self.copyright, encoding="utf-8") as file:
            self.text = file.read()

    def source(self):
        return "From %s (Debian package %s, version %s):" % (self.copyright, self.name, self.version)


def paragraphs(text):
    """The blank-line separated paragraphs of a copyright file, as lists of lines."""
    result, current = [], []
    for line in text.splitlines():
        if line.strip():
            current.append(line.rstrip())
        elif current:
            result.append(current)
            current = []
    if current:
        result.append(current)
    return result


def field(paragraph, name):
    """The value of a field of a machine-readable copyright paragraph: its
    first line's value and its continuation lines, or None."""
    for i, line in enumerate(paragraph):
        if line.startswith(name + ":"):
            value = [line[len(name) + 1:].strip()]
            for more in paragraph[i + 1:]:
                if not more[:1].isspace():
                    break
                value.append(more.strip())
            return value
    return None


def stanzas(package, files):
    """The paragraphs of PACKAGE's machine-readable copyright file whose Files
    field lists each of FILES, each with the text of its licence where the
    paragraph names the licence only."""
    all_paragraphs = paragraphs(package.text)
    licences = {}
    for paragraph in all_paragraphs:
        if field(paragraph, "Files") is None and field(paragraph, "License"):
            licences[field(paragraph, "License")[0]] = paragraph
    out = []
    for wanted in files:
        match = [p for p in all_paragraphs if wanted in (field(p, "Files") or [])]
        if not match:
            raise NoticeError("%s has no paragraph for the files %s" % (package.copyright, wanted))
        paragraph = match[0]
        out.append("\n".join(paragraph))
        licence = field(paragraph, "License")
        if licence and len(licence) == 1:
            if licence[0] not in licences:
                raise NoticeError("%s names the licence %s but does not give it" % (package.copyright, licence[0]))
            out.append("\n".join(licences[licence[0]]))
    return "\n\n".join(out)


def block(package, first, last):
    """The lines of PACKAGE's copyright file from the one starting with FIRST
    to the one ending with LAST."""
    lines = package.text.splitlines()
    starts = [i for i, line in enumerate(lines) if line.startswith(first)]
    if not starts:
        raise NoticeError("%s no longer holds a line starting %r" % (package.copyright, first))
    for end in range(starts[0], len(lines)):
        if lines[end].rstrip().endswith(last):
            return "\n".join(line.rstrip() for line in lines[starts[0]:end + 1])
    raise NoticeError("%s: the text from %r no longer ends with %r" % (package.copyright, first, last))


def section(title, what, package, body):
    rule = "=" * 78
    return "%s\n%s\n%s\n\n%s\n\n%s\n\n%s\n" % (rule, title, rule, what, package.source(), body.strip("\n"))


def notices(compiler, cty, scp):
    for path in (cty, scp):
        if not os.path.isfile(path):
            raise NoticeError("%s is missing" % path)
    data = Package(owner(cty))
    if owner(scp) != data.name:
        raise NoticeError("%s and %s come from different packages; expected one" % (cty, scp))
    threads = Package(owner(linked_file(compiler, "libwinpthread.a")))
    crt = Package(owner(linked_file(compiler, "libmingwex.a")))
    cxx = Package(owner(linked_file(compiler, "libstdc++.a")))
    support = Package(owner(linked_file(compiler, "libgcc.a")))

    parts = [
        "Third-party notices\n"
        "\n"
        "Varnholt.dll and varnholt-score.exe contain, besides the project's own code\n"
        "(its licence is in LICENSE), the third-party code and data below, compiled\n"
        "or statically linked in. Each notice was taken, when this release was\n"
        "built, from the copyright file of the Debian package that installed it.\n",
        section("The country file and the check list",
                "varnholt-score.exe has the country file %s and the check list\n"
                "%s compiled in (Varnholt.dll has neither). The package's copyright\n"
                "file, whole: the first paragraph covers the country file, the\n"
                "\"Data\" paragraphs the check list." % (os.path.basename(cty), os.path.basename(scp)),
                data, data.text),
        section("The thread runtime (winpthreads)",
                "Statically linked into both programs.",
                threads, stanzas(threads, ["mingw-w64-libraries/winpthreads/*",
                                           "mingw-w64-libraries/winpthreads/include/pthread.h"])),
        section("The C runtime's static parts (mingw-w64)",
                "Statically linked into both programs: the start-up code and the\n"
                "runtime library in general, the number conversions (gdtoa) and the\n"
                "formatted output (mingw_pformat) in particular.",
                crt, stanzas(crt, ["*", "mingw-w64-crt/gdtoa/*", "mingw-w64-crt/gdtoa/qnan.c",
                                   "mingw-w64-crt/misc/basename.c"])),
    ]
    runtime = (block(cxx, "GCC is Copyright", " - libvtv") + "\n\n" +
               block(cxx, "GCC RUNTIME LIBRARY EXCEPTION", "requirements of the license of GCC."))
    what = ("The C++ runtime (libstdc++) and GCC's support library (libgcc) are\n"
            "statically linked into both programs, under the GNU General Public\n"
            "License version 3 with the GCC Runtime Library Exception, which permits\n"
            "this without further conditions.")
    if support.text != cxx.text:
        runtime += "\n\n" + support.source() + "\n\n" + (
            block(support, "GCC is Copyright", " - libvtv") + "\n\n" +
            block(support, "GCC RUNTIME LIBRARY EXCEPTION", "requirements of the license of GCC."))
    elif support.name != cxx.name:
        what += "\nThe package %s (libgcc) has the same copyright file." % support.name
    parts.append(section("The C++ runtime and GCC's support library", what, cxx, runtime))
    return "\n".join(parts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--compiler", required=True)
    parser.add_argument("--cty", required=True)
    parser.add_argument("--scp", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    try:
        text = notices(args.compiler, args.cty, args.scp)
    except NoticeError as error:
        sys.exit("notices: " + str(error))
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "w", encoding="utf-8", newline="\n") as file:
        file.write(text)


if __name__ == "__main__":
    main()
