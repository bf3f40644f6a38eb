#include "tabs/PageStatus.h"

#include "pages/PageServices.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QtGlobal>

#include <limits>
#include <stdexcept>

PageStatus::PageStatus(QObject* parent)
    : QObject(parent)
{
}

PageStatus::PageStatus(const QString& title, QObject* parent)
    : QObject(parent)
    , m_tabTitle(title)
{
}

PageStatus::~PageStatus() = default;

TabStatus* PageStatus::tabStatus() const
{
    return m_tabStatus;
}

void PageStatus::setTabStatus(TabStatus* tabStatus)
{
    if (tabStatus == m_tabStatus)
        return;
    m_tabStatus = tabStatus;
    emit tabStatusChanged();
}

void PageStatus::setTabTitle(const QString& title)
{
    if (title == m_tabTitle)
        return;
    m_tabTitle = title;
    emit tabTitleChanged();
}

UrlCreator::QueryType PageStatus::type() const
{
    return UrlCreator::InvalidQuery;
}

void PageStatus::initialize()
{
}

void PageStatus::initializePage()
{
}

namespace {

// What one UTF-16 unit becomes in the escaped text, as its extra length: 0
// when copied as it is, 1 for a backslash escape, 5 for \uXXXX.
inline int escapeGrowth(ushort code)
{
    if (code < 32) {
        switch (code) {
        case '\b':
        case '\t':
        case '\n':
        case '\f':
        case '\r':
            return 1;
        default:
            return 5;
        }
    }
    switch (code) {
    case '"':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case '.':
    case '?':
    case '[':
    case '\\':
    case '^':
    case '|':
        return 1;
    default:
        return 0;
    }
}

} // namespace

QString PageStatus::escapeJS(const QString& text)
{
    const int reserveSize = static_cast<int>(text.size() * 1.3);
    // Sections run to tens of kilobytes: measure first, then fill one buffer
    // of the exact size, and hand the text back shared when nothing changes.
    const ushort* in = text.utf16();
    const int inSize = text.size();
    qint64 outSize = inSize;
    for (int i = 0; i < inSize; ++i)
        outSize += escapeGrowth(in[i]);
    if (outSize > std::numeric_limits<int>::max())
        throw std::length_error("escapeJS: the escaped text is too long");
    if (reserveSize < outSize)
        qWarning("escapeJS: reserveSize < o.size(): %d<%lld", reserveSize, static_cast<long long>(outSize));
    if (outSize == inSize)
        return text;

    static const char kHex[] = "0123456789abcdef";
    QString o(static_cast<int>(outSize), Qt::Uninitialized);
    QChar* out = o.data();
    for (int i = 0; i < inSize; ++i) {
        const ushort code = in[i];
        switch (escapeGrowth(code)) {
        case 0:
            *out++ = QChar(code);
            break;
        case 1:
            *out++ = QLatin1Char('\\');
            switch (code) {
            case '\b':
                *out++ = QLatin1Char('b');
                break;
            case '\t':
                *out++ = QLatin1Char('t');
                break;
            case '\n':
                *out++ = QLatin1Char('n');
                break;
            case '\f':
                *out++ = QLatin1Char('f');
                break;
            case '\r':
                *out++ = QLatin1Char('r');
                break;
            default:
                *out++ = QChar(code);
            }
            break;
        default:
            *out++ = QLatin1Char('\\');
            *out++ = QLatin1Char('u');
            *out++ = QLatin1Char('0');
            *out++ = QLatin1Char('0');
            *out++ = QLatin1Char(kHex[code >> 4]);
            *out++ = QLatin1Char(kHex[code & 0xf]);
        }
    }
    return o;
}

void PageStatus::showError(const QString& message)
{
    if (TabServices* services = TabServices::current())
        services->postShowError(message);
    else
        qCritical("showError: %s", qUtf8Printable(message));
}

std::shared_ptr<const HTMLCreator> PageStatus::htmlCreator()
{
    PageServices* services = PageServices::current();
    return services ? services->htmlCreator() : nullptr;
}

// Compiled here, where TabStatus is complete (the property's type).
#include "moc_PageStatus.cpp"
