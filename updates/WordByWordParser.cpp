#include "updates/WordByWordParser.h"

#include "core/BookRecords.h"
#include "core/ProgramConstants.h"
#include "core/TarnolixText.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr QChar hyphen = QLatin1Char('-');
constexpr QChar semicolon = QLatin1Char(';');
constexpr QChar space = QLatin1Char(' ');
const QChar emDash = SharedText::emDash;
const QChar enDash = SharedText::enDash;

// Restarts after a spacing normalisation change the text; each one leaves
// the text in a form the next one does not change, so a few suffice.
constexpr int maxRounds = 4;

bool isDash(QChar c)
{
    return c == hyphen || c == emDash || c == enDash;
}

bool isDoubleHyphen(const QString& text, int i)
{
    return i + 1 < text.size() && text.at(i) == hyphen && text.at(i + 1) == hyphen;
}

bool matchesAt(const QString& text, int i, const QString& what)
{
    return QStringView(text).mid(i).startsWith(what);
}

int skipSpaces(const QString& text, int i)
{
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return i;
}

// A "," that begins another "(original) - translation" entry: white space,
// "(", the original, ")", white space and a dash.
bool beginsParenthesisedEntry(const QString& text, int comma)
{
    const int open = skipSpaces(text, comma + 1);
    if (open >= text.size() || text.at(open) != QLatin1Char('('))
        return false;
    const int close = text.indexOf(QLatin1Char(')'), open + 1);
    if (close < 0)
        return false;
    const int dash = skipSpaces(text, close + 1);
    return dash < text.size() && isDash(text.at(dash));
}

// The first "," followed by optional white space and "(" at or after `from`.
int findEntryComma(const QString& text, int from)
{
    for (int i = text.indexOf(QLatin1Char(','), from); i >= 0; i = text.indexOf(QLatin1Char(','), i + 1)) {
        const int next = skipSpaces(text, i + 1);
        if (next < text.size() && text.at(next) == QLatin1Char('('))
            return i;
    }
    return -1;
}

} // namespace

WordByWordStatistics WordByWordStatistics::of(const QString& text)
{
    WordByWordStatistics s;
    const int size = text.size();
    auto spaced = [&](int i) {
        return (i == 0 || text.at(i - 1) == space) && (i + 1 == size || text.at(i + 1) == space);
    };
    for (int i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c == semicolon) {
            ++s.semicolons;
        } else if (c == hyphen) {
            if (isDoubleHyphen(text, i)) {
                ++s.doubleHyphens;
                ++i;
            } else if (spaced(i)) {
                ++s.spacedHyphens;
            } else {
                ++s.plainHyphens;
            }
        } else if (c == emDash) {
            ++(spaced(i) ? s.spacedEmDashes : s.unspacedEmDashes);
        } else if (c == enDash) {
            ++(spaced(i) ? s.spacedEnDashes : s.unspacedEnDashes);
        }
    }
    return s;
}

void WordByWordParserShared::update(const BookPart* part, const QString& text)
{
    if (m_valid && part == m_part && text == m_text)
        return;
    m_part = part;
    m_text = text;
    m_statistics = WordByWordStatistics::of(text);
    m_valid = true;
}

bool normaliseDashSpacing(QString& text, QChar dash)
{
    bool changed = false;
    for (int i = 1; i + 1 < text.size(); ++i) {
        if (text.at(i) != dash)
            continue;
        if (dash == hyphen && (text.at(i - 1) == hyphen || text.at(i + 1) == hyphen))
            continue;
        for (int n : {i - 1, i + 1}) {
            if (text.at(n).isSpace() && text.at(n) != space) {
                text[n] = space;
                changed = true;
            }
        }
        const bool before = text.at(i - 1) == space;
        const bool after = text.at(i + 1) == space;
        if (before && !after) {
            text.insert(i + 1, space);
            changed = true;
        } else if (!before && after) {
            text.insert(i, space);
            ++i;
            changed = true;
        }
    }
    return changed;
}

