"""foxsql --json over every Visual FoxPro free table among the fixtures, compared with what the
fixtures' MANIFEST.json records: the number of live rows, the field names and the ADO type codes.
(The values of every fixture table are compared with the manifest by the engine's tests, and
through the provider with dbfread's by the fixture copy test; their JSON forms by FoxsqlTest.)

usage: /usr/bin/python3 foxsql_fixtures.py BUILD/foxsql FIXTURES_DIR
"""
import json
import os
import subprocess
import sys

foxsql, fixtures = sys.argv[1], sys.argv[2]

# ADO type codes by field type; C, V and M flagged binary (0x04) carry bytes.
CODES = {'C': 129, 'V': 200, 'M': 201, 'N': 131, 'F': 131, 'I': 3, 'B': 5, 'Y': 6, 'D': 133, 'T': 135,
         'L': 11, 'G': 205, 'W': 205, 'Q': 204}
BINARY_CODES = {'C': 128, 'V': 204, 'M': 205}

manifest = json.load(open(os.path.join(fixtures, 'MANIFEST.json')))
problems = []
checked = 0
for key, t in sorted(manifest['tables'].items()):
    d = t.get('dbfread', {})
    if not key.lower().endswith('.dbf') or t['version_byte'] not in ('0x30', '0x31', '0x32') or d.get('status') != 'ok':
        continue
    folder, name = os.path.split(os.path.join(fixtures, key))
    out = subprocess.run([foxsql, '--json', folder, 'SELECT * FROM [%s]' % os.path.splitext(name)[0]],
                         capture_output=True, text=True)
    if out.returncode != 0:
        problems.append('%s: %s' % (key, out.stderr.strip()))
        continue
    lines = out.stdout.split('\n')[:-1]  # not splitlines(): values may hold U+2028 and the like
    fields = json.loads(lines[0])['fields']
    rows = [json.loads(line) for line in lines[1:]]  # every row is valid JSON
    if len(rows) != d['records']:
        problems.append('%s: %d rows, dbfread %d' % (key, len(rows), d['records']))
    described = [f for f in t['fields'] if f['name'] != '_NullFlags']
    if len(fields) != len(described):
        problems.append('%s: %d fields, manifest %d' % (key, len(fields), len(described)))
    for f, field in zip(described, fields):
        ty = f['type']
        code = BINARY_CODES[ty] if int(f['flags'], 16) & 0x04 and ty in BINARY_CODES else CODES[ty]
        if field['name'] != f['name'].lower() or field['type'] != code:
            problems.append('%s: field %s %s reported as %s %s' % (key, f['name'], ty, field['name'], field['type']))
    checked += 1
for p in problems:
    print(p)
print('%d tables checked, %d problems' % (checked, len(problems)))
sys.exit(1 if problems or checked < 30 else 0)
