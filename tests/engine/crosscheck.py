"""Compares the engine's reading of FoxPro tables (dumped by EngineTestSupport.h's readingJson)
with readers nobody on this project wrote, Debian's python3-dbfread and python3-dbf, and with
the fixtures' MANIFEST.json. Run with /usr/bin/python3.

  crosscheck.py fixture-list             the fixture tables, each with the code page that reads it unmarked
  crosscheck.py fixtures READINGS        READINGS: {table: reading}, compared with MANIFEST.json
  crosscheck.py compare READING TABLE READER [SKIP,…]   READER: dbfread, dbf or a JSON file of rows
  crosscheck.py write-dbf TABLE          writes TABLE with python3-dbf, and TABLE.json with its rows
Prints what differs and exits 1 when anything does.
"""
import datetime
import decimal
import json
import os
import sys
from collections import Counter

FIXTURES = os.environ.get("TAVREL_FIXTURES_DIR", "")


def norm(value):
    """Another reader's value in the reading's form."""
    if value is None:
        return None
    if isinstance(value, bool):
        return value
    if isinstance(value, (int, float, decimal.Decimal)):
        return {"num": repr(value) if isinstance(value, float) else str(value)}
    if isinstance(value, (bytes, bytearray)):
        return {"hex": bytes(value).hex()}
    if isinstance(value, str):
        return value
    if isinstance(value, datetime.datetime):
        # A T field keeps milliseconds: shown as a fraction when there are any.
        text = "%04d-%02d-%02d %02d:%02d:%02d" % (value.year, value.month, value.day, value.hour, value.minute,
                                                  value.second)
        return text + ((".%03d" % (value.microsecond // 1000)).rstrip("0") if value.microsecond >= 1000 else "")
    if isinstance(value, datetime.date):
        return "%04d-%02d-%02d" % (value.year, value.month, value.day)
    return str(value)


def number(v):
    return float(v["num"]) if isinstance(v, dict) and "num" in v else None


def same(ours, theirs):
    x, y = number(ours), number(theirs)
    if x is not None and y is not None:
        return abs(x - y) <= 1e-12 * max(1.0, abs(x), abs(y))
    return ours == theirs


def empty(value, ftype):
    """An empty text, memo or binary value (not NULL): what other readers give as None or ''. A
    blank N, F, L, D or T is NULL, never 0 or false."""
    return ftype not in "NFLDT" and (value.strip(" ") == "" if isinstance(value, str) else value == {"hex": ""})


def equivalent(ours, theirs, ftype):
    """The other reader's value is the engine's; its None or '' matches an empty value or NULL
    (dbfread does not know _NullFlags)."""
    return same(ours, theirs) or (theirs in (None, "") and (ours is None or empty(ours, ftype)))


def text_bytes(value, codepage):
    """The stored bytes a value stands for; text in the table's code page, where a character the
    code page leaves undefined stands for the byte of the same number (as the engine reads it)."""
    if isinstance(value, dict):
        return bytes.fromhex(value["hex"])
    out = bytearray()
    for ch in value:
        try:
            out += ch.encode("cp%d" % codepage)
        except UnicodeEncodeError:
            out.append(ord(ch))
    return bytes(out)


def read_dbfread(path, encoding):
    import dbfread
    from dbfread.field_parser import FieldParser

    class Parser(FieldParser):
        # dbfread has no parser for Q and W; give their raw bytes so such tables open.
        def parseQ(self, field, data):
            return bytes(data)

        def parseW(self, field, data):
            memo = self.get_memo(self._parse_memo_index(data))
            return bytes(memo) if memo is not None else None

    table = dbfread.DBF(path, encoding=encoding, parserclass=Parser, char_decode_errors="strict")
    return [[[k, norm(v)] for k, v in record.items()] for record in table]


def read_dbf(path):
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    try:
        return [[[n.upper(), norm(r[n].rstrip(" ") if isinstance(r[n], str) else r[n])] for n in table.field_names]
                for r in table if not dbf.is_deleted(r)]
    finally:
        table.close()


def compare(reading, rows, skip):
    """Problems between the engine's reading and another reader's rows."""
    problems = [str(e) for e in reading["errors"]]
    fields, compared = reading["fields"], 0
    if len(rows) != len(reading["rows"]):
        problems.append("%d rows, the other reader %d" % (len(reading["rows"]), len(rows)))
    for ours, theirs in zip(reading["rows"], rows):
        theirs = [pair for pair in theirs if pair[0].upper() != "_NULLFLAGS"]
        if [f["name"] for f in fields] != [pair[0] for pair in theirs]:
            problems.append("record %d: fields %s" % (ours[0], [pair[0] for pair in theirs]))
            continue
        for f, value, (name, other) in zip(fields, ours[1:], theirs):
            if name in skip:
                continue
            compared += 1
            if not equivalent(value, other, f["type"]):
                problems.append("record %d field %s: engine %r, other %r" % (ours[0], name, value, other))
    if compared == 0 and reading["rows"]:
        problems.append("no value compared")
    return problems


def first_record(key, t, reading, row):
    """Problems between the manifest's first record (as dbfread read it, NULLs and Varchar
    lengths from the raw record) and the engine's reading of it."""
    first = t["dbfread"]["first_record"]
    flags = first.get("vfp_nullflags") or {}
    nulls, varlen = set(flags.get("null_fields", [])), flags.get("varlen_raw", {})
    wants = [pair for pair in first["values"] if pair[0] != "_NullFlags"]
    cp = reading["codepage"]
    problems = []
    if [f["name"] for f in reading["fields"]] != [n for n, _ in wants]:
        return ["%s: first record's fields differ" % key], 0
    for f, got, (name, want) in zip(reading["fields"], row[1:], wants):
        ty = f["type"]
        if name in nulls or got is None:
            # NULL by its bit, or a blank N, F, L, D or T (which dbfread reads as None)
            ok = got is None and (name in nulls or (want is None and ty in "NFLDT"))
        elif want is None:
            ok = empty(got, ty)
        elif ty in "VQ" and name in varlen:  # the raw bytes cut to their real length
            ok = text_bytes(got, cp).hex() == varlen[name]["hex"]
        elif isinstance(want, bool):
            ok = got is want
        elif isinstance(want, (int, float)):
            ok = same(got, {"num": repr(want)})
        elif isinstance(want, dict):
            raw = text_bytes(got, cp)
            if "hex" in want:
                ok = raw.hex() == want["hex"]
            else:
                ok = "length" in want and len(raw) == want["length"] and raw[:32].hex() == want["hex_head"]
        elif ty == "Y":
            ok = number(got) is not None and decimal.Decimal(got["num"]) == decimal.Decimal(want)
        elif ty == "T":
            ok = got == norm(datetime.datetime.fromisoformat(want))
        elif ty == "C" and isinstance(got, dict):
            ok = text_bytes(got, cp).rstrip(b" \0") == text_bytes(want, cp)
        elif ty in "MGWP":
            # dbfread takes a dBASE IV memo's length as the data's; it counts the 8-byte block
            # header, so dbfread's text runs 8 bytes too far (NULs in the samples).
            if reading["version"] == 0x8B and want.endswith("\0" * 8):
                want = want[:-8]
            ok = text_bytes(got, cp) == text_bytes(want, cp) if isinstance(got, dict) else got == want
        else:
            ok = got == want
        if not ok:
            problems.append("%s field %s (%s): engine %r, manifest %r" % (key, name, ty, got, want))
    return problems, len(wants)


def blank_counts(key, t, recnos):
    """How many of the records `recnos` (from 1) hold no value in each N, F, L, D and T field of
    the fixture table: no digit, a blank or '?' logical, a blank date, a date-time of day 0."""
    with open(os.path.join(FIXTURES, key), "rb") as f:
        data = f.read()
    counts, offset = {}, 1
    for fd in t["fields"]:
        n = fd.get("effective_length", fd["length"])
        for recno in recnos if fd["type"] in "NFLDT" else []:
            start = t["header_length"] + (recno - 1) * t["record_length"] + offset
            b = data[start:start + n]
            none = {"N": not any(c in b"0123456789" for c in b), "L": b[:1] in (b" ", b"?", b"\0"),
                    "D": all(c in b" 0\0" for c in b), "T": b[:4] == b"\0" * 4 or all(c in b" \0" for c in b)}
            if none.get(fd["type"], none["N"]):
                counts[fd["name"]] = counts.get(fd["name"], 0) + 1
        offset += n
    return counts


def fixtures(readings):
    """Problems between the engine's readings of the fixture tables and MANIFEST.json."""
    tables = load(os.path.join(FIXTURES, "MANIFEST.json"))["tables"]
    problems, values = [], 0
    if len(tables) < 49 or set(tables) != set(readings):
        problems.append("tables: %d in the manifest, %d read" % (len(tables), len(readings)))
    for key, r in sorted(readings.items()):
        t, dr = tables[key], tables[key]["dbfread"]
        problems += ["%s: %s" % (key, e) for e in r["errors"]]
        if "fields" not in r:
            continue
        facts = {"version": int(t["version_byte"], 16), "mark": int(t["codepage_mark"], 16),
                 "flags": int(t["table_flags"], 16), "count": t["record_count_header"],
                 "deleted": t["deleted_count_raw"]}
        if isinstance(t.get("backlink"), str):
            facts["backlink"] = t["backlink"]
        if t["codepage"] is not None:
            facts["codepage"] = t["codepage"]
        problems += ["%s: %s %r, manifest %r" % (key, k, r[k], v) for k, v in facts.items() if r[k] != v]
        if len(r["rows"]) != dr["records"]:
            problems.append("%s: %d live records, dbfread %d" % (key, len(r["rows"]), dr["records"]))

        vfp = 0x30 <= r["version"] <= 0x32
        wants = [f for f in t["fields"] if f["type"] != "0"]
        if len(wants) != len(r["fields"]):
            problems.append("%s: %d fields, manifest %d" % (key, len(r["fields"]), len(wants)))
        for f, w in zip(r["fields"], wants):
            want = {"name": w["name"], "type": w["type"], "length": w.get("effective_length", w["length"])}
            if "effective_length" not in w:
                want["decimals"] = w["decimals"]
            if vfp:
                want["flags"] = int(w["flags"], 16)
            if "autoinc_next" in w:
                want["autoinc"] = w["autoinc_next"]
            if any(f[k] != v for k, v in want.items()):
                problems.append("%s: field %r, manifest %r" % (key, f, want))

        nulls = Counter(f["name"] for row in r["rows"] for f, value in zip(r["fields"], row[1:]) if value is None)
        # The manifest counts the NULLs of _NullFlags; a blank N, F, L, D or T reads as NULL too. A
        # value is NULL for either reason (Visual FoxPro blanks the bytes of a NULL), so a field has
        # at least as many NULLs as each counts and at most both together.
        counted = t.get("null_counts_all_records") or {}
        blanks = blank_counts(key, t, [row[0] for row in r["rows"]])
        if any(not max(counted.get(n, 0), blanks.get(n, 0)) <= nulls.get(n, 0) <= counted.get(n, 0) + blanks.get(n, 0)
               for n in set(nulls) | set(counted) | set(blanks)):
            problems.append("%s: NULLs %r, manifest %r, blank %r" % (key, nulls, counted, blanks))

        if dr.get("first_record"):
            row = [row for row in r["rows"] if row[0] == dr["first_record"]["recno"]]
            if not row:
                problems.append("%s: the first record is not read" % key)
                continue
            more, n = first_record(key, t, r, row[0])
            problems += more
            values += n
    if values < 500:
        problems.append("only %d values of first records compared" % values)
    return problems


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def write_dbf(path):
    """A table written by python3-dbf, and the rows it meant to write. It writes no NULL bits
    (None in a C field becomes blanks)."""
    import dbf
    layout = ("nc C(12) NULL; name C(20); qty N(10,3); whole N(6,0); fl F(12,4); i I; b B; y Y; "
              "d D; t T; l L; m M")
    rows = [
        (None, "Ärger €", decimal.Decimal("-1234.125"), 42, 3.25, -2147483647, 1.5, decimal.Decimal("12.3456"),
         datetime.date(1999, 12, 31), datetime.datetime(2024, 5, 17, 13, 45, 30), True, "memo über\r\nzwei Zeilen"),
        ("second", "", decimal.Decimal("0.5"), -7, -0.0625, 2147483646, -2.25e10, decimal.Decimal("-5.0001"),
         datetime.date(2000, 2, 29), datetime.datetime(1900, 1, 1, 0, 0, 0), False, "x" * 5000),
        ("third", "plain", decimal.Decimal("0"), 0, 0.0, 0, 0.0, 0, datetime.date(1, 1, 1),
         datetime.datetime(9999, 12, 31, 23, 59, 59), False, ""),
    ]
    table = dbf.Table(path, layout, dbf_type="vfp", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    table.close()
    names = [f.split()[0].upper() for f in layout.split(";")]
    with open(path + ".json", "w", encoding="utf-8") as f:
        json.dump([[[n, norm(v)] for n, v in zip(names, row)] for row in rows], f)


def main():
    mode, args = sys.argv[1], sys.argv[2:]
    problems = []
    if mode == "fixture-list":
        for key, t in sorted(load(os.path.join(FIXTURES, "MANIFEST.json"))["tables"].items()):
            enc = t["dbfread"]["encoding_used"] if t["codepage"] is None else ""
            print("%s\t%s" % (key, enc[2:] if enc.startswith("cp") else 0))
    elif mode == "fixtures":
        problems = fixtures(load(args[0]))
    elif mode == "compare":
        reading = load(args[0])
        if args[2] == "dbfread":
            rows = read_dbfread(args[1], "cp%d" % reading["codepage"])
        else:
            rows = read_dbf(args[1]) if args[2] == "dbf" else load(args[2])
        problems = compare(reading, rows, set(args[3].split(",")) if len(args) > 3 else set())
    elif mode == "write-dbf":
        write_dbf(args[0])
    else:
        raise SystemExit("unknown mode " + mode)
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
