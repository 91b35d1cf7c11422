"""Checks every tag of a Visual FoxPro compound index (.cdx) against its table, from the format
page alone (../shared/formats/cdx.md), not from Tavrel's writer. Run with Debian's python3.

  cdx_check.py TABLE.dbf [INDEX.cdx]     (the index defaults to the table's structural .cdx)

The file (whole pages, the directory's tree, tag names in order); each tag's header, tree (§4)
and leaves (§4.3); keys in order, each record that belongs in the tag there once, no duplicate in
a candidate or UNIQUE tag (§6.8), each record's key the one §6 gives for its values as dbfread
reads them (raw bytes). Prints "TAG ok" or the tag's problems (or that its key expression cannot
be evaluated) and exits 1 when any tag has a problem.
"""
import os
import struct
import sys

import dbfread
import dbfread.field_parser

PAGE = 512


def le(b, at, n):
    return int.from_bytes(b[at:at + n], "little")


def be(b, at, n):
    return int.from_bytes(b[at:at + n], "big")


class Problems(list):
    def add(self, text):
        if len(self) < 20:
            self.append(text)


def header(data, at):
    """A tag header (§3)."""
    pool = data[at + 512:at + 1024]
    for_at, for_len, key_at, key_len = (le(data, at + o, 2) for o in (504, 506, 508, 510))
    text = lambda s, n: pool[s:s + max(n - 1, 0)].decode("latin-1")
    return {"root": le(data, at, 4), "keylen": le(data, at + 12, 2), "options": data[at + 14],
            "collation": data[at + 494:at + 502].rstrip(b"\0").decode("latin-1"), "key": text(key_at, key_len),
            "for": text(for_at, for_len)}


def header_problems(data, at, bits, problems):
    """A header's free list (0 or -1, §3) and the option bits it must carry: compact and compound,
    the directory bit on the directory only (§3.1)."""
    if at % PAGE or at + 2 * PAGE > len(data):
        problems.add("header %#x outside the file" % at)
        return
    if le(data, at + 4, 4) not in (0, 0xFFFFFFFF):
        problems.add("header %#x: free list %#x" % (at, le(data, at + 4, 4)))
    if data[at + 14] & 0xE0 != bits:
        problems.add("header %#x: options %#x" % (at, data[at + 14]))


def decode_leaf(node, keylen, pad, problems, where):
    """The (key, record) pairs of a leaf (§4.3)."""
    count = le(node, 2, 2)
    free, recmask = le(node, 12, 2), le(node, 14, 4)
    rb, db, tb, n = node[20], node[21], node[22], node[23]
    if rb + db + tb != 8 * n or n == 0:
        problems.add("%s: bit counts %d+%d+%d for %d bytes" % (where, rb, db, tb, n))
        return []
    bits = keylen.bit_length()
    if db != bits or tb != bits:
        problems.add("%s: dup/trail bits %d/%d, key length %d wants %d" % (where, db, tb, keylen, bits))
    if recmask != (1 << rb) - 1 and not (rb >= 32 and recmask == 0xFFFFFFFF):
        problems.add("%s: record mask %x" % (where, recmask))
    out, end, prev = [], PAGE, b""
    for i in range(count):
        v = le(node, 24 + i * n, n)
        rec, dup, trail = v & ((1 << rb) - 1), (v >> rb) & ((1 << db) - 1), (v >> (rb + db)) & ((1 << tb) - 1)
        new = keylen - dup - trail
        if new < 0 or (i == 0 and dup):
            problems.add("%s: entry %d dup %d trail %d" % (where, i, dup, trail))
            return out
        start = end - new
        if start < 24 + count * n:
            problems.add("%s: key bytes run into the entries" % where)
            return out
        key = prev[:dup] + node[start:end] + bytes([pad]) * trail
        out.append((key, rec))
        prev, end = key, start
    if free != end - (24 + count * n):
        problems.add("%s: free bytes %d, counted %d" % (where, free, end - (24 + count * n)))
    return out


