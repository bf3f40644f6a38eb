#include "core/TarnolixText.h"

#include "core/HtmlEntities.h"

#include <QtGlobal>

#include <algorithm>
#include <string>

namespace TarnolixText {

namespace {

// Names of the references the section HTML uses, in the order callers see
// them. Their characters are the HTML standard's, taken from the entity
// decoder's table, except the two below.
const char* const kCharReferenceNames[] = {
    "nbsp",   "shy",    "lt",     "gt",     "laquo",  "raquo",  "lsaquo", "rsaquo", "quot",   "prime",
    "Prime",  "lsquo",  "rsquo",  "sbquo",  "ldquo",  "rdquo",  "bdquo",  "amp",    "apos",   "sect",
    "copy",   "not",    "reg",    "macr",   "deg",    "plusmn", "sup1",   "sup2",   "sup3",   "frac14",
    "frac12", "frac34", "acute",  "micro",  "para",   "middot", "iquest", "fnof",   "trade",  "bull",
    "hellip", "oline",  "ndash",  "mdash",  "permil", "ne",     "cong",   "asymp",  "le",     "ge",
    "ang",    "perp",   "radic",  "sum",    "int",    "divide", "infin",  "larr",   "uarr",   "rarr",
    "darr",   "harr",   "crarr",  "lArr",   "uArr",   "rArr",   "dArr",   "hArr",   "spades", "clubs",
    "hearts", "diams",  "cent",   "pound",  "yen",    "euro",
};
static_assert(std::size(kCharReferenceNames) == 76);

// The books' fonts carry the currency signs in their full-width forms.
QChar overriddenReference(const QString& name)
{
    if (name == QLatin1String("cent"))
        return QChar(0xFFE0);
    if (name == QLatin1String("pound"))
        return QChar(0xFFE1);
    return QChar();
}

QChar standardReference(const QString& name)
{
    std::string text = "&" + name.toStdString() + ";";
    const std::size_t n = decodeHtmlEntities(text.data(), nullptr);
    const QString decoded = QString::fromUtf8(text.data(), int(n));
    if (decoded.size() != 1) // an unknown name comes back unchanged
        qFatal("TarnolixText: no single character for &%s;", qUtf8Printable(name));
    return decoded.at(0);
}

std::vector<std::wstring> toWide(const QStringList& list)
{
    std::vector<std::wstring> wide;
    wide.reserve(std::size_t(list.size()));
    for (const QString& s : list)
        wide.push_back(s.toStdWString());
    return wide;
}

struct Tables
{
    QStringList openers{"<div", "<a", "<span", "<h1", "<h2", "<h3"};
    QStringList plainTags{"<p>",   "</p>",  "</div>", "</a>",  "<strong>", "</strong>", "<i>",   "</i>",
                          "<ol>",  "</ol>", "<li>",   "</li>", "</span>",  "<ul>",      "</ul>", "<h1>",
                          "<h2>",  "<h3>",  "</h1>",  "</h2>", "</h3>",    "<em>",      "</em>"};
    QString breakTag{"<br>"};
    QString breakEndTag{"</br>"};
    QStringList plainTagsWithBreaks = plainTags + QStringList{breakTag, breakEndTag};
    QStringList voidTags{"br", "img"};

    std::vector<std::wstring> openersW = toWide(openers);
    std::vector<std::wstring> plainTagsW = toWide(plainTags);
    std::vector<std::wstring> plainTagsWithBreaksW = toWide(plainTagsWithBreaks);
    std::wstring breakTagW = breakTag.toStdWString();
    std::wstring breakEndTagW = breakEndTag.toStdWString();

    QVector<CharReference> references;
    // Indexes into `references`, sorted by name for the binary search.
    std::vector<int> byName;

    Tables()
    {
        references.reserve(int(std::size(kCharReferenceNames)));
        for (const char* n : kCharReferenceNames) {
            const QString name = QString::fromLatin1(n);
            const QChar own = overriddenReference(name);
            references.append({name, own.isNull() ? standardReference(name) : own});
        }
        byName.resize(std::size_t(references.size()));
        for (int i = 0; i < references.size(); ++i)
            byName[std::size_t(i)] = i;
        std::sort(byName.begin(), byName.end(), [this](int a, int b) {
            return QStringView(references[a].name).compare(references[b].name) < 0;
        });
    }

