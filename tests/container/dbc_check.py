"""Independent views of a database container for the container tests (Debian's python3).

  manifest REL              the catalogue facts MANIFEST.json records for the container REL
  catalogue DBC             python-dbf's reading of the .dbc as a table (its .dct as memo file)

Output is one fact per line, fields separated by TAB.
"""
import json
import os
import shutil
import sys
import tempfile

FIXTURES = os.environ.get("TAVREL_FIXTURES_DIR", "")


def show_manifest(rel):
    with open(os.path.join(FIXTURES, "MANIFEST.json"), encoding="utf-8") as f:
        tables = json.load(f)["tables"]
    cat = tables[rel]["dbc_catalog"]
    print("live\t%d" % cat["live_rows"])
    print("deleted\t%d" % cat["deleted_rows"])
    for t in cat["tables"]:
        records = tables[os.path.dirname(rel) + "/" + t["path"]]["dbfread"]["records"]
        print("table\t%s\t%d" % (t["name"], records))
    for v in cat["views"]:
        print("view\t%s" % v["name"])


def show_catalogue(dbc):
    import dbf
    folder = tempfile.mkdtemp()
    try:
        base = os.path.splitext(dbc)[0]
        memo = next(p for p in (base + ".dct", base + ".DCT") if os.path.exists(p))
        shutil.copy(dbc, os.path.join(folder, "c.dbf"))
        shutil.copy(memo, os.path.join(folder, "c.fpt"))
        table = dbf.Table(os.path.join(folder, "c.dbf"))
        table.open()
        for record in table:
            kind = "deleted" if dbf.is_deleted(record) else "live"
            print("%s\t%d\t%d\t%s\t%s" % (kind, record.objectid, record.parentid, record.objecttype.strip(),
                                          record.objectname.strip()))
        table.close()
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    command, argument = sys.argv[1], sys.argv[2]
    {"manifest": show_manifest, "catalogue": show_catalogue}[command](argument)
