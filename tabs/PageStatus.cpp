#include "tabs/PageStatus.h"

#include "pages/PageServices.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QtGlobal>

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

QString PageStatus::escapeJS(const QString& text)
{
    const int reserveSize = static_cast<int>(text.size() * 1.3);
    QString o;
    o.reserve(reserveSize);
    for (const QChar c : text) {
        const ushort code = c.unicode();
        switch (code) {
        case '\b':
            o += QLatin1String("\\b");
            break;
        case '\t':
            o += QLatin1String("\\t");
            break;
        case '\n':
            o += QLatin1String("\\n");
            break;
        case '\f':
            o += QLatin1String("\\f");
            break;
        case '\r':
            o += QLatin1String("\\r");
            break;
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
            o += QLatin1Char('\\');
            o += c;
            break;
        default:
            if (code < 32)
                o += QStringLiteral("\\u%1").arg(code, 4, 16, QLatin1Char('0'));
            else
                o += c;
        }
    }
    if (reserveSize < o.size())
        qWarning("escapeJS: reserveSize < o.size(): %d<%lld", reserveSize, static_cast<long long>(o.size()));
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