def walk_tag(data, info, pad, problems):
    """Every (key, record) of the tag, leaves left to right, with the tree's own checks (§4, §7)."""
    keylen, levels, seen = info["keylen"], [], set()

    def node_at(offset):
        if offset % PAGE or offset + PAGE > len(data) or offset in seen:
            problems.add("bad or repeated node pointer %#x" % offset)
            return None
        seen.add(offset)
        return data[offset:offset + PAGE]

    # Descend by the first entry of each level, then follow the right siblings level by level.
    first, level = info["root"], 0
    leaves = []
    while True:
        node = node_at(first)
        if node is None:
            return []
        attr = le(node, 0, 2)
        if level == 0 and not attr & 1:
            problems.add("root node %#x lacks the root bit" % first)
        chain, offset, left = [], first, 0xFFFFFFFF
        while offset != 0xFFFFFFFF:
            n = node if offset == first and not chain else node_at(offset)  # a chain back to its start is a cycle
            if n is None:
                return []
            if le(n, 4, 4) != left:
                problems.add("level %d node %#x: left sibling %#x, expected %#x" % (level, offset, le(n, 4, 4), left))
            if (le(n, 0, 2) & 2) != (attr & 2):
                problems.add("level %d mixes leaves and interior nodes" % level)
            if level > 0 and le(n, 0, 2) & 1:
                problems.add("level %d node %#x has the root bit" % (level, offset))
            if not attr & 2 and not 0 < le(n, 2, 2) <= (PAGE - 12) // (keylen + 8):
                problems.add("interior node %#x holds %d keys" % (offset, le(n, 2, 2)))
            chain.append((offset, n))
            left, offset = offset, le(n, 8, 4)
        levels.append(chain)
        if attr & 2:
            leaves = chain
            break
        if le(node, 2, 2) == 0:
            problems.add("empty interior node %#x" % first)
            return []
        first, level = be(node, 12 + keylen + 4, 4), level + 1
    if len(levels[0]) != 1:
        problems.add("the root level has %d nodes" % len(levels[0]))

    entries = {offset: decode_leaf(node, keylen, pad, problems, "leaf %#x" % offset) for offset, node in leaves}
    for chain in levels[:-1]:
        for offset, node in chain:
            entries[offset] = [(node[at:at + keylen], be(node, at + keylen, 4), be(node, at + keylen + 4, 4))
                               for at in range(12, 12 + le(node, 2, 2) * (keylen + 8), keylen + 8)]
    # Interior entries: each names a child of the level below, in order, with its last key and record.
    for depth in range(len(levels) - 1):
        below = [offset for offset, _ in levels[depth + 1]]
        pointed = []
        for offset, _ in levels[depth]:
            for i, (key, rec, child) in enumerate(entries[offset]):
                pointed.append(child)
                if child in entries and entries[child] and entries[child][-1][:2] != (key, rec):
                    problems.add("interior %#x entry %d is not its child's last key" % (offset, i))
        if pointed != below:
            problems.add("level %d: interior entries do not point at the level below in order" % depth)
    return [entry for offset, _ in leaves for entry in entries[offset]]


# Keys from values (§6) ------------------------------------------------------------------------

def flip_double(x):
    """§6.2: the big-endian IEEE double, sign bit flipped, all bits inverted when negative."""
    b = struct.pack(">d", x + 0.0)  # -0.0 keys as 0.0
    if x < 0:
        return bytes(255 - c for c in b)
    return bytes([b[0] ^ 0x80]) + b[1:]


def julian(y, m, d):
    a = (14 - m) // 12
    y2, m2 = y + 4800 - a, m + 12 * a - 3
    return d + (153 * m2 + 2) // 5 + 365 * y2 + y2 // 4 - y2 // 100 + y2 // 400 - 32045


def parse_date(raw):
    s = raw[:8].decode("latin-1").strip()
    return (int(s[:4]), int(s[4:6]), int(s[6:8])) if s.strip("0") else None


def datetime_parts(raw):
    return struct.unpack("<ii", raw[:8])  # Julian day, milliseconds


def decimal_text(field, raw):
    t = field.type
    if t in "NF":
        return raw.decode("latin-1").strip() or "0"
    if t == "Y":
        v = struct.unpack("<q", raw)[0]
        sign, v = ("-" if v < 0 else ""), abs(v)
        return "%s%d.%04d" % (sign, v // 10000, v % 10000)
    if t == "I":
        return str(struct.unpack("<i", raw)[0])
    return repr(struct.unpack("<d", raw)[0])


def vfp_str(text, width, decimals):
    """STR(n, width, decimals), rounding half away from zero; fewer decimals, then asterisks."""
    from decimal import Decimal, ROUND_HALF_UP, localcontext
    with localcontext() as context:
        context.prec = 1000  # every digit of a double, whatever its size
        value = Decimal(text)
        for d in range(min(decimals, width), -1, -1):
            s = str(value.quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP))
            if s.startswith("-") and not s.strip("-0."):
                s = s[1:]
            if len(s) <= width:
                return s.rjust(width).encode("latin-1")
    return b"*" * width


