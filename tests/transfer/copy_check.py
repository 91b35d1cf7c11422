"""Checks FoxPro tables Tavrel copied into MySQL, cell by cell: MySQL as the mariadb client reads it,
FoxPro as Debian's python3-dbfread parses it (NULLs and Varchar lengths from _NullFlags by the
documented bit rule), mapped as the copy maps each type. A table in a code page Python has no codec
for is compared with MANIFEST.json's first record. A blank N, F, D, T or L field must arrive as NULL.
  /usr/bin/python3 copy_check.py DATABASE JOBS   (JOBS: a JSON list of {"source": a free table folder
  or a .dbc below the fixtures, "table": its name as listed}; the server is TAVREL_TEST_MYSQL_*)
Prints what differs and exits 1 when anything does.
"""
import codecs
import datetime
import decimal
import json
import os
import subprocess
import sys

import dbfread
from dbfread.field_parser import FieldParser

FIXTURES = os.environ["TAVREL_FIXTURES_DIR"]
UNMARKED_CODE_PAGE = 1252  # what Tavrel reads a table without a code page mark in
BINARY_FLAG, NULLABLE_FLAG = 0x04, 0x02

# A byte the code page leaves undefined reads as the character of the same number.
codecs.register_error("samebyte", lambda e: (chr(e.object[e.start]), e.start + 1))


class Raw(bytes):
    """Bytes a later step finishes (V and Q: the varlength byte)."""


BLANK = object()  # what dbfread reads as None from a blank N, F, D, T or L field: no value, NULL


class Parser(FieldParser):
    def __init__(self, table, memofile=None):
        FieldParser.__init__(self, table, memofile)
        self.memofile = memofile

    def flags(self, field):
        return field.reserved1 & 0xFF if self.dbversion in (0x30, 0x31, 0x32) else 0

    def parseC(self, field, data):  # the whole field: a C value keeps its trailing blanks
        return bytes(data) if self.flags(field) & BINARY_FLAG else self.decode_text(data)

    def parseV(self, field, data):
        return Raw(data)

    parseQ = parseV

    def memo(self, index):
        if not isinstance(self.memofile, dbfread.memo.DB4MemoFile) or index <= 0:
            return self.get_memo(index)
        # dBASE IV: dbfread takes the block's length for the data's, but it counts the 8-byte block
        # header, and then cuts the text at a 0x1F byte; the data is the length less 8.
        self.memofile.file.seek(index * 512 + 4)
        length = int.from_bytes(self.memofile.file.read(4), "little")
        return self.memofile.file.read(max(0, length - 8))

    def parseM(self, field, data):
        memo = self.memo(self._parse_memo_index(data))
        if memo is None:
            return b"" if self.flags(field) & BINARY_FLAG else ""
        if self.flags(field) & BINARY_FLAG or isinstance(memo, dbfread.memo.BinaryMemo):
            return bytes(memo)
        return self.decode_text(memo)

    def parseW(self, field, data):
        memo = self.memo(self._parse_memo_index(data))
        return bytes(memo) if memo is not None else b""

    parseG = parseP = parseW

    def parseB(self, field, data):
        return FieldParser.parseB(self, field, data) if self.dbversion in (0x30, 0x31, 0x32) else self.parseW(field, data)


def records(path, encoding):
    """The live records, each a list of (field, value) with NULLs and Varchar lengths applied."""
    table = dbfread.DBF(path, encoding=encoding, parserclass=Parser, ignore_missing_memofile=True,
                        char_decode_errors="samebyte", load=False)
    fields = [f for f in table.fields if f.type != "0"]
    flags_field = next((f for f in table.fields if f.type == "0"), None)
    bits, n = {}, 0  # walking the fields: a V or Q takes a varlength bit, then a nullable one a null bit
    for f in fields:
        if f.type in "VQ":
            bits[(f.name, "varlength")] = n
            n += 1
        if (f.reserved1 & 0xFF) & NULLABLE_FLAG and flags_field is not None:
            bits[(f.name, "null")] = n
            n += 1
    out = []
    with open(path, "rb") as infile, table._open_memofile() as memofile:
        parser = Parser(table, memofile)
        infile.seek(table.header.headerlen)
        for _ in range(table.header.numrecords):
            flag = infile.read(1)
            values = {f.name: parser.parse(f, infile.read(f.length)) for f in table.fields}
            if flag not in (b" ", b"\0"):  # deleted ('*'), or an append cut short
                continue
            nullflags = int.from_bytes(values.get(flags_field.name, b"") if flags_field else b"", "little")
            row = []
            for f in fields:
                v = values[f.name]
                if (f.name, "null") in bits and nullflags >> bits[(f.name, "null")] & 1:
                    v = None
                elif v is None:
                    v = BLANK
                elif isinstance(v, Raw):
                    raw = bytes(v)
                    if nullflags >> bits[(f.name, "varlength")] & 1:
                        raw = raw[:raw[-1]]
                    v = raw if f.type == "Q" or (f.reserved1 & 0xFF) & BINARY_FLAG else raw.decode(encoding, "samebyte")
                row.append((f, v))
            out.append(row)
    return table, out


