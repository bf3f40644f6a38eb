"""Book archives, the glossaries archive and its checksum, data set versions and the
synthetic library, all fetched over HTTP."""
import hashlib
import html
import io
import re
import unittest
import zipfile
import xml.etree.ElementTree as ET

from support import PUPIL, Server, ServerTest


def unzip(data):
    archive = zipfile.ZipFile(io.BytesIO(data))
    return {name: archive.read(name) for name in archive.namelist()}


def download(server, token, book_id):
    status, _, data = server.request("GET", "/books/download/%d" % book_id, token=token)
    assert status == 200, (book_id, status)
    return unzip(data)


def check_edition(test, root, lang):
    """Sections form a nested-set tree numbered 1..n in reading order; every part
    names a section. Returns the sections as (code, slug) in order."""
    test.assertEqual(root.tag, "data")
    test.assertEqual(root.findtext("properties/language"), lang)
    sections = root.findall("content/sections/section")
    test.assertTrue(sections)
    test.assertEqual([int(s.findtext("index")) for s in sections], list(range(1, len(sections) + 1)))
    by_code = {s.findtext("code"): s for s in sections}
    test.assertEqual(len(by_code), len(sections))
    for s in sections:
        left, right = int(s.findtext("left")), int(s.findtext("right"))
        test.assertLess(left, right)
        parent = by_code.get(s.findtext("parent_code"))
        if parent is not None:
            test.assertTrue(int(parent.findtext("left")) < left and right < int(parent.findtext("right")))
            test.assertEqual(int(s.findtext("depth")), int(parent.findtext("depth")) + 1)
    for part in root.findall("content/parts/part"):
        test.assertIn(part.findtext("section-code"), by_code)
    return [(s.findtext("code"), s.findtext("slug")) for s in sections]


class LibraryTest(ServerTest):
    def test_book_archives_unzip_to_valid_xml_with_the_right_ids(self):
        books = [b["id"] for b in self.get("/books/books?time=0")[1]["data"]]
        codes = {}
        slugs = {p["slug"] for p in self.get("/base/persons")[1]["data"]}
        for book_id in books:
            with self.subTest(book=book_id):
                entries = download(self.server, self.token, book_id)
                base = ET.fromstring(entries.pop("base.xml"))
                self.assertEqual(int(base.findtext("id")), book_id)
                langs = [l.text for l in base.find("languages")]
                self.assertEqual(sorted(entries), sorted("book_%s.xml" % l for l in langs))
                for lang in langs:
                    root = ET.fromstring(entries["book_%s.xml" % lang])
                    for code, _ in check_edition(self, root, lang):
                        self.assertNotIn(code, codes.setdefault(lang, set()), "codes are unique per language")
                        codes[lang].add(code)
                    for comment in root.iter("comment-plus"):
                        self.assertIn(comment.get("author-id"), slugs)
        self.assertEqual(self.server.request("GET", "/books/download/999", token=self.token)[0], 404)
        self.assertEqual(self.server.request("GET", "/books/download/101")[0], 401)

    def test_verses_come_in_devanagari_and_iast_with_three_gloss_styles(self):
        root = ET.fromstring(download(self.server, self.token, 101)["book_ru.xml"])
        self.assertRegex(root.find(".//sanskrit").text, "[\u0900-\u097f]")
        self.assertRegex(root.find(".//diacritic").text, "[āīūṛṁḥśṣṇṭḍ]")
        styles = set()
        for book_id in (101, 102, 103):
            root = ET.fromstring(download(self.server, self.token, book_id)["book_en.xml"])
            for gloss in root.iter("word-by-word"):
                text = gloss.text
                styles.add("parenthesised" if text.startswith("(") else
                           "dashed list" if " — " in text and ";" in text else "single")
        self.assertEqual(styles, {"parenthesised", "dashed list", "single"})

    def test_long_texts_with_paragraph_marks_and_character_references(self):
        """Texts the book reader must cut into chunks at "<p>" and decode: the XML holds
        the references as text, so they survive the XML reader."""
        for book_id, lang, dash in ((104, "ru", "—"), (105, "en", "—")):
            with self.subTest(book=book_id):
                root = ET.fromstring(download(self.server, self.token, book_id)["book_%s.xml" % lang])
                texts = [t.text for t in root.iter("text") if len(t.text) > 1000]
                self.assertEqual(len(texts), 1)
                text = texts[0]
                self.assertGreaterEqual(text.count("<p>"), 3)
                self.assertGreater(max(len(p) for p in text.split("<p>")), 300)
                for reference in ("&mdash;", "&nbsp;", "&#8212;", "&#x2014;"):
                    self.assertIn(reference, text)
                decoded = html.unescape(text)
                self.assertNotRegex(decoded, r"&#?\w+;")
                self.assertIn(dash, decoded)

    def test_english_glossary(self):
        status, _, archive = self.server.request("GET", "/storage/desktop-dictionaries-update/glossaries.zip")
        entries = unzip(archive)
        tree = ET.fromstring(entries["tarnolix/glossary_tree.xml"])
        english = [c for c in tree.findall("categories/category") if c.findtext("id") == "english"]
        self.assertEqual(len(english), 1)
        self.assertEqual([(g.findtext("id"), g.findtext("name")) for g in english[0].findall("glossaries/glossary")],
                         [("lamp-terms", "Terms of the Lamp")])
        articles = {n.rsplit("/", 1)[1]: d.decode("utf-8") for n, d in entries.items()
                    if n.startswith("tarnolix/glossary/english/lamp-terms/")}
        self.assertEqual(sorted(articles), ["dhyana.html", "dipa.html", "taila.html", "varti.html"])
        for name, article in articles.items():
            self.assertRegex(article, r"^<p><b>\w+</b> &mdash; [a-z]", name)
        word = ET.fromstring(entries["tarnolix/words/varti.xml"])
        self.assertEqual([w.text for w in word.findall("words/word")], ["varti", "wick"])

    def test_glossaries_checksum_matches_archive(self):
        status, _, archive = self.server.request("GET", "/storage/desktop-dictionaries-update/glossaries.zip")
        self.assertEqual(status, 200)
        status, _, md5 = self.server.request("GET", "/storage/desktop-dictionaries-update/glossaries.zip.md5")
        self.assertEqual(status, 200)
        self.assertRegex(md5.decode("ascii"), r"^[0-9a-f]{32}$")
        self.assertEqual(md5.decode("ascii"), hashlib.md5(archive).hexdigest())
        entries = unzip(archive)
        tree = ET.fromstring(entries.pop("tarnolix/glossary_tree.xml"))
        places = {(c.findtext("id"), g.findtext("id")) for c in tree.iter("category") for g in c.findall("glossaries/glossary")}
        self.assertGreaterEqual(len(tree.findall("categories/category")), 2)
        words = set()
        for name, data in entries.items():
            parts = name.split("/")
            if parts[1] == "words":
                word = ET.fromstring(data)
                words.add(word.findtext("id"))
                for cat in word.findall("where/category"):
                    for gloss in cat.findall("glossaries/glossary"):
                        self.assertIn((cat.findtext("category_id"), gloss.text), places)
            else:
                self.assertEqual((len(parts), parts[1]), (5, "glossary"))
                self.assertIn((parts[2], parts[3]), places)
                self.assertIn(parts[4].rsplit(".", 1)[0], words)


