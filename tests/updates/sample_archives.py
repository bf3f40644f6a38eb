"""Writes the stand-in server's sample archives, as it serves them, into a folder:
v<version>/book_<id>.zip for every book and v<version>/glossaries.zip, for every data
set version, and faults/<kind>.zip: the first book with the stand-in's archive faults
that the book reader itself reports. Usage: sample_archives.py SOURCE_ROOT OUT_DIR"""
import os
import sys

sys.path.insert(0, os.path.join(sys.argv[1], "tools"))

from standin import archives  # noqa: E402
from standin.library import SampleDataset  # noqa: E402

ORIGIN = "http://127.0.0.1:1"
READER_FAULTS = ("empty-section", "broken-index")


def main():
    sample = os.path.join(sys.argv[1], "tools", "sample")
    out = sys.argv[2]
    for version in SampleDataset(sample).versions():
        dataset = SampleDataset(sample, version)
        folder = os.path.join(out, "v%s" % version)
        os.makedirs(folder, exist_ok=True)
        for book_id in dataset.book_ids():
            with open(os.path.join(folder, "book_%d.zip" % book_id), "wb") as f:
                f.write(archives.book_archive(dataset.book_source(book_id), ORIGIN))
        with open(os.path.join(folder, "glossaries.zip"), "wb") as f:
            f.write(archives.glossaries_archive(dataset.glossaries))
    dataset = SampleDataset(sample)
    book = archives.book_archive(dataset.book_source(dataset.book_ids()[0]), ORIGIN)
    os.makedirs(os.path.join(out, "faults"), exist_ok=True)
    for kind in READER_FAULTS:
        with open(os.path.join(out, "faults", "%s.zip" % kind), "wb") as f:
            f.write(archives.faulty_book_archive(book, kind))
    return 0


if __name__ == "__main__":
    sys.exit(main())
