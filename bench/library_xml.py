"""Turns the book sources that tools/gen-library wrote into the XML documents of their
book archives, as the stand-in server would send them: <out>/<id>/base.xml and
<out>/<id>/book_<lang>.xml. Usage: library_xml.py SOURCE_DIR OUT_DIR"""
import json
import os
import sys

from standin.archives import book_entries

ORIGIN = "http://127.0.0.1"


def main(source, out):
    books = os.path.join(source, "books")
    for name in sorted(os.listdir(books)):
        if not name.endswith(".json"):
            continue
        with open(os.path.join(books, name), encoding="utf-8") as f:
            src = json.load(f)
        folder = os.path.join(out, str(src["id"]))
        os.makedirs(folder, exist_ok=True)
        for entry, data in book_entries(src, ORIGIN):
            with open(os.path.join(folder, entry), "wb") as f:
                f.write(data)
    return 0


if __name__ == "__main__":
    raise SystemExit(main(sys.argv[1], sys.argv[2]))
