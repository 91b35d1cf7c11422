"""Reads and writes FoxPro tables with readers nobody on this project wrote (Debian's
python3-dbf and python3-dbfread), for the engine's cross-checks. Run with /usr/bin/python3.

  crosscheck.py read-dbfread TABLE ENCODING   -> JSON: the live records as dbfread reads them
  crosscheck.py read-dbf TABLE                -> JSON: the live records as python3-dbf reads them
  crosscheck.py write-dbf FOLDER              -> writes FOLDER/pydbf.dbf; JSON: the values it wrote

Values are printed as: text (trailing blanks of C fields removed), {"num": "..."} for numbers,
"YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS", true/false, null, {"hex": "..."} for bytes.
"""
import datetime
import decimal
import json
import sys


def norm(value):
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
        value = value + datetime.timedelta(microseconds=500000) if value.microsecond >= 500000 else value
        return "%04d-%02d-%02d %02d:%02d:%02d" % (value.year, value.month, value.day, value.hour, value.minute,
                                                  value.second)
    if isinstance(value, datetime.date):
        return "%04d-%02d-%02d" % (value.year, value.month, value.day)
    # python3-dbf's own types
    name = type(value).__name__
    if name in ("Logical",):
        return None if value is None or str(value) == "?" else bool(value)
    if name in ("Date",):
        return None if not value else norm(value._date)
    if name in ("DateTime",):
        return None if not value else norm(value._datetime)
    if name in ("NullType",):
        return None
    return str(value)


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
    out = []
    for record in table:
        out.append([[k, norm(v)] for k, v in record.items()])
    return out


def read_dbf(path):
    import dbf
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    out = []
    try:
        names = table.field_names
        for record in table:
            if dbf.is_deleted(record):
                continue
            row = []
            for n in names:
                v = record[n]
                if isinstance(v, str):
                    v = v.rstrip(" ")
                row.append([n.upper(), norm(v)])
            out.append(row)
    finally:
        table.close()
    return out


def write_dbf(folder):
    """A table written by python3-dbf. It writes no NULL bits (None in a C field becomes blanks),
    so the engine is compared with what python3-dbf and dbfread read back from it."""
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
    table = dbf.Table(folder + "/pydbf.dbf", layout, dbf_type="vfp", codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    table.close()
    names = [f.split()[0].upper() for f in layout.split(";")]
    out = []
    for row in rows:
        out.append([[n, norm(v.rstrip(" ") if isinstance(v, str) else v)] for n, v in zip(names, row)])
    return out


def main():
    mode = sys.argv[1]
    if mode == "read-dbfread":
        result = read_dbfread(sys.argv[2], sys.argv[3])
    elif mode == "read-dbf":
        result = read_dbf(sys.argv[2])
    elif mode == "write-dbf":
        result = write_dbf(sys.argv[2])
    else:
        raise SystemExit("unknown mode " + mode)
    json.dump(result, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
