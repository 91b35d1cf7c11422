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
    return {
        "root": le(data, at, 4), "keylen": le(data, at + 12, 2), "options": data[at + 14],
        "signature": data[at + 15], "collation": data[at + 494:at + 502].rstrip(b"\0").decode("latin-1"),
        "descending": le(data, at + 502, 2) == 1, "key": text(key_at, key_len), "for": text(for_at, for_len),
    }


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
            n = node if offset == first else node_at(offset)
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

    keys_of = {}
    for offset, node in leaves:
        keys_of[offset] = decode_leaf(node, keylen, pad, problems, "leaf %#x" % offset)
    # Interior entries: each names a child of the level below, in order, with its last key and record.
    for depth in range(len(levels) - 1):
        below = [offset for offset, _ in levels[depth + 1]]
        pointed = []
        for offset, node in levels[depth]:
            for i in range(le(node, 2, 2)):
                at = 12 + i * (keylen + 8)
                key, rec, child = node[at:at + keylen], be(node, at + keylen, 4), be(node, at + keylen + 4, 4)
                pointed.append(child)
                last = last_entry(child, levels, depth + 1, keys_of, keylen)
                if last is not None and last != (key, rec):
                    problems.add("interior %#x entry %d is not its child's last key" % (offset, i))
        if pointed != below:
            problems.add("level %d: interior entries do not point at the level below in order" % depth)
    return [entry for offset, _ in leaves for entry in keys_of[offset]]


def last_entry(child, levels, depth, keys_of, keylen):
    if child in keys_of:
        return keys_of[child][-1] if keys_of[child] else None
    for offset, node in levels[depth]:
        if offset == child:
            count = le(node, 2, 2)
            if count == 0:
                return None
            at = 12 + (count - 1) * (keylen + 8)
            return node[at:at + keylen], be(node, at + keylen, 4)
    return None


# Keys from values (§6) ------------------------------------------------------------------------

def flip_double(x):
    """§6.2: the big-endian IEEE double, sign bit flipped, all bits inverted when negative."""
    if x == 0:
        x = 0.0
    b = struct.pack(">d", x)
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


UPPER_1252 = {0x9A: 0x8A, 0x9C: 0x8C, 0x9E: 0x8E, 0xFF: 0x9F}


