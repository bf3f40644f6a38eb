"""A large generated library for benchmarks: Russian and English words drawn with a Zipf
distribution from Debian's hunspell-ru and wamerican lists, IAST verses, and the same
source records as the sample, so that one server serves both. Deterministic per seed."""
import bisect
import itertools
import json
import os
import random
import re

from .library import nested_categories

RU_WORDS = "/usr/share/hunspell/ru_RU.dic"
EN_WORDS = "/usr/share/dict/american-english"
SAMPLE_LIBRARY = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                              "sample", "library.json")
_CONSONANTS = ["k", "kh", "g", "gh", "c", "j", "ṭ", "ḍ", "ṇ", "t", "th", "d", "dh", "n", "p",
               "bh", "m", "y", "r", "l", "v", "ś", "ṣ", "s", "h"]
_VOWELS = ["a", "a", "a", "ā", "i", "ī", "u", "ū", "e", "o", "ai", "ṛ"]
_ENDINGS = ["", "", "ḥ", "m", "ṁ"]
FIRST_BOOK_ID = 1001


def parse_plan(text):
    plan = {"books": 500, "sections": 100, "seed": 1}
    for item in filter(None, text.split(",")):
        key, _, value = item.partition("=")
        if key not in plan or not value.isdigit():
            raise ValueError("synthetic plan items are books=N, sections=N and seed=N")
        plan[key] = int(value)
    if plan["books"] < 1 or plan["sections"] < 1:
        raise ValueError("a synthetic library needs at least one book and one section")
    return plan


class ZipfWords:
    def __init__(self, words, rng, exponent=1.07):
        self.words = list(words)
        rng.shuffle(self.words)
        self.cumulative = list(itertools.accumulate(1.0 / (r ** exponent) for r in range(1, len(self.words) + 1)))

    def pick(self, rng):
        return self.words[bisect.bisect_left(self.cumulative, rng.random() * self.cumulative[-1])]

    def phrase(self, rng, count):
        return " ".join(self.pick(rng) for _ in range(count))

    def sentence(self, rng, low, high):
        text = self.phrase(rng, rng.randint(low, high))
        return text[:1].upper() + text[1:] + "."


def _read_words(path, pattern):
    if not os.path.isfile(path):
        raise RuntimeError("word list %s is missing (install hunspell-ru and wamerican)" % path)
    keep = re.compile(pattern)
    words = set()
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            word = line.split("/", 1)[0].strip()
            if keep.fullmatch(word):
                words.add(word)
    return sorted(words)


_WORD_CACHE = {}


def word_lists(seed):
    if seed not in _WORD_CACHE:
        rng = random.Random("words:%d" % seed)
        _WORD_CACHE[seed] = {"ru": ZipfWords(_read_words(RU_WORDS, r"[а-яё]{2,}"), rng),
                             "en": ZipfWords(_read_words(EN_WORDS, r"[a-z]{2,}"), rng)}
    return _WORD_CACHE[seed]


def sanskrit_word(rng):
    syllables = rng.randint(2, 4)
    return "".join(rng.choice(_CONSONANTS) + rng.choice(_VOWELS) for _ in range(syllables)) + rng.choice(_ENDINGS)


