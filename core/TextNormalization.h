#pragma once
// Search keys: texts compared without regard to case, accents and marks.
// The transliteration is ICU's; this fixes which rules run for which
// language and what happens around them. Every function may be called from
// any thread: each thread keeps its own transliterators.

#include "core/TarnolixConstants.h"

#include <QChar>
#include <QString>

#include <unicode/translit.h>
#include <unicode/unistr.h>

// Builds the process-wide folding of private-use and accented letters of the
// books' Russian text to plain Cyrillic. Runs once; later calls do nothing,
// and the functions below build it themselves when nobody has yet.
void initCharFoldingTable();

// The calling thread's transliterator: "ru_RU; NFD; [:Nonspacing Mark:] Remove; NFC"
// for Russian, "NFD; [:Nonspacing Mark:] Remove; NFC" for English and Sanskrit.
icu::Transliterator& transliteratorForLanguage(TarnolixConstants::Language language);

// Russian text folded through the table; other languages unchanged.
icu::UnicodeString toIcuString(TarnolixConstants::Language language, const QString& text);
icu::UnicodeString transliterateToIcu(TarnolixConstants::Language language, const QString& text);
QString transliterateText(TarnolixConstants::Language language, const QString& text);
// For the analyzers' token filters: Lucene's wide characters (UTF-32 here),
// converted to UTF-16 and then folded and transliterated as above.
icu::UnicodeString transliterateWString(TarnolixConstants::Language language, const wchar_t* buffer, int length);
QString icuToQString(const icu::UnicodeString& text);

// The search key: transliterated, lower case, separators collapsed to one
// blank, no blank at either end.
QString removeDiacritics(TarnolixConstants::Language language, const QString& text);

// Russian for the first Cyrillic letter, English for the first Latin letter
// or when there is neither.
TarnolixConstants::Language detectTextLanguage(const QString& text);
// Russian, English, or InvalidLanguage for anything but a letter of those.
TarnolixConstants::Language charLanguage(QChar ch);
