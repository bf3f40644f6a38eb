#include "searchpages/SRHighlighting.h"

#include "core/Exception.h"
#include "core/TarnolixText.h"
#include "search/index/Analyzers.h"
#include "search/index/FTFieldName.h"
#include "search/index/StringReader.h"
#include "search/searchers/FTSearchRecords.h"
#include "search/searchers/HighlightMerging.h"

#include <NullFragmenter.h>
#include <QueryScorer.h>
#include <SimpleHTMLFormatter.h>
#include <TextFragment.h>

#include <QtDebug>

#include <algorithm>
#include <limits>
#include <map>

using tarnolix::FTSearchStatus;

namespace srhighlight {

const wchar_t kOpenTagW[] = L"<mark class=\"highlight\">";
const wchar_t kCloseTagW[] = L"</mark>";

QString openTag()
{
    return QStringLiteral("<mark class=\"highlight\">");
}

QString closeTag()
{
    return QStringLiteral("</mark>");
}

QString finishExcerpt(QString body)
{
    TarnolixText::removeHtmlTags(body, TarnolixText::htmlTagOpeners(), TarnolixText::htmlPlainTagsWithBreaks());

    const bool longer = body.size() > kExcerptLength;
    if (longer) {
        int cut = kExcerptLength;
        const int windowEnd = std::min<int>(body.size(), kCutWindowEnd);
        for (int i = kCutWindowStart; i < windowEnd; ++i) {
            if (body[i] == QLatin1Char('<')) {
                cut = i;
                break;
            }
            if (body[i] == QLatin1Char('>')) {
                cut = i + 1;
                break;
            }
        }
        if (cut > 0 && cut < body.size() && body.at(cut - 1).isHighSurrogate() && body.at(cut).isLowSurrogate())
            --cut;
        body.truncate(cut);
    }

    // A tag the cut left unfinished goes whole.
    const int lastOpen = body.lastIndexOf(QLatin1Char('<'));
    if (lastOpen >= 0 && body.indexOf(QLatin1Char('>'), lastOpen) < 0)
        body.truncate(lastOpen);

    if (longer) {
        const int lastMark = body.lastIndexOf(openTag());
        const int lastClose = body.lastIndexOf(closeTag());
        if (lastMark >= 0 && lastMark > lastClose)
            body += closeTag();
    }
    body += QLatin1String("...");
    return body;
}

} // namespace srhighlight