def mysql_type(f, version):
    vfp = version in (0x30, 0x31, 0x32)
    binary = vfp and (f.reserved1 & 0xFF) & BINARY_FLAG
    if f.type in "CVM":
        return "longblob" if binary else "longtext"
    if f.type in "GWPQ" or (f.type == "B" and not vfp):
        return "longblob"
    return {"N": "double", "F": "double", "I": "double", "B": "double", "L": "bit"}.get(f.type, "longtext")


def expected(f, v, version):
    """The cell the copy must give, in the form the check reads MySQL in."""
    if v is None or v is BLANK:
        return None
    kind = mysql_type(f, version)
    if kind == "longblob":
        return (v if isinstance(v, bytes) else v.encode("utf-8")).hex().upper()  # as HEX() gives it
    if kind == "double":
        return float(v)
    if kind == "bit":
        return 1 if v else 0
    if f.type == "Y":
        return format(v.quantize(decimal.Decimal("0.0001")), "f")  # the exact amount, four places
    if f.type == "T":
        if v.microsecond >= 500000:  # Tavrel reads date-times to the second, rounded
            v += datetime.timedelta(seconds=1)
        return v.strftime("%Y-%m-%d %H:%M:%S").rjust(19, "0")
    if f.type == "D":
        return "%04d-%02d-%02d" % (v.year, v.month, v.day)
    return v


def mysql(database, sql):
    env = os.environ
    result = subprocess.run(
        ["mariadb", "--no-defaults", "-h", env["TAVREL_TEST_MYSQL_HOST"], "-P", env["TAVREL_TEST_MYSQL_PORT"],
         "-u", env["TAVREL_TEST_MYSQL_USER"], "-p" + env["TAVREL_TEST_MYSQL_PASSWORD"], "-D", database, "--batch",
         "--raw", "--skip-column-names", "-e", sql], capture_output=True, check=True)
    return [line for line in result.stdout.decode("utf-8").split("\n") if line]


def quoted(name):
    return "`" + name.replace("`", "``") + "`"


def source_file(job, manifest):
    """The table's file, the key of its manifest entry and its column names as Tavrel lists them."""
    source = job["source"]
    if source.lower().endswith(".dbc"):
        folder = os.path.dirname(source)
        entry = next(t for t in manifest[source]["dbc_catalog"]["tables"] if t["name"].lower() == job["table"].lower())
        return os.path.join(folder, entry["path"]), entry["long_field_names"]
    name = next(n for n in os.listdir(os.path.join(FIXTURES, source))
                if n.lower() == job["table"].lower() + ".dbf")
    return os.path.join(source, name), None


def check(database, job, manifest):
    key, long_names = source_file(job, manifest)
    facts = manifest[key]
    cp = facts["codepage"] or UNMARKED_CODE_PAGE
    try:
        codecs.lookup("cp%d" % cp)
        table, rows = records(os.path.join(FIXTURES, key), "cp%d" % cp)
    except LookupError:  # no codec: the manifest's first record, and the number of records
        table, rows = records(os.path.join(FIXTURES, key), "latin-1")
        first = dict((n, v) for n, v in facts["dbfread"]["first_record"]["values"])
        rows = [[(f, first[f.name]) for f, _ in rows[0]]] + [None] * (facts["dbfread"]["records"] - 1)
    version = table.header.dbversion
    fields = [f for f, _ in rows[0]] if rows else [f for f in table.fields if f.type != "0"]
    names = long_names or [f.name.lower() for f in fields]
    problems = []
    t = job["table"]
    columns = [tuple(line.split("\t")) for line in mysql(
        database, "SELECT COLUMN_NAME, DATA_TYPE, IFNULL(CHARACTER_SET_NAME, '') FROM information_schema.COLUMNS"
        " WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '%s' ORDER BY ORDINAL_POSITION" % t.replace("'", "''"))]
    want = [(n, mysql_type(f, version), "utf8mb4" if mysql_type(f, version) == "longtext" else "")
            for n, f in zip(names, fields)]
    if columns != want:
        return ["%s: columns %r, expected %r" % (t, columns, want)]
    selected = ", ".join(("HEX(%s)" if c[1] == "longblob" else "%s+0" if c[1] == "bit" else "%s") % quoted(c[0])
                         for c in columns)
    stored = [json.loads(line) for line in mysql(database, "SELECT JSON_ARRAY(%s) FROM %s" % (selected, quoted(t)))]
    if len(stored) != len(rows):
        problems.append("%s: %d rows in MySQL, %d in the FoxPro table" % (t, len(stored), len(rows)))
    for k, (got, row) in enumerate(zip(stored, rows)):
        if row is None:
            continue
        for (name, _, _), cell, (f, v) in zip(columns, got, row):
            want_cell = expected(f, v, version)
            if cell != want_cell:
                problems.append("%s row %d column %s (%s): MySQL %r, expected %r" % (t, k, name, f.type, cell, want_cell))
    return problems


def main():
    database, jobs_file = sys.argv[1], sys.argv[2]
    with open(os.path.join(FIXTURES, "MANIFEST.json"), encoding="utf-8") as f:
        manifest = json.load(f)["tables"]
    with open(jobs_file, encoding="utf-8") as f:
        jobs = json.load(f)
    problems = []
    for job in jobs:
        problems += check(database, job, manifest)
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