WordByWordParser::WordByWordParser(std::shared_ptr<WordByWordParserShared> shared) : m_shared(std::move(shared)) {}

WordByWordParser::~WordByWordParser() = default;

int WordByWordParser::minimumPairs() const
{
    return 2;
}

void WordByWordParser::setLanguage(TarnolixConstants::Language language)
{
    m_language = language;
    m_languageCode = language == TarnolixConstants::InvalidLanguage ? QString() : languageToString(language);
}

void WordByWordParser::notSupported()
{
    throw NotSupported();
}

void WordByWordParser::rejectWordNote() const
{
    if (m_text.startsWith(QLatin1String("word note"), Qt::CaseInsensitive))
        notSupported();
}

void WordByWordParser::process(const BookPart* part, const QString& text)
{
    m_output.clear();
    m_pairs.clear();
    m_part = part;
    m_text = text;
    TarnolixText::removeHtmlTags(m_text, TarnolixText::htmlTagOpeners(), TarnolixText::htmlPlainTagsWithBreaks());
    m_shared->update(m_part, m_text);
    parse();
    if (minimumPairs() != 0 && int(m_pairs.size()) < minimumPairs())
        notSupported();
}

void WordByWordParser::replaceText(const QString& text)
{
    m_text = text;
    m_shared->update(m_part, m_text);
}

QString WordByWordParser::link(const QString& original) const
{
    if (m_languageCode.isEmpty())
        return QString();
    QUrl url;
    url.setScheme(UrlWord::scheme);
    url.setHost(QLatin1String("wbwsearch.") + m_languageCode);
    if (!original.isEmpty()) {
        QUrlQuery query;
        query.addQueryItem(UrlWord::original, original);
        url.setQuery(query);
    }
    // Fully encoded, so that no quotation mark of the word can end the
    // attribute it is written into.
    return url.toString(QUrl::FullyEncoded);
}

void WordByWordParser::addEntry(const QString& original, const QString& separator, const QString& translation)
{
    const QString trimmedOriginal = original.trimmed();
    m_pairs.emplace_back(trimmedOriginal, translation.trimmed());
    m_output += QLatin1String("<i><a href=\"") + link(trimmedOriginal) + QLatin1String("\">") + original
              + QLatin1String("</a></i>") + separator + translation;
}

void WordByWordParser1::normaliseOrReject(QChar dash)
{
    QString text = m_text;
    if (!normaliseDashSpacing(text, dash))
        notSupported();
    replaceText(text);
}

