#pragma once
// Wraps a range of section HTML in markup (a favorite's highlight) without
// breaking the nesting of the HTML: the range is split into runs that are
// balanced with respect to tags, each run is wrapped on its own, and the tags
// between runs are copied unchanged.

#include "core/TarnolixText.h"

#include <QString>
#include <QVarLengthArray>

#include <functional>
#include <vector>

using HtmlMarkupGenerator = std::function<QString()>;

// The HTML with [start, end) wrapped; each run gets openMarkup() before it
// and closeMarkup() after it, so runs may carry their own attributes. Offsets
// count UTF-16 code units and must lie between visible characters (as
// TarnolixText::getPosition gives them); start <= 0 means the beginning, and
// end <= start leaves the HTML unchanged. Throws Exception on HTML that does
// not nest or a range that cuts a tag or a character reference; no partial
// result is returned.
QString encloseHtmlFragment(const QString& html, const HtmlMarkupGenerator& openMarkup,
    const HtmlMarkupGenerator& closeMarkup, int start, int end);

// The state of one encloseHtmlFragment call.
class TarnolixHtmlEncloseHelper
{
public:
    using TagStack = std::vector<TarnolixText::TagInfo>;

    TarnolixHtmlEncloseHelper(const QString& html, const HtmlMarkupGenerator& openMarkup,
        const HtmlMarkupGenerator& closeMarkup, int start, int end);

    QString enclose();

    // Pops the element that the closing tag just read ends; throws when the
    // stack is empty or its top is another element.
    void closeTag(TagStack& stack);

private:
    enum SegmentType : qint32 { Copy = 0, Wrap = 1 };
    struct Segment
    {
        qint32 type;
        qint32 from;
        qint32 to;
    };

    // Reads the tag at `pos` into m_tagInfo.
    bool readTag(int pos);
    // Pushes the element m_tagInfo opens, or closes the one it ends.
    void applyTag(TagStack& stack);
    bool opensElement() const;
    void walkToStart();
    // Wraps the longest balanced run from m_pos, if there is one.
    void wrapBalancedRun();
    void copyTagsBetweenRuns();
    QString build() const;

    const QString& m_html;
    const HtmlMarkupGenerator& m_openMarkup;
    const HtmlMarkupGenerator& m_closeMarkup;
    const int m_start;
    const int m_end;
    int m_pos = 0;
    TagStack m_openedTags;
    TarnolixText::TagInfo m_tagInfo;
    QVarLengthArray<Segment, 10> m_segments;
    int m_wrapCount = 0;
};
