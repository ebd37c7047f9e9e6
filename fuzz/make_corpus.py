#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are committed; this script documents how each one is laid out and
remakes them when an input layout changes: python3 fuzz/make_corpus.py
"""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

RECORD, SAME_CONTACT, SAME_STATION = 0x01, 0x02, 0x04


def contact(flags, call=b"", band=b"", mode=b"", report=b"", dxcc=b"", station=b"", earlier=None):
    out = bytes([flags])
    for text in (call, band, mode, report, dxcc, station):
        out += bytes([len(text)]) + text
    if earlier is not None:
        out += bytes([earlier])
    return out


def host_records():
    yield "home_and_dx", (
        contact(RECORD, b"UR5A", b"20M", b"CW", b"599 1234", b"UR", b"DL")
        + contact(RECORD, b"DL1A", b"20M", b"CW", b"599 0000", b"DL", b"DL")
        + contact(RECORD, b"K1AA", b"80M", b"SSB", b"59 12", b"K", b"DL")
        + contact(0, b"UR5A", b"20M", b"CW", b"599 1234", b"UR", b"DL"))
    yield "duplicates", (
        contact(RECORD, b"EW1AA", b"40M", b"CW", b"599 0042", b"EW", b"UA9")
        + contact(RECORD | SAME_CONTACT | SAME_STATION, report=b"599 0042", earlier=0)
        + contact(SAME_CONTACT, earlier=0)
        + contact(RECORD, b"ew1aa", b"40m", b"cw", b"599 0042 ", b"ew", b"ua9"))
    yield "case_and_blanks", (
        contact(RECORD, b"4J1A", b"15M", b"CW", b"  599 7777\t", b" ua2 ", b"  g ")
        + contact(RECORD, b"4J1B", b"15m", b"CW", b"599 7777", b"UA1", b"G")
        + contact(RECORD, b"UN7A", b"15M", b"RTTY", b"5990000", b"UN", b"EX"))
    yield "high_bytes", contact(RECORD, b"\xff\x80A", b"\xe4M", b"\x00CW", b"599 \xb91234", b"U\xc0", b"\x7f")
    yield "empty_fields", contact(RECORD) + contact(RECORD) + contact(0)


def registry_texts():
    texts = [
        (0, b"10,20,300,400"),
        (-1, b"  -8, 0 ,,12,-2147483648 "),
        (5, b"$7FFFFFFF"),
        (5, b"-$80000000"),
        (7, b"0x1f"),
        (7, b"+0X7fffffff\t"),
        (9, b"2147483648"),
        (9, b"12 34"),
        (3, b"C:\\Program Files\\Log\\Logger.exe"),
        (3, b"C:\\Log\\.exe"),
        (1, b"1,2\x003,4"),
        (2, b"$"),
        (2, b"-"),
        (4, b"1,2,3,4,5"),
    ]
    for i, (fallback, text) in enumerate(texts):
        yield "text_%02d" % i, struct.pack("<i", fallback) + text


NULL, INTEGER, BYTES, REPEAT = 0, 1, 2, 4
TEXT, BINARY = 0, 1


def value(kind, payload=None):
    if kind == NULL:
        return bytes([NULL])
    if kind == INTEGER:
        return bytes([INTEGER]) + struct.pack("<q", payload)
    if kind == REPEAT:
        return bytes([REPEAT])
    flavour, data = payload
    return bytes([BYTES, flavour]) + struct.pack("<H", len(data)) + data


def text(data):
    return value(BYTES, (TEXT, data))


def log(types, rows, table=None, station=b"DL"):
    out = bytes(types) + bytes([len(rows)])
    for row in rows:  # CallSign, DigiBand, QSOMode, QSOReportRecived, DXCCPrefix, MainPrefix, Continent
        out += b"".join(row)
    out += bytes([0]) if table is None else bytes([1, len(table)]) + table
    return out + bytes([len(station)]) + station


def log_rows():
    plain = [0] * 7
    texts = [1] * 7
    row = lambda *v: [text(x) for x in v]
    yield "plain_log", log(texts, [
        row(b"UR5A", b"20M", b"CW", b"599 1234", b"UR", b"UR", b"eu"),
        [value(REPEAT)] * 7,
        row(b"DL1A", b"80M", b"CW", b"599 0000", b"DL", b"DL", b"eu"),
    ])
    yield "nulls", log(plain, [
        [text(b"K1AA"), text(b"20M"), text(b"CW"), value(NULL), text(b"K"), value(NULL), value(NULL)],
        [value(NULL)] * 7,
    ])
    yield "numbers_and_blobs", log([0, 2, 3, 4, 1, 5, 0], [
        [value(INTEGER, 12345), value(BYTES, (BINARY, b"\x00\x01\xff")), value(INTEGER, -7),
         value(INTEGER, 5991234), text(b"UA9"), value(BYTES, (BINARY, b"")), text(b"as")],
    ])
    yield "long_values", log(texts, [
        row(b"L" * 300, b"B" * 256, b"M" * 255, b"5" * 500, b"U" * 254, b"x" * 600, b"c" * 257),
    ])
    yield "own_table_name", log(texts, [row(b"UR5A", b"20M", b"CW", b"599 1234", b"UR", b"UR", b"eu")],
                                table=b"Log where DigiBand = '20M'")
    yield "missing_table", log(texts, [], table=b"NoSuchTable")
    yield "empty_log", log(texts, [])


DETECT, CABRILLO, ADIF, SAMPLE, COUNTRY_FILE = 0, 1, 2, 3, 4


def log_files():
    # The first byte chooses the reader; the rest is the file.
    yield "cabrillo", bytes([DETECT]) + (
        b"START-OF-LOG: 3.0\nCALLSIGN: UT5XX\n"
        b"QSO: 14025 CW 2025-03-29 0000 UT5XX 599 0001 DL1ABC 599 1234 0\n"
        b"qso:  7012 PH 2025-03-29 0001 UT5XX 59 0002 ua9abc/p 59\n"
        b"QSO: 14500 CW 2025-03-29 0002 UT5XX 599 0003 K1ABC 599 0000\n"
        b"QSO: 144 FM 2025-03-29 0003 UT5XX 59 KN18 UR5ABC 59 KN29\nEND-OF-LOG:\n")
    yield "adif", bytes([DETECT]) + (
        b"free text <with a bracket>\n<ADIF_VER:5>3.1.4<eoh>\n"
        b"<call:6>UR5ABC<band:3>20m<mode:2>CW<rst_rcvd:3>599<srx_string:4>1234<station_callsign:5>DL5XY<eor>\n"
        b"<CALL:5:S>UA9XX<FREQ:6>7.0123<MODE:3>SSB<SRX:2>17<DXCC:2>15<EOR>\n"
        b"<CALL:4>K1AB<MODE:2>CW<eor>\n<CALL:10>TRUNCATED")
    yield "cabrillo-pasted", bytes([DETECT]) + (
        b"\xef\xbb\xbf# exported\nMy log, 73:\nQSO: 1.2G FM 2025-03-29 0000 UT5XX 59 KN18 UR5ABC 59 KN29\n"
        b"END-OF-LOG:\nQSO: 137 CW 2025-03-29 0001 UT5XX 599 1 HC8N 599 2\nClaimed score: 2\n")
    yield "adif-damaged", bytes([ADIF]) + (
        b"<CALL:6>UR5ABC <BAND:4>630m <MODE:2>CW\nCALL:6>UR5ABD <BAND:3>20m <MODE:2>CW <EOR>\n"
        b"<CALL:6UR5ABE <BAND:3>20m <MODE:2>CW <EOR\n<CALL:6>UR5ABF <BAND:3>20m <MODE:2>CW <EOR>\n")
    yield "country-file", bytes([COUNTRY_FILE]) + (
        b"Ukraine: 16: 29: EU: 50.00: -30.00: -2.0: UR:\n    EM,UR,=EM1U/X{AN},=UR1X;\n"
        b"European Russia: 16: 29: EU: 53.65: -41.37: -4.0: UA:\n    R,U,=R9AB/1(17)[19];\n"
        b"Sicily: 15: 28: EU: 37.50: -14.00: -1.0: *IT9:\n    IT9,=UR1X;\n")
    # Field names with spaces inside, as exporters name their own fields; one
    # with a bad length and one that lost its '<' among them.
    yield "adif-user-fields", bytes([DETECT]) + (
        b"<ADIF_VER:5>3.1.4 <USERDEF1:7>Seq (S) <EOH>\n"
        b"<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <Seq (S):3>001 <Seq (R):3>792 <EOR>\n"
        b"<CALL:5>UA9XX <BAND:3>40m <MODE:3>SSB <APP_MYLOG_Op Name:13><CALL:5>K9XYZ <EOR>\n"
        b"<CALL:5>K1ABC <BAND:3>20m <MODE:2>CW <Seq (S):x>003 <EOR>\n"
        b"<CALL:5>K2ABC <BAND:3>20m <MODE:2>CW Seq (R):3>004 <A,B:1>x <EOR>\n")
    # Lengths that count characters, not bytes: cut inside a character, before
    # the rest of the value, at a blank inside it, and one neither count ends.
    yield "adif-character-lengths", bytes([ADIF]) + (
        "<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <NAME:6>Jürgen <SRX_STRING:2>Jü <EOR>\n"
        "<CALL:5>UA9XX <BAND:3>40m <MODE:2>CW <NAME:11>Иван Петров<SRX_STRING:5>ЖЖa b<EOR>\n"
        "<CALL:5>K1ABC <BAND:3>20m <MODE:2>CW <NAME:2>Jüx <SRX_STRING:4>12345 <EOR>\n").encode()
    # UTF-16 logs behind their byte order marks, with half a character alone
    # on one line and a last byte without its partner.
    cabrillo = ("START-OF-LOG: 3.0\r\nCALLSIGN: UT5XX\r\n# été\r\n"
                "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 1234\r\n"
                "QSO: 7012 CW 2025-03-29 0001 UT5XX 599 2 K1").encode("utf-16-le")
    yield "utf16le-cabrillo", bytes([DETECT]) + b"\xff\xfe" + cabrillo + b"\x3d\xd8" + (
        "ABC 599 7\r\nQSO: 7012 CW 2025-03-29 0002 UT5XX 599 3 UA9XX 599 8\r\n").encode("utf-16-le") + b"Q"
    yield "utf16be-adif", bytes([DETECT]) + b"\xfe\xff" + (
        "<CALL:6>UR5ABC<BAND:3>20m<MODE:2>CW<NAME:6>Jürgen<Seq (S):3>001<EOR>\n"
        "<CALL:5>K1ABC<FREQ:6>7.0123<MODE:2>CW<COMMENT:2>\U0001F4FB!<EOR>\n").encode("utf-16-be")
    # Times: out of order, across midnight, two transmitters, and the dates
    # and times no calendar or clock has.
    yield "cabrillo-times", bytes([CABRILLO]) + (
        b"START-OF-LOG: 3.0\nCALLSIGN: UT5XX\nCONTEST: CQ-WPX-CW\nCATEGORY-OPERATOR: MULTI-TWO\n"
        b"QSO: 14025 CW 2025-03-30 0001 UT5XX 599 1 DL1ABC 599 1234 1\n"
        b"QSO: 14025 CW 2025-03-29 2359 UT5XX 599 2 DL2ABC 599 1235 0\n"
        b"QSO: 7025 CW 2025-03-30 0130 UT5XX 599 3 DL1ABC 599 1236 1\n"
        b"QSO: 7025 CW 2025-13-32 2561 UT5XX 599 4 DL3ABC 599 1237 0\n"
        b"QSO: 7025 CW 0000-02-29 0000 UT5XX 599 5 DL4ABC 599 1238 0\n"
        b"QSO: 7025 CW 1899-12-31 2359 UT5XX 599 6 DL5ABC 599 1239 0\n")
    yield "adif-times", bytes([ADIF]) + (
        b"<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <QSO_DATE:8>20250329 <TIME_ON:6>235959 <EOR>\n"
        b"<CALL:6>UR5ABD <BAND:3>20m <MODE:2>CW <QSO_DATE:8>20250330 <TIME_ON:4>0000 <EOR>\n"
        b"<CALL:6>UR5ABE <BAND:3>20m <MODE:2>CW <QSO_DATE:8>20240229 <EOR>\n"
        b"<CALL:6>UR5ABF <BAND:3>20m <MODE:2>CW <qso_date:8>20250229 <time_on:4>2400 <EOR>\n"
        b"<CALL:6>UR5ABG <BAND:3>20m <MODE:2>CW <QSO_DATE:7>20250329 <TIME_ON:4>0000 <EOR>\n")
    yield "sample", bytes([SAMPLE]) + (
        b"# sample\nstation\tDL5XY\tDL\nUR5ABC\t20M\tCW\t599 1234\tUR\tUR5\tEU\r\n"
        b"UR5ABC\t20M\tCW\t599 1234\tUR\tUR5\tEU\nbroken\tline\n")


def main():
    for target, seeds in (("host_records", host_records()), ("registry_texts", registry_texts()),
                          ("log_rows", log_rows()), ("log_files", log_files())):
        folder = os.path.join(ROOT, target)
        os.makedirs(folder, exist_ok=True)
        for old in os.listdir(folder):
            os.remove(os.path.join(folder, old))
        for name, data in seeds:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