void WordByWordParser1::parse()
{
    rejectWordNote();
    for (int round = 0;; ++round) {
        if (round == maxRounds)
            notSupported();
        const WordByWordStatistics& s = m_shared->statistics();
        if (s.hyphens() + s.doubleHyphens + s.emDashes() + s.enDashes() == 0)
            notSupported();
        if (s.unspacedEmDashes && s.spacedEmDashes) {
            normaliseOrReject(emDash);
            continue;
        }
        if (s.unspacedEnDashes && s.spacedEnDashes) {
            normaliseOrReject(enDash);
            continue;
        }
        const int kinds = (s.unspacedEmDashes > 0) + (s.unspacedEnDashes > 0) + (s.spacedEmDashes > 0)
                        + (s.spacedEnDashes > 0);
        if (kinds > 1)
            notSupported();

        QString separator;
        int separators = 0;
        if (!s.spacedHyphens && !s.spacedEmDashes && !s.spacedEnDashes) {
            if (s.unspacedEmDashes > s.unspacedEnDashes) {
                separator = emDash;
                separators = s.unspacedEmDashes;
            } else if (s.unspacedEnDashes > s.unspacedEmDashes) {
                separator = enDash;
                separators = s.unspacedEnDashes;
            } else if (s.doubleHyphens > s.unspacedEmDashes && s.doubleHyphens > s.unspacedEnDashes
                       && s.doubleHyphens > s.plainHyphens) {
                separator = SharedText::doubleHyphen;
                separators = s.doubleHyphens;
            } else if (s.plainHyphens && !s.unspacedEmDashes && !s.unspacedEnDashes) {
                separator = hyphen;
                separators = s.plainHyphens;
            } else {
                notSupported();
            }
        } else if (s.spacedEmDashes > s.spacedEnDashes) {
            separator = QString(space) + emDash + space;
            separators = s.spacedEmDashes;
        } else if (s.spacedEnDashes > s.spacedEmDashes) {
            separator = QString(space) + enDash + space;
            separators = s.spacedEnDashes;
        } else if (s.spacedHyphens && !s.spacedEmDashes && !s.spacedEnDashes) {
            if (s.plainHyphens) {
                QString text = m_text;
                if (normaliseDashSpacing(text, hyphen)) {
                    replaceText(text);
                    continue;
                }
            }
            separator = QStringLiteral(" - ");
            separators = s.spacedHyphens;
        } else {
            notSupported();
        }

        if (separator != SharedText::doubleHyphen && s.semicolons > separators + 1
            && s.semicolons > s.doubleHyphens + 1 + separators)
            notSupported();

        // The first entry's separator: the last one before the first ";",
        // or the first one after it; a "--" wherever it comes first.
        const int end = m_text.size() - separator.size();
        int first = -1;
        QString firstText;
        int semicolons = 0;
        for (int i = 0; i <= end; ++i) {
            const QChar c = m_text.at(i);
            if (c == QLatin1Char(',') && beginsParenthesisedEntry(m_text, i))
                notSupported(); // WordByWordParser2's style
            if (isDoubleHyphen(m_text, i)) {
                first = i;
                firstText = SharedText::doubleHyphen;
                break;
            }
            if (c == semicolon) {
                if (++semicolons >= 2 && first >= 0)
                    break;
                continue;
            }
            if (matchesAt(m_text, i, separator)) {
                if (semicolons == 0) {
                    first = i;
                    firstText = separator;
                } else if (first < 0) {
                    first = i;
                    firstText = separator;
                    break;
                }
            }
        }
        if (first < 0)
            notSupported();
        readEntries(first, firstText, separator);
        return;
    }
}

void WordByWordParser1::readEntries(int separatorAt, const QString& firstSeparatorText, const QString& separator)
{
    const int size = m_text.size();
    int entryStart = 0;
    QString separatorText = firstSeparatorText;
    for (bool firstEntry = true;; firstEntry = false) {
        const int translationStart = separatorAt + separatorText.size();
        // The entry ends at the last ";" before the next entry's separator:
        // a piece without a separator belongs to the translation before it.
        int end = -1;
        int next = -1;
        QString nextText;
        for (int j = translationStart; j < size; ++j) {
            if (m_text.at(j) == semicolon) {
                if (end >= 0 && next >= 0)
                    break;
                end = j;
                continue;
            }
            if (end < 0)
                continue;
            const QString match = isDoubleHyphen(m_text, j) ? QString(SharedText::doubleHyphen)
                                : matchesAt(m_text, j, separator) ? separator
                                                                   : QString();
            if (match.isEmpty())
                continue;
            if (next >= 0)
                break;
            next = j;
            nextText = match;
            j += match.size() - 1;
        }
        // The last entry keeps whatever follows it (text after its last ";"
        // is still the reader's text); only a blank tail after a closing ";"
        // is dropped.
        int entryEnd = end;
        if (next < 0 && (end < 0 || !QStringView(m_text).mid(end + 1).trimmed().isEmpty()))
            entryEnd = size;
        if (!firstEntry)
            m_output += semicolon;
        addEntry(m_text.mid(entryStart, separatorAt - entryStart), separatorText,
                 m_text.mid(translationStart, entryEnd - translationStart));
        if (next < 0)
            return;
        entryStart = end + 1;
        separatorAt = next;
        separatorText = nextText;
    }
}