# UPPER(): ASCII letters; under code page 1252 also š œ ž ÿ and the accented letters à–þ but ÷.
ASCII_UPPER = bytes(c - 32 if 0x61 <= c <= 0x7A else c for c in range(256))
UPPER_1252 = bytes({0x9A: 0x8A, 0x9C: 0x8C, 0x9E: 0x8E, 0xFF: 0x9F}.get(c, c - 32 if 0xE0 <= c <= 0xFE and c != 0xF7
                                                                   else ASCII_UPPER[c]) for c in range(256))


def split_terms(expr):
    terms, depth, cur = [], 0, ""
    for ch in expr:
        depth += (ch == "(") - (ch == ")")
        if ch == "+" and depth == 0:
            terms.append(cur.strip())
            cur = ""
        else:
            cur += ch
    return terms + [cur.strip()]


class Evaluator:
    """A key expression over the table's fields: its terms and how to build each (§6)."""

    def __init__(self, expr, fields, codepage, names, keylen):
        self.codepage, self.keylen = codepage, keylen
        self.by_name = {f.name.upper(): f for f in fields}
        for f, name in zip(fields, names or []):
            self.by_name.setdefault(name.upper(), f)
        self.terms = [self.term(t) for t in split_terms(expr)]
        self.character = all(kind != "value" for kind, _, _ in self.terms)
        if len(self.terms) > 1 and not self.character:
            raise ValueError("'+' of non-character terms")
        self.nullable = any(f.nullable for _, f, _ in self.terms)

    def field(self, name):
        f = self.by_name.get(name.strip().upper())
        if f is None:
            raise ValueError("unknown field " + name)
        return f

    def term(self, text):
        up = text.upper().replace(" ", "")
        if "(" not in up:
            f = self.field(up)
            return ("char" if f.type in "CVQ" else "value"), f, None
        fn, args = up[:up.index("(")], up[up.index("(") + 1:-1].split(",")
        if fn == "ALLTRIM" and len(split_terms(args[0])) == 1:
            # The trimmed text padded with blanks to the key's length (VFP fixes the length when the tag is made).
            kind, f, arg = self.term(",".join(args))
            if kind not in ("char", "UPPER"):
                raise ValueError("cannot evaluate " + text)
            return "ALLTRIM", f, kind
        if fn in ("UPPER", "DTOS", "BINTOC") and len(args) == 1:
            return fn, self.field(args[0]), None
        if fn == "TTOC" and args[1:] == ["1"]:
            return fn, self.field(args[0]), None
        if fn == "STR" and 1 <= len(args) <= 3:
            return fn, self.field(args[0]), (int(args[1]) if len(args) > 1 else 10, int(args[2]) if len(args) > 2 else 0)
        raise ValueError("cannot evaluate " + text)

    def key(self, raws, nulls, shorts):
        if self.nullable and any(f.nullable and f.name in nulls for _, f, _ in self.terms):
            return None  # the caller makes the all-zero NULL key
        return b"".join(self.term_key(kind, f, arg, raws[f.name], f.name in shorts) for kind, f, arg in self.terms)

    def term_key(self, kind, f, arg, raw, short):
        if short and raw:  # a short V or Q value keeps its length in its last byte
            raw = raw[:raw[-1]]
        if kind == "char":
            return raw.ljust(f.length, b"\0" if f.type == "Q" else b" ")
        if kind == "UPPER":
            return raw.translate(UPPER_1252 if self.codepage == 1252 else ASCII_UPPER).ljust(f.length, b" ")
        if kind == "ALLTRIM":
            inner = self.term_key(arg, f, None, raw, False)
            return inner.strip(b" ").ljust(self.keylen - (1 if self.nullable else 0), b" ")
        if kind == "STR":
            return vfp_str(decimal_text(f, raw), *arg)
        if kind == "DTOS" and f.type == "T":
            day = datetime_parts(raw)[0]
            return date_text(day) if day else b" " * 8
        if kind == "DTOS":
            d = parse_date(raw)
            return ("%04d%02d%02d" % d).encode() if d else b" " * 8
        if kind == "TTOC":
            day, ms = datetime_parts(raw)
            if day == 0:
                return b" " * 14
            secs = (ms + 500) // 1000
            if secs >= 86400:
                day, secs = day + 1, secs - 86400
            return date_text(day) + ("%02d%02d%02d" % (secs // 3600, secs // 60 % 60, secs % 60)).encode()
        if kind == "BINTOC" or f.type == "I":
            return struct.pack(">I", (struct.unpack("<i", raw)[0] + 0x80000000) & 0xFFFFFFFF)
        # a field alone, not character (§6.2–6.5)
        if f.type == "L":
            return b"T" if raw in (b"T", b"t", b"Y", b"y") else b"F"
        if f.type == "D":
            d = parse_date(raw)
            return flip_double(float(julian(*d)) if d else 0.0)
        if f.type == "T":
            day, ms = datetime_parts(raw)
            return flip_double(0.0 if day == 0 else day + round(ms / 1000) / 86400.0)
        try:
            return flip_double(float(decimal_text(f, raw)))
        except ValueError:  # an N or F field holding no number
            return flip_double(0.0)


def date_text(day):
    # Julian day number back to the civil date.
    a = day + 32044
    b = (4 * a + 3) // 146097
    c = a - 146097 * b // 4
    d = (4 * c + 3) // 1461
    e = c - 1461 * d // 4
    m = (5 * e + 2) // 153
    return ("%04d%02d%02d" % (100 * b + d - 4800 + m // 10, m + 3 - 12 * (m // 10), e - (153 * m + 2) // 5 + 1)).encode()


class Field:
    """A field with its bits in _NullFlags: a V or Q field's "short" bit, then the NULL bit."""

    def __init__(self, f, bit):
        self.name, self.type, self.length = f.name, f.type, f.length
        self.nullable = bool(f.reserved1 & 0x02)
        self.short_bit = bit if self.type in "VQ" else None
        bit += self.short_bit is not None
        self.null_bit = bit if self.nullable else None
        self.next_bit = bit + self.nullable


CODEPAGES = {0x01: 437, 0x02: 850, 0x03: 1252, 0x64: 852, 0x65: 866, 0x78: 950, 0x79: 949, 0x7A: 936, 0x7B: 932,
             0xC8: 1250, 0xC9: 1251, 0x00: 1252}


def records(path):
    """The fields; for every record (number, deleted, {field: raw bytes}, NULL field names, names of
    the V and Q fields holding a short value); the code page."""
    class Parser(dbfread.field_parser.FieldParser):
        # dbfread opens only tables whose every type it knows; the values are read raw anyway.
        parseQ = parseV = parseW = lambda self, field, data: bytes(data)

    table = dbfread.DBF(path, raw=True, load=False, ignore_missing_memofile=True, parserclass=Parser)
    fields = []
    for f in (f for f in table.fields if f.type != "0"):  # not _NullFlags
        fields.append(Field(f, fields[-1].next_bit if fields else 0))
    with open(path, "rb") as fh:
        head = fh.read(32)
        count, hlen, rlen = le(head, 4, 4), le(head, 8, 2), le(head, 10, 2)
        fh.seek(hlen)
        flags = [fh.read(rlen)[:1] for _ in range(count)]
    live, dead = iter(table.records), iter(table.deleted)
    out = []
    for n, flag in enumerate(flags, 1):
        deleted = flag == b"*"
        row = next(dead if deleted else live)
        bits = int.from_bytes(row.get("_NullFlags", b"") or b"", "little")
        nulls = {f.name for f in fields if f.null_bit is not None and bits >> f.null_bit & 1}
        shorts = {f.name for f in fields if f.short_bit is not None and bits >> f.short_bit & 1}
        raws = {f.name: (row[f.name] if isinstance(row[f.name], bytes) else b"") for f in fields}
        out.append((n, deleted, raws, nulls, shorts))
    return fields, out, CODEPAGES.get(head[29], 1252)


def check(dbf, cdx):
    data = open(cdx, "rb").read()
    fields, recs, codepage = records(dbf)
    names = long_names(dbf)
    # The file and its directory (§1, §3, §5): whole pages, no free list, the directory's option bits.
    problems = Problems()
    if len(data) % PAGE or len(data) < 3 * PAGE:
        problems.add("file length %d is not whole pages" % len(data))
    header_problems(data, 0, 0xE0, problems)
    tags = walk_tag(data, header(data, 0), 0x20, problems)
    if [name for name, _ in tags] != sorted(name for name, _ in tags):
        problems.add("tag names out of order")
    results, failed = (["(directory) " + "; ".join(problems)], True) if problems else ([], False)
    for name, offset in tags:
        info = header(data, offset)
        keylen, options = info["keylen"], info["options"]
        problems, evaluator, note = Problems(), None, None
        header_problems(data, offset, 0x60, problems)
        try:
            evaluator = Evaluator(info["key"], fields, codepage, names, keylen)
        except ValueError as e:
            note = "keys not computed (%s)" % e
        if evaluator:
            entries = walk_tag(data, info, 0x20 if evaluator.character else 0x00, problems)
        else:  # not known from the expression: the pad that decodes a consistent tree
            tries = [(walk_tag(data, info, pad, p), p) for p, pad in ((Problems(), 0x20), (Problems(), 0x00))]
            entries, found = min(tries, key=lambda t: len(t[1]))
            problems.extend(found)
        disorder = next((i for i in range(1, len(entries)) if entries[i - 1] >= entries[i]), None)
        if disorder:
            problems.add("keys out of order at %d" % disorder)
        for_expr = info["for"].upper().replace(" ", "")
        if for_expr in ("", ".NOT.DELETED()", "!DELETED()", "NOTDELETED()"):
            wanted = [r for r in recs if not (for_expr and r[1])]
        else:
            wanted, note = None, "FOR %s not evaluated" % info["for"]
        unique, candidate = options & 0x01, options & 0x04
        keys = [k for k, _ in entries]
        if (candidate or unique) and len(set(keys)) != len(keys):
            problems.add("duplicate keys in a %s tag" % ("candidate" if candidate else "UNIQUE"))
        got = sorted(rec for _, rec in entries)
        if wanted is not None and not unique and got != [r[0] for r in wanted]:
            problems.add("records indexed %d, expected %d (each once)" % (len(got), len(wanted)))
        if wanted is not None and evaluator and info["collation"] == "":
            nullable = bool(options & 0x02)
            if nullable != evaluator.nullable:
                problems.add("NULL-key bit %s, expression over nullable fields %s" % (nullable, evaluator.nullable))
            expected = []
            for n, deleted, raws, nulls, shorts in wanted:
                k = evaluator.key(raws, nulls, shorts)
                expected.append((b"\0" * keylen if k is None else (b"\x80" + k if nullable else k), n))
            expected.sort()
            if unique:  # the first record of each key
                expected = [e for i, e in enumerate(expected) if i == 0 or e[0] != expected[i - 1][0]]
            if any(len(k) != keylen for k, _ in expected):
                problems.add("key length %d, the expression gives %d" % (keylen, len(expected[0][0])))
            elif sorted(entries) != expected:
                bad = next(((e, x) for e, x in zip(sorted(entries), expected) if e != x), None)
                problems.add("keys differ from the values' keys, first: %r" % (bad,))
        if note is None and info["collation"]:
            note = "collation " + info["collation"]
        results.append("%s %s%s" % (name.decode("latin-1").rstrip(), "; ".join(problems) if problems else "ok",
                                    " (%s)" % note if note else ""))
        failed = failed or bool(problems)
    return results, failed


def beside(path, name):
    """The file of that name in the folder of `path`, found without regard to case, or None."""
    folder = os.path.dirname(os.path.abspath(path))
    return next((os.path.join(folder, n) for n in os.listdir(folder) if n.lower() == name.lower()), None)


def long_names(dbf):
    """A container's long field names of the table, by position (its Field records), or None."""
    with open(dbf, "rb") as fh:
        head = fh.read(32)
        fh.seek(le(head, 8, 2) - 263)
        link = fh.read(263).split(b"\0")[0].decode("latin-1").replace("\\", "/")
    dbc = link and beside(dbf, os.path.basename(link))
    if not dbc:
        return None
    # dbfread does not read the binary PROPERTY memo that holds the path: the table record is
    # the one named as the file is (true of the fixtures and of the tables Tavrel writes).
    catalogue = list(dbfread.DBF(dbc, encoding="latin-1", ignore_missing_memofile=True))
    stem = os.path.splitext(os.path.basename(dbf))[0].lower()
    table = next((r for r in catalogue if r["OBJECTTYPE"].strip() == "Table" and r["OBJECTNAME"].strip().lower() == stem
                  and not r.get("_deleted")), None)
    return [r["OBJECTNAME"].strip() for r in catalogue
            if r["PARENTID"] == table["OBJECTID"] and r["OBJECTTYPE"].strip() == "Field"] if table else None


def main():
    dbf = sys.argv[1]
    cdx = sys.argv[2] if len(sys.argv) > 2 else beside(dbf, os.path.splitext(os.path.basename(dbf))[0] + ".cdx")
    if cdx is None:
        raise SystemExit("no structural index beside " + dbf)
    results, failed = check(dbf, cdx)
    for line in results:
        print(line)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
