"""Reads a table with dbfread (Debian's python3-dbfread), every field of every record, and
prints the rate: the yardstick for the provider's SELECT * figure.

usage: /usr/bin/python3 bench/dbfread_rate.py TABLE.dbf [MAX_RECORDS]
"""
import sys
import time

import dbfread

path = sys.argv[1]
limit = int(sys.argv[2]) if len(sys.argv) > 2 else None
start = time.perf_counter()
rows = 0
for record in dbfread.DBF(path, load=False, char_decode_errors="strict"):
    for value in record.values():
        pass
    rows += 1
    if limit is not None and rows >= limit:
        break
seconds = time.perf_counter() - start
print(f"{rows} {seconds:.3f} {rows / seconds:.0f}")