namespace {

Lucene::HighlighterPtr newHighlighter(const FTSearchStatus& status)
{
    const auto formatter = Lucene::newLucene<Lucene::SimpleHTMLFormatter>(srhighlight::kOpenTagW, srhighlight::kCloseTagW);
    // The scorer expands prefix and wildcard terms over each text itself.
    const Lucene::QueryPtr query = status.query();
    if (!query)
        throw Exception("HTMLCreator: the search has no query");
    const auto scorer = Lucene::newLucene<Lucene::QueryScorer>(query);
    const auto highlighter = Lucene::newLucene<Lucene::Highlighter>(formatter, scorer);
    highlighter->setMaxDocCharsToAnalyze(std::numeric_limits<int32_t>::max());
    return highlighter;
}

// Several field runs each wrote the whole text with its own marks: one text
// with the union of the marks, and (for excerpts) the fragments moved onto
// it, overlapping ones joined.
void mergeFragments(Lucene::Collection<Lucene::TextFragmentPtr>& fragments, bool wholeText, std::wstring& marked)
{
    if (fragments.empty())
        return;
    if (fragments.size() == 1) {
        marked = fragments[0]->markedUpText->toString();
        return;
    }

    std::vector<Lucene::StringBufferPtr> buffers;
    std::vector<std::size_t> bufferOf;
    for (const auto& fragment : fragments) {
        auto found = std::find(buffers.begin(), buffers.end(), fragment->markedUpText);
        bufferOf.push_back(std::size_t(found - buffers.begin()));
        if (found == buffers.end())
            buffers.push_back(fragment->markedUpText);
    }
    if (buffers.size() == 1) {
        marked = buffers.front()->toString();
        return;
    }

    std::vector<std::wstring> renderings;
    for (const auto& buffer : buffers)
        renderings.push_back(buffer->toString());
    const tarnolix::MergedHighlights merged =
        tarnolix::highlightSegments(renderings, srhighlight::kOpenTagW, srhighlight::kCloseTagW);
    if (!merged.ok) {
        // Renderings of different texts: show the first field's alone.
        qWarning("HTMLCreator::highlightText: field renderings differ");
        marked = renderings.front();
        auto kept = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
        for (int i = 0; i < fragments.size(); ++i) {
            if (bufferOf[std::size_t(i)] == 0)
                kept.add(fragments[i]);
        }
        fragments = kept;
        return;
    }
    marked = merged.text;
    if (wholeText)
        return;

    const auto toMerged = [&](std::size_t input, int32_t position) {
        const std::vector<uint64_t>& map = merged.sourcePositions[input];
        const std::size_t at = std::min<std::size_t>(std::size_t(std::max<int32_t>(position, 0)), map.size() - 1);
        const std::size_t plain = std::min<std::size_t>(map[at], merged.positions.size() - 1);
        return int32_t(merged.positions[plain]);
    };
    std::vector<Lucene::TextFragmentPtr> moved;
    for (int i = 0; i < fragments.size(); ++i) {
        const Lucene::TextFragmentPtr& fragment = fragments[i];
        const std::size_t input = bufferOf[std::size_t(i)];
        const int32_t start = toMerged(input, fragment->textStartPos);
        const int32_t end = toMerged(input, fragment->textEndPos);
        fragment->textStartPos = start;
        fragment->textEndPos = end;
        moved.push_back(fragment);
    }
    std::stable_sort(moved.begin(), moved.end(), [](const auto& a, const auto& b) {
        return a->textStartPos != b->textStartPos ? a->textStartPos < b->textStartPos : a->textEndPos < b->textEndPos;
    });

    const auto buffer = Lucene::newLucene<Lucene::StringBuffer>();
    buffer->append(marked);
    auto result = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
    for (std::size_t i = 0; i < moved.size(); ++i) {
        if (i + 1 < moved.size() && moved[i]->textEndPos >= moved[i + 1]->textStartPos) {
            // Overlapping or touching: the next one covers both. It keeps the
            // farther end, so a fragment inside the first loses nothing.
            moved[i + 1]->textStartPos = moved[i]->textStartPos;
            moved[i + 1]->textEndPos = std::max(moved[i]->textEndPos, moved[i + 1]->textEndPos);
            continue;
        }
        moved[i]->markedUpText = buffer;
        result.add(moved[i]);
    }
    fragments = result;
}

} // namespace

const FTSearchStatus& HTMLCreatorSRSettings::ftStatus(const char* error) const
{
    const auto* status = results && results->searchType() == TarnolixConstants::FullText
                             ? dynamic_cast<const FTSearchStatus*>(results->status().get())
                             : nullptr;
    if (!status)
        throw Exception(error);
    return *status;
}

const Lucene::HighlighterPtr& HTMLCreatorSRSettings::fragmentHighlighter()
{
    if (!highlighters->fragment)
        highlighters->fragment = newHighlighter(ftStatus("ERROR 0x85462134"));
    return highlighters->fragment;
}

const Lucene::HighlighterPtr& HTMLCreatorSRSettings::wholeTextHighlighter()
{
    if (!highlighters->wholeText) {
        const auto highlighter = newHighlighter(ftStatus("ERROR 0x85462134"));
        highlighter->setTextFragmenter(Lucene::newLucene<Lucene::NullFragmenter>());
        highlighters->wholeText = highlighter;
    }
    return highlighters->wholeText;
}