void WordByWordParser2::parse()
{
    rejectWordNote();
    const int size = m_text.size();
    int pos = 0;
    for (bool firstEntry = true;; firstEntry = false) {
        int open = pos;
        for (; open < size && m_text.at(open) != QLatin1Char('('); ++open) {
            if (m_text.at(open).isLetterOrNumber())
                notSupported();
        }
        if (open >= size)
            notSupported();
        const int close = m_text.indexOf(QLatin1Char(')'), open + 1);
        if (close < 0)
            notSupported();
        int dash = close + 1;
        for (; dash < size && !isDash(m_text.at(dash)); ++dash) {
            if (m_text.at(dash).isLetterOrNumber())
                notSupported();
        }
        if (dash >= size)
            notSupported();
        const int translationStart = dash + (isDoubleHyphen(m_text, dash) ? 2 : 1);
        if (translationStart >= size)
            notSupported();
        const int comma = findEntryComma(m_text, translationStart);
        const int translationEnd = comma < 0 ? size : comma;
        if (!firstEntry)
            m_output += QLatin1String(" , ");
        addEntry(m_text.mid(open + 1, close - open - 1), m_text.mid(close + 1, translationStart - close - 1),
                 m_text.mid(translationStart, translationEnd - translationStart));
        if (comma < 0)
            return;
        pos = comma + 1;
    }
}

int WBWEasyParser::minimumPairs() const
{
    return 0;
}

void WBWEasyParser::parse()
{
    rejectWordNote();
    const int size = m_text.size();
    int pos = 0;
    for (bool firstEntry = true;; firstEntry = false) {
        int end = m_text.indexOf(semicolon, pos);
        if (end < 0)
            end = size;
        int separatorAt = -1;
        int separatorSize = 0;
        for (int i = pos; i < end; ++i) {
            const QChar c = m_text.at(i);
            if (!isDash(c))
                continue;
            if (separatorAt >= 0)
                notSupported();
            separatorAt = i;
            separatorSize = (c == hyphen && i + 1 < end && m_text.at(i + 1) == hyphen) ? 2 : 1;
            i += separatorSize - 1;
        }
        if (separatorAt < 0)
            notSupported();
        if (!firstEntry)
            m_output += semicolon;
        addEntry(m_text.mid(pos, separatorAt - pos), m_text.mid(separatorAt, separatorSize),
                 m_text.mid(separatorAt + separatorSize, end - separatorAt - separatorSize));
        // A ";" that ends the text closes the last entry.
        if (end + 1 >= size)
            return;
        pos = end + 1;
    }
}

std::vector<std::unique_ptr<WordByWordParser>> makeWordByWordParsers(TarnolixConstants::Language language)
{
    auto shared = std::make_shared<WordByWordParserShared>();
    std::vector<std::unique_ptr<WordByWordParser>> parsers;
    parsers.push_back(std::make_unique<WordByWordParser1>(shared));
    parsers.push_back(std::make_unique<WordByWordParser2>(shared));
    parsers.push_back(std::make_unique<WBWEasyParser>(shared));
    for (const auto& parser : parsers)
        parser->setLanguage(language);
    return parsers;
}

int processWordByWord(const std::vector<std::unique_ptr<WordByWordParser>>& parsers, const BookPart& part, int bookId,
                      QString& text, WordByWordDataForIndex::WordPairs& pairs)
{
    for (std::size_t i = 0; i < parsers.size(); ++i) {
        try {
            parsers[i]->process(&part, text);
        } catch (const WordByWordParser::NotSupported&) {
            continue;
        }
        text = parsers[i]->output();
        pairs.insert(pairs.end(), parsers[i]->pairs().begin(), parsers[i]->pairs().end());
        return int(i);
    }
    qWarning("processWordByWord for book %d section %s failed", bookId, qUtf8Printable(part.sectionCode));
    return -1;
}