class VersionTest(unittest.TestCase):
    def test_second_version_changes_removes_and_reorders(self):
        server = Server().start()
        try:
            token = server.login()[1].getheader("api-token")
            before = download(server, token, 101)["book_ru.xml"]
            switched = server.control("POST", "dataset", {"version": "2"})
            status, obj = server.api("GET", "/books/books?time=%d" % switched["activated_at"], token=token)
            self.assertEqual([b["id"] for b in obj["data"]], [101, 103])
            status, obj = server.api("GET", "/books/books?time=0", token=token)
            self.assertNotIn(106, [b["id"] for b in obj["data"]])
            self.assertEqual(server.request("GET", "/books/download/106", token=token)[0], 404)
            after = download(server, token, 101)["book_ru.xml"]
            order = lambda xml: [slug for _, slug in check_edition(self, ET.fromstring(xml), "ru") if slug.startswith("glava-2.")]
            self.assertEqual(order(before), ["glava-2.stikh-1", "glava-2.stikh-2", "glava-2.stikh-3-4"])
            self.assertEqual(order(after), ["glava-2.stikh-3-4", "glava-2.stikh-1", "glava-2.stikh-2"])
            words = {name for name in unzip(server.request("GET", "/storage/desktop-dictionaries-update/glossaries.zip")[2])
                     if name.startswith("tarnolix/words/")}
            self.assertIn("tarnolix/words/prakasha.xml", words, "version 2 adds a glossary word")
            revised = ET.fromstring(download(server, token, 103)["book_ru.xml"])
            self.assertEqual(len(revised.findall("content/sections/section")), 4)
            self.assertEqual(server.api("POST", "/_control/dataset", {"version": "9"})[0], 400)
        finally:
            self.assertEqual(server.stop(), 0)
            server.cleanup()


class SyntheticTest(unittest.TestCase):
    def test_generated_library_is_served_and_deterministic(self):
        archives = []
        for _ in range(2):
            server = Server("--synthetic", "books=4,sections=12,seed=3").start()
            try:
                token = server.login()[1].getheader("api-token")
                ids = [b["id"] for b in server.api("GET", "/books/books?time=0", token=token)[1]["data"]]
                self.assertEqual(len(ids), 4)
                pupil = server.token(*PUPIL)
                self.assertEqual([b["id"] for b in server.api("GET", "/books/books?time=0", token=pupil)[1]["data"]],
                                 ids[::2], "the smaller level has every second book")
                status, _, data = server.request("GET", "/books/download/%d" % ids[1], token=token)
                origin = server.info["http"].encode("ascii")
                archives.append({n: x.replace(origin, b"ORIGIN") for n, x in unzip(data).items()})
                for name, xml in unzip(data).items():
                    if name.startswith("book_"):
                        root = ET.fromstring(xml)
                        self.assertEqual(len(check_edition(self, root, name[5:7])), 12)
                        self.assertRegex(root.find(".//diacritic").text, r"\|\|\d+\|\|$")
                persons = server.api("GET", "/base/persons", token=token)[1]["data"]
                self.assertEqual(server.request("GET", persons[0]["photo"])[0], 200)
            finally:
                self.assertEqual(server.stop(), 0)
                server.cleanup()
        self.assertEqual(archives[0], archives[1], "the same seed gives the same books")


if __name__ == "__main__":
    unittest.main()
