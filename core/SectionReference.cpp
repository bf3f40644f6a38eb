#include "core/SectionReference.h"

#include "core/BookRecords.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

// "2.13", "2.12-14", "2.12–14" (en dash).
const QRegularExpression& namePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)\\.(\\d+)(?:[-\\x{2013}](\\d+))?$"));
    return pattern;
}

// "glava-3.stikh-5-7", "chapter-2.verses-10-12", "3.5".
const QRegularExpression& verseSlugPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:(?:glava-|chapter-)?(\\d+)\\.)(?:stikh[ai]?|verses?|text)?-?(\\d+)(?:-(\\d+))?$"));
    return pattern;
}

// "glava-3", "chapter-3".
const QRegularExpression& chapterSlugPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(?:glava-|chapter-)(\\d+)$"));
    return pattern;
}

std::optional<int> number(const QRegularExpressionMatch& match, int group)
{
    bool ok = false;
    const int value = match.captured(group).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// Chapter, first verse and last verse (the first when no range is given).
// Nothing when the text does not match or a number does not fit an int.
std::optional<SectionReference> chapterAndVerses(const QRegularExpression& pattern, const QString& text)
{
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto chapter = number(match, 1);
    const auto from = number(match, 2);
    const auto to = match.captured(3).isEmpty() ? from : number(match, 3);
    if (!chapter || !from || !to)
        return std::nullopt;
    return SectionReference{0, *chapter, *from, *to, true};
}

} // namespace

SectionReference parseSectionNumberSlug(const BookSection& section)
{
    if (section.numberCodeSection != 0 || section.numberCodeChapter != 0 || section.numberCodePoem != 0)
        return SectionReference{section.numberCodeSection, section.numberCodeChapter, section.numberCodePoem,
                                std::max(section.numberCodePoem, section.numberOtherPoems), true};

    if (const auto byName = chapterAndVerses(namePattern(), section.name.trimmed()))
        return *byName;
    if (const auto bySlug = chapterAndVerses(verseSlugPattern(), section.slug))
        return *bySlug;

    const QRegularExpressionMatch match = chapterSlugPattern().match(section.slug);
    if (match.hasMatch()) {
        if (const auto chapter = number(match, 1))
            return SectionReference{0, *chapter, 0, 0, true};
    }
    return SectionReference{};
}
