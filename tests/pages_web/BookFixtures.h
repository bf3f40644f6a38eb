#pragma once
// Sections of the sample library's "Dīpa-saṁhitā" as the reader page shows
// them: the verse in Devanagari and IAST, word-by-word, translation and
// commentary, with English labels.

#include "tests/pages_web/WebPage.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace tarnolix::test {

struct VerseText
{
    const char* devanagari;
    const char* iast;
    const char* wordByWord;
    const char* translation;
    const char* commentary;
};

inline const VerseText& sampleVerse(int number)
{
    static const VerseText verses[] = {
        {"हृदये दीपः ज्वलति ।<br>नित्यं शान्तः प्रकाशते ॥1॥", "hṛdaye dīpaḥ jvalati |<br>nityaṁ śāntaḥ prakāśate ||1||",
         "<i>hṛdaye</i> — in the heart; <i>dīpaḥ</i> — a lamp; <i>jvalati</i> — burns; <i>nityam</i> — always; "
         "<i>śāntaḥ</i> — calm; <i>prakāśate</i> — shines",
         "A lamp burns in the heart; calm, it always shines.",
         "The sage begins with an image known to everyone: a small flame in a dark room.<p>The lamp need not be "
         "brought from outside &mdash; it already burns; it only has to be noticed."},
        {"वायुना न चलति ।<br>यः ध्याने स्थितः ॥2॥", "vāyunā na calati |<br>yaḥ dhyāne sthitaḥ ||2||",
         "<i>vāyunā</i> — by the wind; <i>na</i> — not; <i>calati</i> — wavers; <i>yaḥ</i> — who; "
         "<i>dhyāne</i> — in contemplation; <i>sthitaḥ</i> — is settled",
         "He who is settled in contemplation does not waver in the wind.",
         "The wind here is restless desire. A flame sheltered from it stands straight, and its light reaches "
         "the corners of the room.<p>The ṛṣis compared the mind to such a flame; in the verse the marks of "
         "ḥ, ṃ, ṭ and ā show how it is to be sounded."},
        {"तैलं श्रद्धा वर्तिः मनः ।<br>ज्योतिः ज्ञानम् इति स्मृतम् ॥3॥",
         "tailaṁ śraddhā vartiḥ manaḥ |<br>jyotiḥ jñānam iti smṛtam ||3||",
         "<i>tailam</i> — oil; <i>śraddhā</i> — faith; <i>vartiḥ</i> — wick; <i>manaḥ</i> — the mind; "
         "<i>jyotiḥ</i> — light; <i>jñānam</i> — knowledge; <i>iti</i> — thus; <i>smṛtam</i> — handed down",
         "Faith is the oil, the mind the wick, and the light is knowledge: so it is handed down.",
         "Each part of the lamp asks for care: oil is rest &amp; simple food, the wick is the body, kept "
         "straight but not stiff, and the corner without draught is an hour nobody may take from you."}};
    return verses[(number - 1) % 3];
}

// A verse section (code "v<number>"); `repeat` lengthens the commentary.
inline QString verseSection(int number, int index, int repeat = 1, const QStringList& favoriteButtons = {},
                            const QString& commentary = {})
{
    const VerseText& verse = sampleVerse(number);
    QString comment = commentary.isEmpty() ? QString::fromUtf8(verse.commentary) : commentary;
    for (int i = 1; i < repeat; ++i)
        comment += QStringLiteral("<p>") + QString::fromUtf8(verse.commentary);
    return sectionHtml(QStringLiteral("v%1").arg(number), index, QStringLiteral("Verse 1.%1").arg(number),
                       {{QStringLiteral("paragraph--type-sanskrit"), {}, QString::fromUtf8(verse.devanagari)},
                        {QStringLiteral("paragraph--type-diacritic"), {}, QString::fromUtf8(verse.iast)},
                        {QStringLiteral("paragraph--type-word-by-word"), QStringLiteral("Word-by-word translation:"),
                         QString::fromUtf8(verse.wordByWord)},
                        {QStringLiteral("paragraph--type-literary"), QStringLiteral("Translation:"),
                         QString::fromUtf8(verse.translation)},
                        {QStringLiteral("paragraph--type-comment"), QStringLiteral("Commentary:"), comment}},
                       favoriteButtons, index == 0 ? QStringLiteral("The Lamp Collection") : QString());
}

// A fresh book page URL each time, so every test loads its own document.
inline QUrl nextBookUrl()
{
    static int tab = 100;
    return QUrl(QStringLiteral("tarnolix://openbook.en/Book-101/Section-v1?tabId=%1").arg(++tab));
}

inline bool openBookPage(const QByteArray& colorClass = "light", double zoom = 1.0)
{
    WebPage& page = WebPage::instance();
    if (!page.open(nextBookUrl(), bookPageShell(colorClass, zoom)))
        return false;
    page.run(QStringLiteral("showPage()"));
    return true;
}

inline QVariant appendSection(const QString& html, bool placeButtons = false)
{
    return WebPage::instance().run(QStringLiteral("appendSection(%1, %2)")
                                       .arg(jsString(html), placeButtons ? QStringLiteral("true") : QStringLiteral("false")));
}

inline QVariant prependSection(const QString& html)
{
    return WebPage::instance().run(QStringLiteral("prependSection(%1)").arg(jsString(html)));
}

} // namespace tarnolix::test
