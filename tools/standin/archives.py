"""Book and glossary archives built from the library's source records.

A book source is a dict: the base fields ("id", "slug", "name", "cover", "is_article",
"authors", "commentators", "categories", "archi_book_id", "related_books",
"other_publications") and "editions", a map from language code to the edition's
properties plus its "sections" tree. A section has "slug", "name", "title", an optional
"number" [section, chapter, verse] and "other", "paragraphs" and child "sections".
A paragraph is [kind, text] or [kind, {attributes}, text]; the kind "verse" stands for a
Devanagari paragraph and its IAST twin, and "sanskrit"/"quote-sanskrit" texts are
written in IAST and delivered in Devanagari.
"""
import hashlib
import io
import re
import zipfile
from xml.sax.saxutils import escape, quoteattr

from .translit import to_devanagari

GLOSSARIES = "/storage/desktop-dictionaries-update/glossaries.zip"
GLOSSARY_TREE = "tarnolix/glossary_tree.xml"
ZIP_TIME = (2024, 1, 1, 0, 0, 0)
XML_HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n'

_EDITION_INTS = ("parent_translator_id", "translator_id", "editor_id", "publisher_id",
                 "publishing_year", "pages_count", "book_copies")


def _el(name, value):
    if isinstance(value, bool):
        value = "true" if value else "false"
    return "<%s>%s</%s>" % (name, escape(str(value)), name)


def _list(name, item, values):
    return "<%s>%s</%s>" % (name, "".join(_el(item, v) for v in values), name)


def image_url(origin, folder, name):
    return "%s/images/%s/%s" % (origin, folder, name) if name else ""


def base_xml(src, origin):
    parts = [
        _el("id", src["id"]), _el("slug", src.get("slug", "")), _el("name", src.get("name", "")),
        _el("cover", image_url(origin, "covers", src.get("cover", ""))),
        _el("is_article", bool(src.get("is_article", False))),
        _list("authors", "id", src.get("authors", [])),
        _list("commentators", "id", src.get("commentators", [])),
        _list("categories", "id", src.get("categories", [])),
        _list("languages", "language", list(src["editions"].keys())),
        _list("related_books", "id", src.get("related_books", [])),
        _list("other_publications", "id", src.get("other_publications", [])),
        _el("archi_book_id", src.get("archi_book_id", 0)),
    ]
    return (XML_HEAD + "<data>" + "".join(parts) + "</data>\n").encode("utf-8")


def expand_paragraph(paragraph):
    """One source paragraph as (kind, attributes, text) entities."""
    kind = paragraph[0]
    attrs = paragraph[1] if len(paragraph) == 3 else {}
    text = paragraph[-1]
    if kind == "verse":
        lines = text.split("\n")
        return [("sanskrit", attrs, "<br>".join(to_devanagari(l) for l in lines)),
                ("diacritic", attrs, "<br>".join(lines))]
    if kind in ("sanskrit", "quote-sanskrit"):
        text = to_devanagari(text)
    return [(kind, attrs, text)]


def flatten_sections(book_id, sections):
    """Sections in reading order with code, parent code, nested-set bounds, depth and
    index (the ordinal from 1); codes are unique across books of one language."""
    flat = []
    counter = [0]

    def walk(items, parent_code, depth):
        for sec in items:
            counter[0] += 1
            row = {"src": sec, "code": "%d.%d" % (book_id, len(flat) + 1),
                   "parent_code": parent_code, "depth": depth, "left": counter[0]}
            row["index"] = len(flat) + 1
            flat.append(row)
            walk(sec.get("sections", []), row["code"], depth + 1)
            counter[0] += 1
            row["right"] = counter[0]

    walk(sections, "", 1)
    return flat


def edition_xml(src, lang, origin):
    ed = src["editions"][lang]
    props = [_el("language", lang), _el("name", ed.get("name", "")),
             _el("short_name", ed.get("short_name", "")),
             _el("cover", image_url(origin, "covers", ed.get("cover", ""))),
             _el("annotation", ed.get("annotation", ""))]
    props += [_el(k, ed[k]) for k in _EDITION_INTS if k in ed]
    if "ISBN" in ed:
        props.append(_el("ISBN", ed["ISBN"]))
    sections, parts = [], []
    for row in flatten_sections(src["id"], ed.get("sections", [])):
        sec = row["src"]
        number = sec.get("number", [0, 0, 0])
        sections.append("<section>" + "".join([
            _el("code", row["code"]), _el("parent_code", row["parent_code"]),
            _el("left", row["left"]), _el("right", row["right"]), _el("depth", row["depth"]),
            _el("index", row["index"]), _el("slug", sec.get("slug", "")),
            _el("name", sec.get("name", "")),
            _el("number_code_section", number[0]), _el("number_code_chapter", number[1]),
            _el("number_code_poem", number[2]),
            _el("number_other_poems", sec.get("other", 0)),
            _el("title", sec.get("title", ""))]) + "</section>")
        entities = []
        for paragraph in sec.get("paragraphs", []):
            for kind, attrs, text in expand_paragraph(paragraph):
                attr_text = "".join(" %s=%s" % (k, quoteattr(v)) for k, v in sorted(attrs.items()))
                entities.append("<%s%s>%s</%s>" % (kind, attr_text, escape(text), kind))
        parts.append("<part>" + _el("section-code", row["code"]) + _el("title", sec.get("title", ""))
                     + "".join(entities) + "</part>")
    body = ("<data><properties>" + "".join(props) + "</properties><content><sections>"
            + "".join(sections) + "</sections><parts>" + "".join(parts) + "</parts></content></data>\n")
    return (XML_HEAD + body).encode("utf-8")


