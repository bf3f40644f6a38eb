"""IAST to Devanagari, enough for the verses of the sample and synthetic libraries."""
import unicodedata

_VOWELS = {
    "a": ("अ", ""), "ā": ("आ", "ा"), "i": ("इ", "ि"), "ī": ("ई", "ी"), "u": ("उ", "ु"),
    "ū": ("ऊ", "ू"), "ṛ": ("ऋ", "ृ"), "ṝ": ("ॠ", "ॄ"), "ḷ": ("ऌ", "ॢ"), "e": ("ए", "े"),
    "ai": ("ऐ", "ै"), "o": ("ओ", "ो"), "au": ("औ", "ौ"),
}
_CONSONANTS = {
    "k": "क", "kh": "ख", "g": "ग", "gh": "घ", "ṅ": "ङ", "c": "च", "ch": "छ", "j": "ज",
    "jh": "झ", "ñ": "ञ", "ṭ": "ट", "ṭh": "ठ", "ḍ": "ड", "ḍh": "ढ", "ṇ": "ण", "t": "त",
    "th": "थ", "d": "द", "dh": "ध", "n": "न", "p": "प", "ph": "फ", "b": "ब", "bh": "भ",
    "m": "म", "y": "य", "r": "र", "l": "ल", "v": "व", "ś": "श", "ṣ": "ष", "s": "स", "h": "ह",
}
_MARKS = {"ṁ": "ं", "ṃ": "ं", "ḥ": "ः", "'": "ऽ", "||": "॥", "|": "।"}
_VIRAMA = "्"


def to_devanagari(text):
    text = unicodedata.normalize("NFC", text.lower())
    out = []
    after_consonant = False
    i = 0
    while i < len(text):
        two, one = text[i:i + 2], text[i]
        if two in _CONSONANTS or (two not in _VOWELS and one in _CONSONANTS):
            key = two if two in _CONSONANTS else one
            if after_consonant:
                out.append(_VIRAMA)
            out.append(_CONSONANTS[key])
            after_consonant = True
            i += len(key)
            continue
        if two in _VOWELS or one in _VOWELS:
            key = two if two in _VOWELS else one
            out.append(_VOWELS[key][1] if after_consonant else _VOWELS[key][0])
            after_consonant = False
            i += len(key)
            continue
        if after_consonant:
            out.append(_VIRAMA)
            after_consonant = False
        key = two if two in _MARKS else one
        out.append(_MARKS.get(key, key))
        i += len(key)
    if after_consonant:
        out.append(_VIRAMA)
    return "".join(out)
