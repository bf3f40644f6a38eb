#include "core/TarnolixHtmlEncloseHelper.h"

#include "core/Exception.h"

#include <QtGlobal>

using TarnolixText::TagInfo;

QString encloseHtmlFragment(const QString& html, const HtmlMarkupGenerator& openMarkup,
    const HtmlMarkupGenerator& closeMarkup, int start, int end)
{
    return TarnolixHtmlEncloseHelper(html, openMarkup, closeMarkup, start, end).enclose();
}

TarnolixHtmlEncloseHelper::TarnolixHtmlEncloseHelper(const QString& html, const HtmlMarkupGenerator& openMarkup,
    const HtmlMarkupGenerator& closeMarkup, int start, int end)
    : m_html(html)
    , m_openMarkup(openMarkup)
    , m_closeMarkup(closeMarkup)
    , m_start(start)
    , m_end(end)
{
}

QString TarnolixHtmlEncloseHelper::enclose()
{
    const int size = m_html.size();
    if (m_start >= 1)
        walkToStart();
    while (m_pos < m_end) {
        wrapBalancedRun();
        copyTagsBetweenRuns();
    }
    if (m_pos != size)
        m_segments.append({Copy, m_pos, size});
    return build();
}

void TarnolixHtmlEncloseHelper::closeTag(TagStack& stack)
{
    if (stack.empty())
        throw Exception("ERROR 0x8546FF14");
    if (stack.back().name != m_tagInfo.name) {
        qWarning("TarnolixHtmlEncloseHelper::closeTag error: openedTags.back().name='%s' m_tagInfo.name='%s'",
            qUtf8Printable(stack.back().name.toString()), qUtf8Printable(m_tagInfo.name.toString()));
        throw Exception("ERROR 0x8546FF19");
    }
    stack.pop_back();
}

bool TarnolixHtmlEncloseHelper::readTag(int pos)
{
    return m_html.at(pos) == QLatin1Char('<') && TarnolixText::getTag(m_html, pos, true, m_tagInfo);
}

// "<br>", "<img ...>" and "<x/>" open nothing, and "</br>" ends nothing.
bool TarnolixHtmlEncloseHelper::opensElement() const
{
    return !m_tagInfo.selfClosing && !TarnolixText::isVoidTag(m_tagInfo.name);
}

void TarnolixHtmlEncloseHelper::applyTag(TagStack& stack)
{
    if (m_tagInfo.kind == TagInfo::Opening) {
        if (opensElement())
            stack.push_back(m_tagInfo);
    } else if (!TarnolixText::isVoidTag(m_tagInfo.name)) {
        closeTag(stack);
    }
}

// Learns which elements are open at the start of the range.
void TarnolixHtmlEncloseHelper::walkToStart()
{
    if (m_start >= m_html.size())
        throw Exception("ERROR 0x8546FF11");
    int i = 0;
    while (i < m_start) {
        TarnolixText::SpecialChar sc;
        if (readTag(i)) {
            i += m_tagInfo.length;
            if (i > m_start)
                throw Exception("ERROR 0x8546FF15");
            applyTag(m_openedTags);
        } else if (m_html.at(i) == QLatin1Char('&') && TarnolixText::getHTMLSpecialChar(m_html, i, sc)) {
            i += sc.length;
            if (i > m_start)
                throw Exception("ERROR 0x8546A527");
        } else {
            ++i;
        }
    }
    m_pos = m_start;
    m_segments.append({Copy, 0, m_start});
}

// Walks from m_pos until the range ends or a tag closes an element that was
// open before the run, and wraps up to the last point where every element
// opened inside the run was closed again.
void TarnolixHtmlEncloseHelper::wrapBalancedRun()
{
    const int limit = qMin(m_end, m_html.size());
    if (m_pos >= limit)
        throw Exception("ERROR 0x8546FF17");
    TagStack scratch = m_openedTags;
    const std::size_t depth = scratch.size();
    int p = m_pos;
    int last = -1;
    for (;;) {
        TarnolixText::SpecialChar sc;
        if (readTag(p)) {
            if (m_tagInfo.kind == TagInfo::Closing && !TarnolixText::isVoidTag(m_tagInfo.name)) {
                closeTag(scratch);
                if (scratch.size() < depth)
                    break;
            } else if (m_tagInfo.kind == TagInfo::Opening && opensElement()) {
                scratch.push_back(m_tagInfo);
            }
            p += m_tagInfo.length;
            if (p > limit)
                throw Exception("ERROR 0x8546FF16");
        } else if (m_html.at(p) == QLatin1Char('&') && TarnolixText::getHTMLSpecialChar(m_html, p, sc)) {
            // Cutting a reference in two would leave "&am" and "p;" in the page.
            p += sc.length;
            if (p > limit)
                throw Exception("ERROR 0x8546A528");
        } else {
            ++p;
        }
        if (scratch.size() == depth)
            last = p;
        if (p >= limit)
            break;
    }
    if (last != -1) {
        m_segments.append({Wrap, m_pos, last});
        ++m_wrapCount;
        m_pos = last;
    }
}

void TarnolixHtmlEncloseHelper::copyTagsBetweenRuns()
{
    const int size = m_html.size();
    if (m_pos >= size)
        return;
    const int from = m_pos;
    while (m_pos < size && readTag(m_pos)) {
        applyTag(m_openedTags);
        m_pos += m_tagInfo.length;
    }
    m_segments.append({Copy, from, m_pos});
}

QString TarnolixHtmlEncloseHelper::build() const
{
    QString result;
    result.reserve(int(m_html.size() * 1.2) + 256 * m_wrapCount);
    const QStringView html(m_html);
    for (const Segment& s : m_segments) {
        if (s.type == Wrap)
            result.append(m_openMarkup());
        result.append(html.mid(s.from, s.to - s.from));
        if (s.type == Wrap)
            result.append(m_closeMarkup());
    }
    return result;
}
