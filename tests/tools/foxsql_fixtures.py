"""foxsql --json over every Visual FoxPro free table among the fixtures, compared with what the
fixtures' MANIFEST.json records (read with dbfread, NULLs and Varchar lengths from the raw
records): the number of live rows, the field names and ADO type codes, and every value of the
first live record.

usage: /usr/bin/python3 foxsql_fixtures.py BUILD/foxsql FIXTURES_DIR
"""
import datetime
import decimal
import json
import os
import subprocess
import sys

foxsql, fixtures = sys.argv[1], sys.argv[2]


# ADO type codes by field type; C, V and M flagged binary (0x04) carry bytes.
CODES = {'C': 129, 'V': 200, 'M': 201, 'N': 131, 'F': 131, 'I': 3, 'B': 5, 'Y': 6, 'D': 133, 'T': 135,
         'L': 11, 'G': 205, 'W': 205, 'Q': 204}
BINARY_CODES = {'C': 128, 'V': 204, 'M': 205}


def text_bytes(text, codepage):
    """Text in the table's code page; a character the code page leaves undefined stands for the
    byte of the same number (that is how the engine reads such bytes)."""
    out = bytearray()
    for ch in text:
        try:
            out += ch.encode('cp%d' % codepage)
        except UnicodeEncodeError:
            out.append(ord(ch))
    return bytes(out)


manifest = json.load(open(os.path.join(fixtures, 'MANIFEST.json')))
problems = []
checked = 0
for key, t in sorted(manifest['tables'].items()):
    if not key.lower().endswith('.dbf') or t['version_byte'] not in ('0x30', '0x31', '0x32'):
        continue
    d = t.get('dbfread', {})
    if d.get('status') != 'ok':
        continue
    folder, name = os.path.split(os.path.join(fixtures, key))
    out = subprocess.run([foxsql, '--json', folder, 'SELECT * FROM [%s]' % os.path.splitext(name)[0]],
                         capture_output=True, text=True)
    if out.returncode != 0:
        problems.append('%s: %s' % (key, out.stderr.strip()))
        continue
    lines = out.stdout.split('\n')[:-1]  # not splitlines(): values may hold U+2028 and the like
    fields = json.loads(lines[0])['fields']
    rows = [json.loads(l) for l in lines[1:]]
    if len(rows) != d['records']:
        problems.append('%s: %d rows, dbfread %d' % (key, len(rows), d['records']))
    first = d.get('first_record')
    if not first or not rows:
        checked += 1
        continue
    nf = first.get('vfp_nullflags', {})
    nulls = set(nf.get('null_fields', []))
    varlen = nf.get('varlen_raw', {})
    described = {f['name']: f for f in t['fields']}
    values = [(n, v) for n, v in first['values'] if n != '_NullFlags']
    for (n, expected), field, got in zip(values, fields, rows[0]):
        ty = described[n]['type']
        binary = int(described[n]['flags'], 16) & 0x04 and ty in BINARY_CODES
        code = BINARY_CODES[ty] if binary else CODES[ty]
        if field['name'] != n.lower() or field['type'] != code:
            problems.append('%s: field %s %s reported as %s %s' % (key, n, ty, field['name'], field['type']))
        if n in nulls:
            ok = got is None
        elif ty in 'VQ':
            raw = varlen.get(n, {}).get('hex')
            if isinstance(got, dict):
                ok = got['hex'] == raw
            else:
                ok = got.encode('cp%d' % t['codepage']).hex() == raw
        elif ty == 'C':
            if isinstance(got, dict):  # binary C: the bytes, blanks kept
                got = bytes.fromhex(got['hex']).rstrip(b' \0').decode('cp%d' % t['codepage'])
            ok = got.rstrip(' \0') == expected
        elif ty in 'NF':
            ok = (expected is None and got == 0) or (got is not None and expected is not None and abs(got - expected) < 1e-9)
        elif ty in 'IB':
            ok = got == expected
        elif ty == 'Y':
            ok = decimal.Decimal(got) == decimal.Decimal(expected)
        elif ty == 'T':
            if expected is None:
                ok = got is None
            else:
                dt = datetime.datetime.fromisoformat(expected)
                if dt.microsecond >= 500000:
                    dt += datetime.timedelta(seconds=1)
                ok = got == dt.strftime('%Y-%m-%d %H:%M:%S')
        elif ty == 'L':
            ok = got == bool(expected)
        elif ty in 'MGW':
            if expected is None:
                ok = got in ('', {'hex': ''})
            elif isinstance(expected, dict) and ('hex' in expected or 'sha256' in expected):
                # Bytes; a plain M field holding binary data reads as text of the code page.
                raw = bytes.fromhex(got['hex']) if isinstance(got, dict) else text_bytes(got, t['codepage'])
                ok = raw.hex() == expected['hex'] if 'hex' in expected else raw.hex().startswith(expected['hex_head'])
            elif isinstance(expected, dict):
                ok = isinstance(got, str) and got.startswith(expected['text_head'])
            else:
                ok = got == expected
        else:
            ok = got == expected
        if not ok:
            problems.append('%s: %s (%s) foxsql %r manifest %r' % (key, n, ty, got, expected))
    checked += 1
for p in problems:
    print(p)
print('%d tables checked, %d problems' % (checked, len(problems)))
sys.exit(1 if problems or checked < 30 else 0)
