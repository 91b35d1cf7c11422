"""Independent views of a database container for the container tests (Debian's python3).

  manifest REL              the catalogue facts MANIFEST.json records for the container REL
  first TABLE_REL           the first record of a member table as MANIFEST.json records it
  catalogue DBC             python-dbf's reading of the .dbc as a table (its .dct as memo file)

Output is one fact per line, fields separated by TAB.
"""
import datetime
import json
import os
import shutil
import sys
import tempfile

FIXTURES = os.environ.get("TAVREL_FIXTURES_DIR", "")


def manifest():
    with open(os.path.join(FIXTURES, "MANIFEST.json"), encoding="utf-8") as f:
        return json.load(f)


def text(value):
    return plain(value).replace("\r", "\\r").replace("\n", "\\n")


def plain(value):
    if value is None:
        return "NULL"
    if isinstance(value, dict) and "hex" in value:
        return "hex:" + value["hex"]
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, str) and len(value) >= 19 and value[10] == "T" and value[4] == "-":
        # A date-time, with the milliseconds the field stores as a fraction when there are any.
        moment = datetime.datetime.fromisoformat(value)
        fraction = (".%03d" % (moment.microsecond // 1000)).rstrip("0") if moment.microsecond >= 1000 else ""
        return moment.strftime("%Y-%m-%d %H:%M:%S") + fraction
    return str(value).rstrip()


def show_manifest(rel):
    entry = manifest()["tables"][rel]
    cat = entry["dbc_catalog"]
    print("live\t%d" % cat["live_rows"])
    print("deleted\t%d" % cat["deleted_rows"])
    for t in cat["tables"]:
        print("table\t%s\t%s\t%s" % (t["name"], t["path"], ",".join(t["long_field_names"])))
    for v in cat["views"]:
        print("view\t%s" % v["name"])


def show_first(rel):
    entry = manifest()["tables"][rel]
    reader = entry["dbfread"]
    print("records\t%d" % (reader["records"]))
    first = reader.get("first_record")
    if not first:
        return
    # dbfread ignores _NullFlags; the manifest names the fields that flag marks NULL.
    # An empty memo comes back from dbfread as None; it is an empty value, not NULL.
    nulls = set(first.get("vfp_nullflags", {}).get("null_fields", []))
    memos = {f["name"] for f in reader["fields"] if f["type"] in "MGW"}
    for name, value in first["values"]:
        if name == "_NullFlags":
            continue
        if name in nulls:
            shown = "NULL"
        elif value is None and name in memos:
            shown = ""
        else:
            shown = text(value)
        print("value\t%s\t%s" % (name, shown))


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
    {"manifest": show_manifest, "first": show_first, "catalogue": show_catalogue}[command](argument)