HTMLCreatorSRSettingsPtr makeHTMLCreatorSRSettings(quint32 tabId,
                                                   const std::shared_ptr<tarnolix::SearchResults2>& results)
{
    auto settings = std::make_shared<HTMLCreatorSRSettings>();
    settings->tabId = tabId;
    settings->results = results;
    if (results && results->status() && results->status()->settings())
        settings->language = quint32(results->status()->settings()->language());
    if (results && results->searchType() == TarnolixConstants::FullText) {
        const auto* status = dynamic_cast<const FTSearchStatus*>(results->status().get());
        if (!status || !status->analyzer())
            throw Exception("ERROR 0x58852132");
        settings->analyzer = boost::dynamic_pointer_cast<Lucene::Analyzer>(status->analyzer()->clone());
        if (!settings->analyzer)
            throw Exception("ERROR 0x58852132");
    }
    return settings;
}

QString markedTextToQString(const std::wstring& marked, int& count)
{
    const std::wstring tag = srhighlight::kOpenTagW;
    for (std::size_t at = marked.find(tag); at != std::wstring::npos; at = marked.find(tag, at + tag.size()))
        ++count;
    return QString::fromStdWString(marked);
}

Lucene::AnalyzerPtr HTMLCreator::getAnalyzer(const HTMLCreatorSRSettings& settings, const std::wstring& text)
{
    if (!settings.analyzer)
        throw Exception("ERROR 0x77896521");
    const auto russian = boost::dynamic_pointer_cast<tarnolix::RussianAnalyzer>(settings.analyzer);
    const auto english = boost::dynamic_pointer_cast<tarnolix::EnglishAnalyzer>(settings.analyzer);
    if (russian) {
        russian->setHTMLTagsPositions(text);
        return russian;
    }
    if (english) {
        english->setHTMLTagsPositions(text);
        return english;
    }
    qWarning("HTMLCreator::getAnalyzer: Unknown analyzer");
    throw Exception("Unknown analyzer");
}

void HTMLCreator::highlightText(const QString& text, Lucene::Collection<Lucene::TextFragmentPtr>& fragments,
                                bool wholeText, const Lucene::HighlighterPtr& highlighter,
                                const HTMLCreatorSRSettings& settings, std::wstring& marked) const
{
    const FTSearchStatus& status = settings.ftStatus("ERROR 0x85462135");
    marked.clear();
    const std::wstring wide = text.toStdWString();
    const Lucene::AnalyzerPtr analyzer = getAnalyzer(settings, wide);
    fragments = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
    for (const Lucene::String& field : status.spanQueries()->fields()) {
        if (!tarnolix::FTFieldName::parse(field).isValid())
            continue;
        const Lucene::TokenStreamPtr stream =
            analyzer->tokenStream(field, Lucene::newLucene<tarnolix::StringReader>(wide));
        for (const auto& fragment : highlighter->getBestTextFragments(stream, wide, true, 5)) {
            if (fragment)
                fragments.add(fragment);
        }
    }
    mergeFragments(fragments, wholeText, marked);
}

