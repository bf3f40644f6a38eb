#pragma once
// Reading small HTML fragments (book sections, notes, favorites) in terms of
// their visible text: one tag or character reference at an offset, text
// positions to HTML offsets and back, plain text, tag stripping. Also the
// process-wide tables of tag strings and character references that page
// generation, the source readers and the search analyzers share.
//
// Offsets and positions count UTF-16 code units, as page scripts do. A
// visible character is a code unit outside a tag, a whole character
// reference, or a "<" that does not begin a valid tag; a tag counts nothing.
// Nothing here throws: malformed input is logged and answered with false or
// -1, or the "<" or "&" is taken as an ordinary character.

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <string>
#include <vector>

namespace TarnolixText {

struct TagInfo
{
    enum Kind : qint32 { None = 0, Opening = 2, Closing = 3 };

    // From the first code unit after "<" (or "</") to the first blank, "/"
    // or ">": "<br/>" and "<br />" are both named "br". A view into the
    // string that was read, valid while that string lives unchanged.
    QStringView name;
    qint32 kind = None;
    // Code units from "<" to ">" inclusive.
    qint32 length = 0;
    // An opening tag written "<x ... />": it opens no element. The "/" of
    // an unquoted value ("<a href=/x/>") does not make it one.
    bool selfClosing = false;
};

struct SpecialChar
{
    QChar ch;
    // Code units from "&" to ";" inclusive.
    qint32 length = 0;
};

struct CharReference
{
    QString name; // without "&" and ";"
    QChar ch;
};

// Builds every table below. Safe to call more than once and from any thread;
// the accessors build the tables themselves when nobody has yet.
void initHtmlTagTables();

// "<div", "<a", "<span", "<h1", "<h2", "<h3": tags that may carry attributes.
const QStringList& htmlTagOpeners();
// Attribute-less paragraph, list, heading and emphasis tags.
const QStringList& htmlPlainTags();
// htmlPlainTags() followed by "<br>" and "</br>".
const QStringList& htmlPlainTagsWithBreaks();
const QString& htmlBreakTag(); // "<br>"
const QString& htmlBreakEndTag(); // "</br>"

// The same lists as Lucene++'s wide strings, for the search analyzers.
const std::vector<std::wstring>& htmlTagOpenersW();
const std::vector<std::wstring>& htmlPlainTagsW();
const std::vector<std::wstring>& htmlPlainTagsWithBreaksW();
const std::wstring& htmlBreakTagW();
const std::wstring& htmlBreakEndTagW();

// Elements that have no content and no closing tag: "br", "img".
const QStringList& htmlVoidTags();
bool isVoidTag(QStringView name);

// The named references the section HTML uses, in table order. "cent" and
// "pound" map to the full-width signs U+FFE0 and U+FFE1.
const QVector<CharReference>& htmlCharReferences();

// Reads the tag that begins at `pos`: "<" followed by a letter (opening) or
// by "/" (closing), up to the next ">". The name is filled only when
// `wantName` is set.
bool getTag(const QString& html, int pos, bool wantName, TagInfo& out);

// Reads the reference that begins at `pos`: "&name;" from
// htmlCharReferences() or decimal "&#NNN;" below 65536, with the ";" at most
// 20 code units after the "&".
bool getHTMLSpecialChar(const QString& html, int pos, SpecialChar& out);

// The text position of an HTML offset; -1 for an offset inside a tag or a
// reference, or beyond the end. The offsets just before and just after a tag
// give the same position.
int getAbsolutePosition(const QString& html, int offset);

// What getPosition does with text position 0.
enum ZeroMode : int {
    ZeroIsError = 0,
    ZeroIsStart = 1, // offset 0
    ZeroAfterLeadingTags = 2, // the offset after the tags the HTML begins with
};

// The HTML offset just after the `absolutePosition`-th visible character,
// before any tag that follows it; -1 when there is no such character. A
// position equal to the HTML's length in code units gives that length.
int getPosition(const QString& html, int absolutePosition, int zeroMode);

// Plain text of the first `maxLength` code units: tags dropped, paragraphs,
// headings, divisions, list items and line-break tags turned into line feeds,
// references decoded, line feeds of the HTML dropped.
QString getClearText(const QString& html, int maxLength);

// Removes in place every tag that begins with one of `openers` (through its
// ">") and every exact occurrence of one of `plainTags`. The comparison is
// case-sensitive and by prefix, so "<a" also removes "<abbr ...>". Other tags
// stay. An opener with no ">" after it is left as it is.
void removeHtmlTags(QString& html, const QStringList& openers, const QStringList& plainTags);

} // namespace TarnolixText
