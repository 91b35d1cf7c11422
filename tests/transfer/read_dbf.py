"""Prints a FoxPro table as Debian's python3-dbfread and python3-dbf read it, as JSON: {"version": n,
"dbfread": rows, "dbf": rows, or null for version 0x32 (Blob columns), which python3-dbf cannot read}.
A value is text, null, or {"hex": …} for bytes.  /usr/bin/python3 read_dbf.py TABLE CODEPAGE
"""
import json
import sys


def value(v):
    if v is None:
        return None
    if isinstance(v, (bytes, bytearray)):
        return {"hex": bytes(v).hex()}
    return str(v)


def read_dbfread(path, codepage):
    import dbfread
    from dbfread.field_parser import FieldParser

    class Parser(FieldParser):
        def parseM(self, field, data):
            memo = self.get_memo(self._parse_memo_index(data))
            if memo is not None and field.reserved1 & 0x04:  # NOCPTRANS: bytes as they are
                return bytes(memo)
            return FieldParser.parseM(self, field, data)

        def parseW(self, field, data):
            memo = self.get_memo(self._parse_memo_index(data))
            return bytes(memo) if memo is not None else None

    table = dbfread.DBF(path, encoding="cp%s" % codepage, parserclass=Parser, char_decode_errors="strict")
    return [[value(v) for v in record.values()] for record in table]


def read_dbf(path):
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    try:
        return [[value(r[n]) for n in table.field_names] for r in table if not dbf.is_deleted(r)]
    finally:
        table.close()


def main():
    path, codepage = sys.argv[1], sys.argv[2]
    with open(path, "rb") as f:
        version = f.read(1)[0]
    out = {"version": version, "dbfread": read_dbfread(path, codepage), "dbf": None}
    if version != 0x32:
        out["dbf"] = read_dbf(path)
    json.dump(out, sys.stdout)


main()