    const CharReference* findReference(QStringView name) const
    {
        const auto it = std::lower_bound(byName.begin(), byName.end(), name, [this](int i, QStringView n) {
            return QStringView(references[i].name).compare(n) < 0;
        });
        if (it == byName.end() || QStringView(references[*it].name).compare(name) != 0)
            return nullptr;
        return &references[*it];
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

void stripTrailingBlanks(QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
}

void breakLine(QString& s)
{
    if (!s.isEmpty() && s.back() != QLatin1Char('\n'))
        s.append(QLatin1Char('\n'));
}

bool isHeading(QStringView name)
{
    return name.size() == 2 && name[0] == QLatin1Char('h') && name[1].isDigit();
}

// "/" right before the ">" closes the element at once, unless it is the last
// character of an unquoted attribute value: "<a href=/books/>" opens an a
// element whose address is "/books/", as a browser reads it.
bool endsSelfClosing(const QString& html, int nameStart, int close)
{
    if (html.at(close - 1) != QLatin1Char('/'))
        return false;
    for (int i = close - 2; i > nameStart; --i) {
        const QChar c = html.at(i);
        if (c == QLatin1Char('='))
            return false;
        if (c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('\''))
            return true;
    }
    return true;
}

// One step of the walk over visible characters: moves `i` past the tag,
// reference or code unit at it and returns the visible characters passed
// (0 or 1). `caller` names the walk in the invalid-tag warning.
int stepVisible(const QString& html, int& i, const char* caller)
{
    const QChar c = html.at(i);
    if (c == QLatin1Char('<')) {
        TagInfo tag;
        if (getTag(html, i, false, tag)) {
            i += tag.length;
            return 0;
        }
        qWarning("TarnolixText::%s: Invalid tag: %s", caller, qUtf8Printable(html.mid(i, 30)));
    } else if (c == QLatin1Char('&')) {
        SpecialChar sc;
        if (getHTMLSpecialChar(html, i, sc)) {
            i += sc.length;
            return 1;
        }
    }
    ++i;
    return 1;
}

} // namespace

void initHtmlTagTables()
{
    tables();
}

const QStringList& htmlTagOpeners() { return tables().openers; }
const QStringList& htmlPlainTags() { return tables().plainTags; }
const QStringList& htmlPlainTagsWithBreaks() { return tables().plainTagsWithBreaks; }
const QString& htmlBreakTag() { return tables().breakTag; }
const QString& htmlBreakEndTag() { return tables().breakEndTag; }
const std::vector<std::wstring>& htmlTagOpenersW() { return tables().openersW; }
const std::vector<std::wstring>& htmlPlainTagsW() { return tables().plainTagsW; }
const std::vector<std::wstring>& htmlPlainTagsWithBreaksW() { return tables().plainTagsWithBreaksW; }
const std::wstring& htmlBreakTagW() { return tables().breakTagW; }
const std::wstring& htmlBreakEndTagW() { return tables().breakEndTagW; }
const QStringList& htmlVoidTags() { return tables().voidTags; }
const QVector<CharReference>& htmlCharReferences() { return tables().references; }

bool isVoidTag(QStringView name)
{
    for (const QString& v : tables().voidTags) {
        if (name == QStringView(v))
            return true;
    }
    return false;
}

bool getTag(const QString& html, int pos, bool wantName, TagInfo& out)
{
    if (pos < 0 || html.size() - pos < 3 || html.at(pos) != QLatin1Char('<'))
        return false;
    const QChar next = html.at(pos + 1);
    int nameStart;
    TagInfo::Kind kind;
    if (next.isLetter()) {
        nameStart = pos + 1;
        kind = TagInfo::Opening;
    } else if (next == QLatin1Char('/')) {
        nameStart = pos + 2;
        kind = TagInfo::Closing;
    } else {
        qWarning("TarnolixText::getTag: Invalid tag: %s", qUtf8Printable(html.mid(pos, 20)));
        return false;
    }
    const int close = html.indexOf(QLatin1Char('>'), nameStart + 1);
    if (close < 0) {
        qWarning("TarnolixText::getTag: Invalid tag: %s", qUtf8Printable(html.mid(pos, 100)));
        return false;
    }
    out.kind = kind;
    out.length = close - pos + 1;
    out.selfClosing = kind == TagInfo::Opening && endsSelfClosing(html, nameStart, close);
    if (wantName) {
        int nameEnd = nameStart + 1;
        while (nameEnd < close && html.at(nameEnd) != QLatin1Char(' ') && html.at(nameEnd) != QLatin1Char('/'))
            ++nameEnd;
        out.name = QStringView(html).mid(nameStart, qMin(nameEnd, close) - nameStart);
    } else {
        out.name = QStringView();
    }
    return true;
}

bool getHTMLSpecialChar(const QString& html, int pos, SpecialChar& out)
{
    const int size = html.size();
    if (pos < 0 || size - pos < 3 || html.at(pos) != QLatin1Char('&'))
        return false;
    // The ";" may lie at most 20 code units after the "&"; looking no
    // further keeps text full of lone "&"s a single pass.
    const int last = qMin(size - 1, pos + 20);
    int semicolon = -1;
    for (int i = pos + 2; i <= last; ++i) {
        if (html.at(i) == QLatin1Char(';')) {
            semicolon = i;
            break;
        }
    }
    if (semicolon < 0)
        return false;

    if (html.at(pos + 1) == QLatin1Char('#')) {
        const QStringRef digits = html.midRef(pos + 2, semicolon - pos - 2);
        // Digits only (no sign or blank, as the entity decoder reads them).
        bool ok = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        ushort value = ok ? digits.toUShort(&ok, 10) : 0;
        // A NUL would cut the text it lands in; a lone surrogate is no character.
        if (ok && (value == 0 || QChar::isSurrogate(value)))
            value = 0xFFFD;
        if (!ok) {
            qWarning("TarnolixText::getHTMLSpecialChar: Invalid special character: %s",
                qUtf8Printable(digits.toString()));
            return false;
        }
        out.ch = QChar(value);
    } else {
        const QStringView name = QStringView(html).mid(pos + 1, semicolon - pos - 1);
        const CharReference* ref = tables().findReference(name);
        if (!ref) {
            qWarning("TarnolixText::getHTMLSpecialChar: Unknown special character: %s",
                qUtf8Printable(name.toString()));
            return false;
        }
        out.ch = ref->ch;
    }
    out.length = semicolon - pos + 1;
    return true;
}

int getAbsolutePosition(const QString& html, int offset)
{
    if (offset == 0)
        return 0;
    const int size = html.size();
    int i = 0;
    int n = 0;
    while (i < size) {
        n += stepVisible(html, i, "getAbsolutePosition");
        if (i == offset)
            return n;
    }
    if (offset == size)
        return n;
    if (offset > size) {
        qWarning("TarnolixText::getAbsolutePosition: offset(%d) > html.size(%lld)", offset, qint64(size));
        return -1;
    }
    qWarning("TarnolixText::getAbsolutePosition: offset(%d) not found in: %s", offset, qUtf8Printable(html));
    return -1;
}

int getPosition(const QString& html, int absolutePosition, int zeroMode)
{
    const int size = html.size();
    if (absolutePosition == 0) {
        if (zeroMode == ZeroIsStart)
            return 0;
        if (zeroMode != ZeroAfterLeadingTags) {
            qWarning("TarnolixText::getPosition: Error: absolutePosition is 0, html: %s", qUtf8Printable(html));
            return -1;
        }
        if (size == 0)
            return 0;
        // A "<" that begins no tag is the first visible character: the
        // position is before it, not after it.
        int i = 0;
        while (i < size && html.at(i) == QLatin1Char('<')) {
            TagInfo tag;
            if (!getTag(html, i, false, tag)) {
                qWarning("TarnolixText::getPosition: Invalid tag: %s", qUtf8Printable(html.mid(i, 30)));
                return i;
            }
            i += tag.length;
        }
        if (i < size)
            return i;
        // Only tags: no visible character to stand before.
    } else {
        int i = 0;
        int n = 0;
        while (i < size) {
            n += stepVisible(html, i, "getPosition");
            if (n == absolutePosition)
                return i;
        }
    }
    if (absolutePosition == size)
        return size;
    if (absolutePosition > size) {
        qWarning("TarnolixText::getPosition: absolutePosition(%d) > html.size(%lld)", absolutePosition,
            qint64(size));
        return -1;
    }
    qWarning("TarnolixText::getPosition: absolutePosition(%d) not found in: %s", absolutePosition,
        qUtf8Printable(html));
    return -1;
}

QString getClearText(const QString& html, int maxLength)
{
    const int size = qBound(0, maxLength, html.size());
    QString result;
    result.reserve(size);
    bool inList = false;
    bool skipping = false;
    TagInfo previous;

    int i = 0;
    while (i < size) {
        const QChar c = html.at(i);
        if (c == QLatin1Char('<')) {
            TagInfo tag;
            if (!getTag(html, i, true, tag)) {
                qWarning("TarnolixText::getClearText: Invalid tag: %s", qUtf8Printable(html.mid(i, 30)));
                result.append(c);
                ++i;
                previous = TagInfo();
                continue;
            }
            const bool opening = tag.kind == TagInfo::Opening;
            const bool closing = tag.kind == TagInfo::Closing;
            if (skipping) {
                if ((previous.kind == TagInfo::Closing && tag.name == u"ol") || tag.name == u"li")
                    breakLine(result);
                else
                    qWarning("ERROR 0xF4787416");
                skipping = false;
            } else if (tag.name == u"br") {
                result.append(QLatin1Char('\n'));
            } else {
                if (previous.kind == TagInfo::Closing && previous.name == u"p")
                    result.append(QLatin1Char('\n'));
                if (opening && tag.name == u"div") {
                    breakLine(result);
                } else if (opening && tag.name == u"ol") {
                    inList = true;
                    skipping = true;
                } else if (closing && tag.name == u"li" && inList) {
                    stripTrailingBlanks(result);
                    skipping = true;
                } else if (tag.name == u"p" && !result.isEmpty()) {
                    stripTrailingBlanks(result);
                    if (closing) {
                        result.append(QLatin1Char('\n'));
                    } else if (!result.isEmpty() && result.back() != QLatin1Char('\n')
                        && (result.size() < 2 || result.at(result.size() - 2) != QLatin1Char('\n'))) {
                        result.append(QLatin1Char('\n'));
                    }
                } else if (isHeading(tag.name)) {
                    stripTrailingBlanks(result);
                    breakLine(result);
                }
            }
            previous = tag;
            i += tag.length;
            continue;
        }
        if (skipping) {
            ++i;
            continue;
        }
        SpecialChar sc;
        if (c == QLatin1Char('&') && getHTMLSpecialChar(html, i, sc)) {
            result.append(sc.ch);
            i += sc.length;
            continue;
        }
        if (c != QLatin1Char('\n'))
            result.append(c);
        ++i;
    }
    return result;
}

void removeHtmlTags(QString& html, const QStringList& openers, const QStringList& plainTags)
{
    // One pass that compacts the string: what is kept is copied down to `out`.
    // The prefix tests read the unread text at `p`, which is exactly what the
    // string would hold at the same place after removing each tag in turn.
    const int size = html.size();
    // An opener after the last ">" has no end: it stays as it is.
    const int lastClose = html.lastIndexOf(QLatin1Char('>'));
    QChar* data = html.data();
    int out = 0;
    int p = 0;
    auto startsWith = [&](const QString& tag) {
        return size - p >= tag.size() && QStringView(data + p, tag.size()) == QStringView(tag);
    };
    while (p < size) {
        if (data[p] == QLatin1Char('<')) {
            const QString* opener = nullptr;
            for (const QString& o : openers) {
                if (startsWith(o)) {
                    opener = &o;
                    break;
                }
            }
            if (opener) {
                const int from = p + opener->size();
                const int close = from <= lastClose ? html.indexOf(QLatin1Char('>'), from) : -1;
                if (close >= 0) {
                    p = close + 1;
                    continue;
                }
            } else {
                const auto plain = std::find_if(plainTags.begin(), plainTags.end(), startsWith);
                if (plain != plainTags.end()) {
                    p += plain->size();
                    continue;
                }
            }
        }
        data[out++] = data[p++];
    }
    html.truncate(out);
}

} // namespace TarnolixText