def upper(raw, codepage):
    out = bytearray(raw)
    for i, c in enumerate(out):
        if 0x61 <= c <= 0x7A:
            out[i] = c - 32
        elif codepage == 1252 and c in UPPER_1252:
            out[i] = UPPER_1252[c]
        elif codepage == 1252 and 0xE0 <= c <= 0xFE and c != 0xF7:
            out[i] = c - 32
    return bytes(out)


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

    def key(self, raws, nulls):
        if self.nullable and any(f.nullable and f.name in nulls for _, f, _ in self.terms):
            return None  # the caller makes the all-zero NULL key
        return b"".join(self.term_key(kind, f, arg, raws[f.name]) for kind, f, arg in self.terms)

    def term_key(self, kind, f, arg, raw):
        if kind == "char":
            if f.short:
                raw = raw[:raw[-1]] if raw else raw
            return raw.ljust(f.length, b"\0" if f.type == "Q" else b" ")
        if kind == "UPPER":
            return upper(raw if f.type == "C" or not f.short else raw[:raw[-1]], self.codepage).ljust(f.length, b" ")
        if kind == "ALLTRIM":
            inner = self.term_key(arg, f, None, raw)
            return inner.strip(b" ").ljust(self.keylen - (1 if self.nullable else 0), b" ")
        if kind == "STR":
            return vfp_str(decimal_text(f, raw), *arg)
        if kind == "DTOS":
            if f.type == "T":
                day, _ = datetime_parts(raw)
                if day == 0:
                    return b" " * 8
                return date_text(day)
            d = parse_date(raw)
            return b" " * 8 if d is None else ("%04d%02d%02d" % d).encode()
        if kind == "TTOC":
            day, ms = datetime_parts(raw)
            if day == 0:
                return b" " * 14
            secs = (ms + 500) // 1000
            if secs >= 86400:
                day, secs = day + 1, secs - 86400
            return date_text(day) + ("%02d%02d%02d" % (secs // 3600, secs // 60 % 60, secs % 60)).encode()
        if kind == "BINTOC":
            return struct.pack(">I", (struct.unpack("<i", raw)[0] + 0x80000000) & 0xFFFFFFFF)
        # a field alone, not character (§6.2–6.5)
        t = f.type
        if t == "I":
            return struct.pack(">I", (struct.unpack("<i", raw)[0] + 0x80000000) & 0xFFFFFFFF)
        if t == "L":
            return b"T" if raw in (b"T", b"t", b"Y", b"y") else b"F"
        if t == "D":
            d = parse_date(raw)
            return flip_double(float(julian(*d)) if d else 0.0)
        if t == "T":
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
    def __init__(self, f, bit):
        self.name, self.type, self.length = f.name, f.type, f.length
        self.nullable = bool(f.reserved1 & 0x02)
        self.short_bit = None
        if self.type in "VQ":
            self.short_bit, bit = bit, bit + 1
        self.null_bit = None
        if self.nullable:
            self.null_bit, bit = bit, bit + 1
        self.next_bit = bit
        self.short = False


CODEPAGES = {0x01: 437, 0x02: 850, 0x03: 1252, 0x64: 852, 0x65: 866, 0x78: 950, 0x79: 949, 0x7A: 936, 0x7B: 932,
             0xC8: 1250, 0xC9: 1251, 0x00: 1252}


def records(path):
    """(record number, deleted, {field: raw bytes}, set of NULL field names) for every record."""
    class Parser(dbfread.field_parser.FieldParser):
        # dbfread opens only tables whose every type it knows; the values are read raw anyway.
        parseQ = parseV = parseW = lambda self, field, data: bytes(data)

    table = dbfread.DBF(path, raw=True, load=False, ignore_missing_memofile=True, parserclass=Parser)
    fields, bit = [], 0
    for f in table.fields:
        if f.type == "0":
            continue
        field = Field(f, bit)
        bit = field.next_bit
        fields.append(field)
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
        nullflags = int.from_bytes(row.get("_NullFlags", b"") or b"", "little")
        nulls = {f.name for f in fields if f.null_bit is not None and nullflags >> f.null_bit & 1}
        for f in fields:
            f.short = f.short_bit is not None and bool(nullflags >> f.short_bit & 1)
        raws = {f.name: (row[f.name] if isinstance(row[f.name], bytes) else b"") for f in fields}
        # Short V/Q values keep their length in the last byte; work it out per record.
        shorts = {f.name for f in fields if f.short}
        out.append((n, deleted, raws, nulls, shorts))
    return fields, out, CODEPAGES.get(head[29], 1252)


def check(dbf, cdx):
    data = open(cdx, "rb").read()
    fields, recs, codepage = records(dbf)
    names = long_names(dbf)
    directory = header(data, 0)
    # The file and its directory (§1, §3, §5): whole pages, no free list, the directory's option bits.
    problems = Problems()
    if len(data) % PAGE or len(data) < 2 * PAGE + PAGE:
        problems.add("file length %d is not whole pages" % len(data))
    header_problems(data, 0, 0xE0, problems)
    tags = walk_tag(data, directory, 0x20, problems)
    if [name for name, _ in tags] != sorted(name for name, _ in tags):
        problems.add("tag names out of order")
    results, failed = ([], False) if not problems else (["(directory) " + "; ".join(problems)], True)
    for name, offset in tags:
        name = name.decode("latin-1").rstrip()
        info = header(data, offset)
        problems = Problems()
        header_problems(data, offset, 0x60, problems)
        character = True
        evaluator = None
        try:
            evaluator = Evaluator(info["key"], fields, codepage, names, info["keylen"])
            character = evaluator.character
        except ValueError as e:
            problems_note = "keys not computed (%s)" % e
        if evaluator:
            entries = walk_tag(data, info, 0x20 if character else 0x00, problems)
        else:
            # Not known from the expression: the pad that decodes a consistent tree.
            tries = [(Problems(), pad) for pad in (0x20, 0x00)]
            decoded = [(walk_tag(data, info, pad, p), p) for p, pad in tries]
            entries, found = min(decoded, key=lambda d: len(d[1]))
            problems.extend(found)
        keylen = info["keylen"]
        for i in range(1, len(entries)):
            if entries[i - 1] >= entries[i]:
                problems.add("keys out of order at %d" % i)
                break
        for_expr = info["for"].upper().replace(" ", "")
        if for_expr in ("", ".NOT.DELETED()", "!DELETED()", "NOTDELETED()"):
            wanted = [r for r in recs if not (for_expr and r[1])]
        else:
            wanted = None
            problems_note = "FOR %s not evaluated" % info["for"]
        got = sorted(rec for _, rec in entries)
        unique = info["options"] & 0x01
        candidate = info["options"] & 0x04
        if candidate or unique:
            keys = [k for k, _ in entries]
            if len(set(keys)) != len(keys):
                problems.add("duplicate keys in a %s tag" % ("candidate" if candidate else "UNIQUE"))
        if wanted is not None and not unique and got != [r[0] for r in wanted]:
            problems.add("records indexed %d, expected %d (each once)" % (len(got), len(wanted)))
        if wanted is not None and evaluator and info["collation"] == "":
            nullable = bool(info["options"] & 0x02)
            if nullable != evaluator.nullable:
                problems.add("NULL-key bit %s, expression over nullable fields %s" % (nullable, evaluator.nullable))
            expected = []
            for n, deleted, raws, nulls, shorts in wanted:
                for f in fields:
                    f.short = f.name in shorts
                k = evaluator.key(raws, nulls)
                k = b"\0" * keylen if k is None else (b"\x80" + k if nullable else k)
                expected.append((k, n))
            expected.sort()
            if unique:
                firsts = {}
                for k, n in expected:
                    firsts.setdefault(k, (k, n))
                expected = sorted(firsts.values())
            if any(len(k) != keylen for k, _ in expected):
                problems.add("key length %d, the expression gives %d" % (keylen, len(expected[0][0])))
            elif sorted(entries) != expected:
                bad = next(((e, x) for e, x in zip(sorted(entries), expected) if e != x), None)
                problems.add("keys differ from the values' keys, first: %r" % (bad,))
        line = "%s %s" % (name, "; ".join(problems) if problems else "ok")
        if evaluator is None or wanted is None or info["collation"]:
            line += " (" + (problems_note if evaluator is None or wanted is None else "collation " + info["collation"]) + ")"
        failed = failed or bool(problems)
        results.append(line)
    return results, failed


def beside(dbf, extension):
    """The file of the table's name with that extension, found without regard to case."""
    folder, stem = os.path.split(os.path.abspath(dbf))
    want = os.path.splitext(stem)[0].lower() + extension
    for name in os.listdir(folder):
        if name.lower() == want:
            return os.path.join(folder, name)
    return None


def long_names(dbf):
    """A container's long field names of the table, by position (its Field records), or None."""
    with open(dbf, "rb") as fh:
        head = fh.read(32)
        fh.seek(le(head, 8, 2) - 263)
        link = fh.read(263).split(b"\0")[0].decode("latin-1").replace("\\", "/")
    if not link:
        return None
    folder = os.path.dirname(os.path.abspath(dbf))
    dbc = next((os.path.join(folder, n) for n in os.listdir(folder) if n.lower() == os.path.basename(link).lower()),
               None)
    if dbc is None:
        return None
    # dbfread does not read the binary PROPERTY memo that holds the path: the table record is
    # the one named as the file is (true of the fixtures and of the tables Tavrel writes).
    catalogue = list(dbfread.DBF(dbc, encoding="latin-1", ignore_missing_memofile=True))
    stem = os.path.splitext(os.path.basename(dbf))[0].lower()
    table = next((r for r in catalogue if r["OBJECTTYPE"].strip() == "Table" and r["OBJECTNAME"].strip().lower() == stem
                  and not r.get("_deleted")), None)
    if table is None:
        return None
    return [r["OBJECTNAME"].strip() for r in catalogue
            if r["PARENTID"] == table["OBJECTID"] and r["OBJECTTYPE"].strip() == "Field"]


def main():
    dbf = sys.argv[1]
    cdx = sys.argv[2] if len(sys.argv) > 2 else beside(dbf, ".cdx")
    if cdx is None:
        raise SystemExit("no structural index beside " + dbf)
    results, failed = check(dbf, cdx)
    for line in results:
        print(line)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