class SyntheticDataset:
    def __init__(self, books=500, sections=100, seed=1):
        self.books, self.sections, self.seed = books, sections, seed
        self.version = "synthetic"
        self.words = word_lists(seed)
        rng = random.Random("catalogue:%d" % seed)
        with open(SAMPLE_LIBRARY, encoding="utf-8") as f:
            sample = json.load(f)
        self.accounts = sample["accounts"]
        # Every second book for the smaller level.
        self.levels = {"full": None, "basic": self.book_ids()[::2]}
        self.update = sample.get("update", {})
        self.categories = nested_categories(self._category_tree(rng))
        self.leaf_categories = [c["id"] for c in self.categories if c["depth"] == 2]
        self.persons = [self._person(rng, i) for i in range(1, 41)]
        self.publishers = [{"id": i, "name": self._names(rng, 2)} for i in range(1, 6)]
        self.archi_books = [{"id": i, "name": self._names(rng, 2)} for i in range(1, books // 10 + 2)]
        self.glossaries = self._glossaries(rng)

    def versions(self):
        return [self.version]

    def _names(self, rng, count):
        ru, en = self.words["ru"].phrase(rng, count), self.words["en"].phrase(rng, count)
        return {"ru": ru[:1].upper() + ru[1:], "en": en[:1].upper() + en[1:]}

    def _category_tree(self, rng):
        return [{"id": top, "name": self._names(rng, 1),
                 "children": [{"id": top * 10 + i, "name": self._names(rng, 2)} for i in range(1, 5)]}
                for top in range(1, 4)]

    def _person(self, rng, pid):
        roles = ["author"] if pid <= 25 else ["translator"] if pid <= 35 else ["author", "commentator"]
        name = self._names(rng, 2)
        ext = "jpg" if pid % 2 else "png"
        return {"id": pid, "slug": "person-%d" % pid, "photo": "/images/persons/person-%d.%s" % (pid, ext),
                "birthday_day": rng.randint(1, 28), "birthday_month": rng.randint(1, 12),
                "birthday_year": rng.randint(1900, 1990), "name": name, "last_name": {},
                "middle_name": {}, "spiritual_name": name,
                "description": {"ru": self.words["ru"].sentence(rng, 8, 20),
                                "en": self.words["en"].sentence(rng, 8, 20)},
                "roles": roles}

    def _glossaries(self, rng):
        categories = [{"id": "cat%d" % c, "name": self._names(rng, 1)["ru"],
                       "glossaries": [{"id": "g%d%d" % (c, g), "name": self._names(rng, 2)["ru"]}
                                      for g in range(1, 4)]} for c in range(1, 3)]
        places = [(c["id"], g["id"]) for c in categories for g in c["glossaries"]]
        words = []
        for w in range(1, 201):
            chosen = rng.sample(places, rng.randint(1, 2))
            where = {}
            for cat, gloss in chosen:
                where.setdefault(cat, []).append(gloss)
            term = sanskrit_word(rng)
            words.append({"id": "w%d" % w, "words": [term, self.words["ru"].pick(rng)], "where": where,
                          "articles": {"%s/%s" % p: "<p><b>%s</b> — %s</p>" % (term, self.words["ru"].sentence(rng, 10, 40))
                                       for p in chosen}})
        return {"categories": categories, "words": words}

    # Books --------------------------------------------------------------------------

    def book_ids(self):
        return list(range(FIRST_BOOK_ID, FIRST_BOOK_ID + self.books))

    def book_digest(self, book_id):
        return "synthetic:%d:%d:%d" % (self.seed, self.sections, book_id)

    def book_name(self, book_id):
        return self._names(random.Random("name:%d:%d" % (self.seed, book_id)), 3)["en"]

    def _languages(self, book_id):
        if book_id % 9 == 0:
            return ["ru"]
        if book_id % 13 == 0:
            return ["en"]
        return ["ru", "en"]

    def book_source(self, book_id):
        if not FIRST_BOOK_ID <= book_id < FIRST_BOOK_ID + self.books:
            return None
        rng = random.Random("book:%d:%d" % (self.seed, book_id))
        n = book_id - FIRST_BOOK_ID
        verses = self._verses(rng)
        src = {"id": book_id, "slug": "book-%d" % book_id, "name": self.book_name(book_id),
               "cover": "book-%d.%s" % (book_id, "jpg" if n % 2 else "png"), "is_article": n % 25 == 24,
               "authors": [1 + n % 25], "commentators": [36 + n % 5],
               "categories": [self.leaf_categories[n % len(self.leaf_categories)]],
               "archi_book_id": 1 + n // 10 if n % 10 < 2 else 0,
               "related_books": [], "other_publications": [], "editions": {}}
        for lang in self._languages(book_id):
            src["editions"][lang] = self._edition(rng, lang, book_id, verses)
        return src

    def _verses(self, rng):
        verses = []
        for v in range(self.sections):
            words = [sanskrit_word(rng) for _ in range(8)]
            verses.append((words, "%s |\n%s ||%d||" % (" ".join(words[:4]), " ".join(words[4:]), v + 1)))
        return verses

    def _edition(self, rng, lang, book_id, verses):
        words = self.words[lang]
        chapter_word, verse_word = ("glava", "stikh") if lang == "ru" else ("chapter", "verse")
        sections, chapter = [], None
        for number in range(1, self.sections + 1):
            if chapter is None or len(chapter["sections"]) == 9:
                ch = len(sections) + 1
                chapter = {"slug": "%s-%d" % (chapter_word, ch), "name": str(ch),
                           "title": words.sentence(rng, 2, 5), "sections": [],
                           "paragraphs": [["text", words.sentence(rng, 10, 30)]]}
                sections.append(chapter)
                continue
            ch, v = len(sections), len(chapter["sections"]) + 1
            iast_words, verse = verses[number - 1]
            comment = "<p>".join(words.sentence(rng, 20, 60) for _ in range(rng.randint(1, 3)))
            chapter["sections"].append({
                "slug": "%s-%d.%s-%d" % (chapter_word, ch, verse_word, v), "name": "%d.%d" % (ch, v),
                "number": [0, ch, v], "title": "%d.%d" % (ch, v),
                "paragraphs": [
                    ["verse", verse],
                    ["word-by-word", "; ".join("%s — %s" % (w, words.phrase(rng, rng.randint(1, 3)))
                                               for w in iast_words)],
                    ["literary", words.sentence(rng, 10, 25)],
                    ["comment", comment]]})
        return {"name": self.book_name(book_id) if lang == "en" else self._names(rng, 3)["ru"],
                "short_name": "", "annotation": "<p>%s</p>" % words.sentence(rng, 15, 40),
                "cover": "book-%d-%s.png" % (book_id, lang), "publisher_id": 1 + book_id % 5,
                "publishing_year": 1990 + book_id % 30, "pages_count": 10 * self.sections,
                "sections": sections}


def write_dataset(dataset, folder):
    """Write the generated library as a source folder that --dataset serves."""
    os.makedirs(os.path.join(folder, "books"), exist_ok=True)

    def tree(cats, parent):
        return [{"id": c["id"], "name": c["name"], "children": tree(cats, c["id"])}
                for c in cats if c["parent_id"] == parent]

    meta = {"accounts": dataset.accounts, "levels": dataset.levels, "categories": tree(dataset.categories, 0),
            "persons": dataset.persons, "publishers": dataset.publishers,
            "archi_books": dataset.archi_books, "update": dataset.update}
    for name, value in (("library.json", meta), ("glossaries.json", dataset.glossaries)):
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            json.dump(value, f, ensure_ascii=False)
    for book_id in dataset.book_ids():
        with open(os.path.join(folder, "books", "%d.json" % book_id), "w", encoding="utf-8") as f:
            json.dump(dataset.book_source(book_id), f, ensure_ascii=False)


def main(argv=None):
    import argparse
    p = argparse.ArgumentParser(prog="gen-library", description=(
        "Write a generated library as source files; serve it with standin-server --dataset."))
    p.add_argument("--out", required=True, help="folder to write")
    p.add_argument("--plan", default="books=500,sections=100,seed=1", help="books=N,sections=N,seed=N")
    args = p.parse_args(argv)
    write_dataset(SyntheticDataset(**parse_plan(args.plan)), args.out)
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
