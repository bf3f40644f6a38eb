#pragma once
// Small book archives built in the test: a base record, editions with
// sections (code, slug) and word-by-word paragraphs, zipped in memory.

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <utility>
#include <vector>

namespace tarnolix::test {

using ZipEntries = std::vector<std::pair<QString, QByteArray>>;

// `stored`: entries are not compressed, so that a test can alter their bytes.
inline QByteArray zipOf(const ZipEntries& entries, bool stored = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    {
        QuaZip zip(&buffer);
        zip.open(QuaZip::mdCreate);
        for (const auto& [name, data] : entries) {
            QuaZipFile file(&zip);
            if (stored)
                file.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, 0, 0);
            else
                file.open(QIODevice::WriteOnly, QuaZipNewInfo(name));
            file.write(data);
            file.close();
        }
        zip.close();
    }
    return buffer.data();
}

inline QByteArray baseXml(int id, const QStringList& languages = {QStringLiteral("ru")})
{
    QString list;
    for (const QString& language : languages)
        list += QStringLiteral("<language>%1</language>").arg(language);
    return QStringLiteral("<data><id>%1</id><slug>book-%1</slug><name>Book %1</name>"
                          "<categories><id>4</id></categories><languages>%2</languages></data>")
        .arg(id)
        .arg(list)
        .toUtf8();
}

// One section per slug, codes "<book>.1", "<book>.2", ... in order (codes
// are unique in the whole library); each section holds one word-by-word
// paragraph "w<n> — п<n>".
inline QByteArray editionXml(int bookId, const QStringList& slugs)
{
    QString sections;
    QString parts;
    for (int n = 1; n <= slugs.size(); ++n) {
        const QString code = QStringLiteral("%1.%2").arg(bookId).arg(n);
        sections += QStringLiteral("<section><code>%1</code><index>%2</index><slug>%3</slug><name>S%2</name></section>")
                        .arg(code)
                        .arg(n)
                        .arg(slugs[n - 1]);
        parts += QStringLiteral("<part><section-code>%1</section-code><word-by-word>w%2 — п%2</word-by-word></part>")
                     .arg(code)
                     .arg(n);
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<data><properties><name>Edition</name>"
                          "</properties><content><sections>%1</sections><parts>%2</parts></content></data>")
        .arg(sections, parts)
        .toUtf8();
}

inline QByteArray bookZip(int id, const QStringList& slugs = {QStringLiteral("one"), QStringLiteral("two")})
{
    return zipOf({{QStringLiteral("base.xml"), baseXml(id)}, {QStringLiteral("book_ru.xml"), editionXml(id, slugs)}});
}

} // namespace tarnolix::test
