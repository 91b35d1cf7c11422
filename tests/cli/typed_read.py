"""Prints a FoxPro table as dbfread reads it, for a test to compare whole: a line of fields
(NAME TYPE(WIDTH,DECIMALS), "null" for one that takes NULL), then a line per live record, cells
joined by "|": NULL, the text, N fields as their digits, binary values in hexadecimal. NULL and
the length of a short V or Q value come from _NullFlags as the format page gives them
(cdx_check.records). Run with /usr/bin/python3: typed_read.py TABLE.dbf CDX_CHECK_FOLDER
"""
import sys

sys.path.insert(0, sys.argv[2])
import cdx_check  # noqa: E402
import dbfread  # noqa: E402
from dbfread.field_parser import FieldParser  # noqa: E402


class Parser(FieldParser):
    parseQ = parseV = lambda self, field, data: bytes(data)

    def parseW(self, field, data):
        memo = self.get_memo(self._parse_memo_index(data))
        return bytes(memo) if memo is not None else None


def cell(field, value, raw, short, codepage):
    if value is None and field.type in "MW":  # an empty memo has no block
        value = b"" if field.type == "W" else ""
    if field.type in "VQ":
        value = raw[:raw[-1]] if short else raw
        return value.hex() if field.type == "Q" else value.decode("cp%d" % codepage)
    if field.type == "N":
        return raw.decode("ascii").strip()
    if field.type == "W":
        return value.hex()
    if field.type == "T":
        return value.isoformat(" ")
    return str(value)


def main(path):
    fields, records, codepage = cdx_check.records(path)
    table = dbfread.DBF(path, encoding="cp%d" % codepage, parserclass=Parser, char_decode_errors="strict")
    described = {f.name: f for f in table.fields}
    print(" ".join("%s %s(%d,%d)%s" % (f.name, f.type, f.length, described[f.name].decimal_count,
                                       " null" if f.nullable else "") for f in fields))
    live = [r for r in records if not r[1]]
    for (number, deleted, raws, nulls, shorts), values in zip(live, table):
        print("|".join("NULL" if f.name in nulls else cell(f, values[f.name], raws[f.name], f.name in shorts, codepage)
                       for f in fields))


main(sys.argv[1])