void HTMLCreator::getSRItemTexts(tarnolix::SRItem& item, HTMLCreatorSRSettings& settings, QString& path,
                                 QString& body) const
{
    const auto* hit = dynamic_cast<const tarnolix::FTSRItem*>(&item);
    if (!hit)
        throw Exception("NOT SUPPORTED ERROR 0x524688521");
    body.clear();
    body.reserve(10000);
    item.update(int(settings.tabId));
    path = item.readablePath().toHtmlEscaped();

    const std::shared_ptr<tarnolix::SRSection> section = item.section();
    const std::shared_ptr<BookPart> part = section->bookPart();
    const unsigned long long entityIndex = hit->entity()->entityIndex();
    const unsigned long long textIndex = hit->positionIndex();

    const Lucene::HighlighterPtr& highlighter = settings.fragmentHighlighter();
    auto fragments = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
    std::wstring marked;
    QString excerpt;
    const auto textAt = [&](unsigned long long entity, unsigned long long text) -> QString {
        if (!part || entity >= part->entities.size() || !part->entities[entity] ||
            text >= unsigned(part->entities[entity]->texts.size()))
            throw Exception(QStringLiteral("Search hit %1/%2 is not in section %3").arg(entity).arg(text).arg(section->code()));
        return part->entities[entity]->texts[int(text)];
    };
    if (entityIndex == 0 && textIndex == 0) {
        highlightText(path, fragments, true, highlighter, settings, marked);
        if (!marked.empty())
            path = QString::fromStdWString(marked);
        const std::shared_ptr<BookSection> record = section->bookSection();
        excerpt = (record ? record->title : QString()) + QLatin1String("\n\n") + textAt(0, 0);
    } else {
        excerpt = textAt(entityIndex, textIndex);
    }

    highlightText(excerpt, fragments, false, highlighter, settings, marked);
    for (const auto& fragment : fragments) {
        if (!fragment)
            continue;
        body += QLatin1String("...");
        body += QString::fromStdWString(fragment->toString());
        if (body.size() >= srhighlight::kExcerptLength)
            break;
    }
    body = srhighlight::finishExcerpt(std::move(body));
}

std::shared_ptr<SRElement> HTMLCreator::createSRElement(const std::shared_ptr<tarnolix::SRItem>& item,
                                                        HTMLCreatorSRSettings& settings) const
{
    if (!item || item->searchType() != TarnolixConstants::FullText ||
        !settings.results || settings.results->searchType() != TarnolixConstants::FullText)
        throw Exception("NOT SUPPORTED ERROR 0x524688521");
    auto element = std::make_shared<SRElement>();
    element->item = item;
    getSRItemTexts(*item, settings, element->path, element->body);
    return element;
}

QString HTMLCreator::getBookSectionHighlighted(const std::shared_ptr<const BookInfo>& book,
                                               const BookSectionItem& item, SectionFavorites* favorites,
                                               HTMLCreatorSRSettings& settings, HighlightedSectionMarks& marks) const
{
    if (!book)
        throw Exception("getBookSections: no book");
    marks = HighlightedSectionMarks();
    const Lucene::HighlighterPtr& highlighter = settings.wholeTextHighlighter();
    auto fragments = Lucene::Collection<Lucene::TextFragmentPtr>::newInstance();
    std::wstring marked;
    // Marks one text and counts them; a text without hits stays as it is.
    const auto highlight = [&](const QString& text, int& count) {
        int found = 0;
        highlightText(text, fragments, true, highlighter, settings, marked);
        QString result = marked.empty() ? text : markedTextToQString(marked, found);
        count = found;
        marks.total += quint32(found);
        return result;
    };

    BookSectionData data;
    data.book = book;
    data.item = &item;
    data.favorites = favorites;
    double reserveHint = 2048;
    if (item.part) {
        marks.paragraphs.reserve(item.part->entities.size());
        for (const auto& paragraph : item.part->entities) {
            std::vector<int> counts;
            if (!paragraph) {
                marks.paragraphs.push_back(counts);
                data.paragraphs.push_back(nullptr);
                continue;
            }
            QStringList texts;
            for (const QString& text : paragraph->texts) {
                int count = 0;
                texts << highlight(text, count);
                counts.push_back(count);
                reserveHint += 1.4 * text.size();
            }
            marks.paragraphs.push_back(std::move(counts));
            data.paragraphs.push_back(std::make_shared<BookEntity>(paragraph->kind, paragraph->attributes, std::move(texts)));
        }
    }
    if (item.section)
        data.title = highlight(item.section->title, marks.title);
    data.reserveHint = qint32(std::min<double>(reserveHint, std::numeric_limits<int>::max() / 4));
    return getBookSection(data);
}
