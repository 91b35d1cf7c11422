#!/usr/bin/python3
"""Which lines of the code outside tests/ each test reaches, to see what a test adds before it is
merged or removed.

  scripts/coverage-map.py build [REGEX]   runs each ctest test of build-coverage/ (scripts/coverage.sh
                                          builds it) alone, with the servers of scripts/testdb.sh
                                          exported, and writes build-coverage/coverage-map.json
                                          (only tests matching REGEX, when given, updating
                                          the others' entries); it deletes the .gcda files
  scripts/coverage-map.py lost REGEX...   the lines no test would reach without the tests matching
                                          any REGEX (Python re.search on the ctest names)
  scripts/coverage-map.py unique          per test: the lines only it reaches, and all it reaches

A test whose work runs as another user or in a killed child writes no coverage data: it shows
0 lines, which says nothing about its worth.
"""
import glob
import json
import os
import re
import subprocess
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, 'build-coverage')
MAP = os.path.join(BUILD, 'coverage-map.json')
NOT_MEASURED = ('tests/', 'build', 'bench/', 'fuzz/')


def reached_lines():
    """The lines of the measured code that the .gcda files now in BUILD record as run."""
    gcdas = glob.glob(BUILD + '/**/*.gcda', recursive=True)
    if not gcdas:
        return set()
    out = subprocess.run(['gcov', '--json-format', '--stdout'] + gcdas, cwd=BUILD, capture_output=True,
                         text=True).stdout
    lines = set()
    for report in out.splitlines():
        for f in json.loads(report)['files']:
            path = os.path.relpath(os.path.normpath(os.path.join(BUILD, f['file'])), ROOT)
            if path.startswith('..') or path.startswith(NOT_MEASURED):
                continue
            lines.update(f"{path}:{line['line_number']}" for line in f['lines'] if line['count'] > 0)
    return lines


def build(pattern):
    listing = subprocess.run(['ctest', '--test-dir', BUILD, '-N'], capture_output=True, text=True).stdout
    tests = [t for t in re.findall(r'Test +#\d+: (\S+)', listing) if re.search(pattern, t)]
    result = {}
    if pattern and os.path.exists(MAP):  # a run over some tests updates the map of the others
        with open(MAP) as f:
            result = json.load(f)
    # A test skipped for want of a server or a display would pass with almost nothing reached.
    env = dict(os.environ, TAVREL_REQUIRE_MYSQL='1', QT_QPA_PLATFORM='offscreen')
    for n, test in enumerate(tests, 1):
        for gcda in glob.glob(BUILD + '/**/*.gcda', recursive=True):
            os.remove(gcda)
        run = subprocess.run(['ctest', '--test-dir', BUILD, '-R', '^' + re.escape(test) + '$'], capture_output=True,
                             env=env)
        result[test] = {'passed': run.returncode == 0, 'lines': sorted(reached_lines())}
        print(f"{n}/{len(tests)} {test}: {len(result[test]['lines'])} lines"
              + ('' if result[test]['passed'] else ' (FAILED)'), flush=True)
    with open(MAP, 'w') as out:
        json.dump(result, out)


def owners():
    with open(MAP) as f:
        tests = json.load(f)
    by_line = defaultdict(set)
    for test, entry in tests.items():
        for line in entry['lines']:
            by_line[line].add(test)
    return tests, by_line


def lost(patterns):
    tests, by_line = owners()
    gone = {t for t in tests if any(re.search(p, t) for p in patterns)}
    print(f"without {len(gone)} of the {len(tests)} tests mapped: {', '.join(sorted(gone))}")
    unreached = defaultdict(list)
    for line, reached_by in by_line.items():
        if reached_by <= gone:
            path, number = line.rsplit(':', 1)
            unreached[path].append(int(number))
    for path in sorted(unreached):
        print(f"{path}: {','.join(map(str, sorted(unreached[path])))}")
    print(f"lines no other test reaches: {sum(map(len, unreached.values()))}")


def unique():
    tests, by_line = owners()
    only = defaultdict(int)
    for reached_by in by_line.values():
        if len(reached_by) == 1:
            only[next(iter(reached_by))] += 1
    for test, entry in tests.items():
        print(f"{only[test]:5d} {len(entry['lines']):6d} {test}")


if __name__ == '__main__':
    verb, args = (sys.argv[1], sys.argv[2:]) if len(sys.argv) > 1 else ('', [])
    if verb == 'build' and len(args) <= 1:
        build(args[0] if args else '')
    elif verb == 'lost' and args:
        lost(args)
    elif verb == 'unique' and not args:
        unique()
    else:
        sys.exit(__doc__)