def make_zip(entries):
    """A deterministic zip of (name, bytes) pairs."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as zf:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            zf.writestr(info, data)
    return buf.getvalue()


def book_entries(src, origin):
    entries = [("base.xml", base_xml(src, origin))]
    for lang in src["editions"]:
        entries.append(("book_%s.xml" % lang, edition_xml(src, lang, origin)))
    return entries


def book_archive(src, origin):
    return make_zip(book_entries(src, origin))


def _glossary_category_xml(cat):
    glossaries = "".join(
        "<glossary>" + _el("id", g["id"]) + _el("name", g["name"])
        + (_el("short_name", g["short_name"]) if g.get("short_name") else "") + "</glossary>"
        for g in cat.get("glossaries", []))
    children = "".join(_glossary_category_xml(c) for c in cat.get("categories", []))
    return ("<category>" + _el("id", cat["id"]) + _el("name", cat["name"])
            + "<categories>" + children + "</categories>"
            + "<glossaries>" + glossaries + "</glossaries></category>")


def glossary_word_xml(word):
    where = "".join(
        "<category>" + _el("category_id", cat) + _list("glossaries", "glossary", glossaries) + "</category>"
        for cat, glossaries in word["where"].items())
    return (XML_HEAD + "<data>" + _el("id", word["id"]) + _list("words", "word", word["words"])
            + "<where>" + where + "</where></data>\n").encode("utf-8")


def glossaries_archive(glossaries):
    tree = (XML_HEAD + "<data><categories>"
            + "".join(_glossary_category_xml(c) for c in glossaries["categories"])
            + "</categories></data>\n").encode("utf-8")
    entries = [(GLOSSARY_TREE, tree)]
    for word in glossaries["words"]:
        entries.append(("tarnolix/words/%s.xml" % word["id"], glossary_word_xml(word)))
    for word in glossaries["words"]:
        for place, article in word.get("articles", {}).items():
            entries.append(("tarnolix/glossary/%s/%s.html" % (place, word["id"]), article.encode("utf-8")))
    return make_zip(entries)


def md5_hex(data):
    return hashlib.md5(data).hexdigest()


# Archive faults ----------------------------------------------------------------------

def read_zip(data):
    archive = zipfile.ZipFile(io.BytesIO(data))
    return [(info.filename, archive.read(info)) for info in archive.infolist()]


def _first_edition(entries, change):
    """The entries with the first edition entry's bytes passed through change."""
    index = next(i for i, (name, _) in enumerate(entries) if name.startswith("book_"))
    name, data = entries[index]
    return entries[:index] + [(name, change(data))] + entries[index + 1:]


def _shift_id(data):
    # The book id is the first element of base.xml; list items come after it.
    return re.sub(rb"<id>(\d+)</id>", lambda m: b"<id>%d</id>" % (int(m.group(1)) + 1000), data, count=1)


def _skip_an_index(data):
    """Section indexes 1, 2, 4, 5, ...: every index from the third on (from the last
    when there are fewer sections) one too high."""
    first = min(3, len(re.findall(rb"<index>\d+</index>", data)))

    def bump(m):
        value = int(m.group(1))
        return b"<index>%d</index>" % (value + 1 if value >= first else value)
    return re.sub(rb"<index>(\d+)</index>", bump, data)


BOOK_FAULTS = {
    "no-base": lambda entries: [(n, d) for n, d in entries if n != "base.xml"],
    "wrong-id": lambda entries: [(n, _shift_id(d) if n == "base.xml" else d) for n, d in entries],
    "unknown-language": lambda entries: entries + [
        ("book_xx.xml", next(d for n, d in entries if n.startswith("book_")))],
    "unknown-entry": lambda entries: entries + [("notes.txt", b"Not part of the book.\n")],
    "empty-section": lambda entries: _first_edition(
        entries, lambda d: d.replace(b"</section>", b"</section><section></section>", 1)),
    "broken-index": lambda entries: _first_edition(entries, _skip_an_index),
}


def faulty_book_archive(data, kind):
    """A book archive with one fault of BOOK_FAULTS."""
    return make_zip(BOOK_FAULTS[kind](read_zip(data)))


def without_glossary_tree(data):
    return make_zip([(n, d) for n, d in read_zip(data) if n != GLOSSARY_TREE])
