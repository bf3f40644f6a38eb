#include "tabs/TabWebChannel.h"

#include "core/Exception.h"
#include "tabs/OpenBookStatus.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtGlobal>

#include <cmath>
#include <exception>

namespace {

// The conversion of the converter page kind, which is the one to answer;
// until that page kind is built no page converts.
QString convertOnConverterPage(PageStatus& page, const QString& text, int sourceScheme, int targetScheme, bool useM)
{
    Q_UNUSED(page)
    Q_UNUSED(text)
    Q_UNUSED(sourceScheme)
    Q_UNUSED(targetScheme)
    Q_UNUSED(useM)
    throw Exception("ERROR 0x58578221");
}

// Whether the open book's page has favorites loaded.
bool openBookHasFavorites(PageStatus& page)
{
    const auto* book = qobject_cast<OpenBookStatus*>(&page);
    return book && book->favorites() && book->favorites()->hasFavorites();
}

} // namespace

TabWebChannel::TabWebChannel(TabStatus* tab, QObject* parent)
    : QObject(parent)
    , m_tab(tab)
    , m_tabId(tab->id())
{
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TabWebChannel::clipboardDataChanged);
}

QString TabWebChannel::clipboardText() const
{
    return QGuiApplication::clipboard()->text();
}

void TabWebChannel::setClipboardText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

void TabWebChannel::clipboardDataChanged()
{
    emit clipboardTextChanged();
}

int TabWebChannel::footNoteNumber(const QVariant& number)
{
    if (!number.isValid() || number.isNull() || number.userType() == QMetaType::Bool)
        return 0;
    if (number.userType() == QMetaType::QString) {
        const QString text = number.toString().trimmed();
        if (text.isEmpty())
            return 0;
        for (const QChar c : text) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return 0;
        }
        bool ok = false;
        const int value = text.toInt(&ok);
        return ok && value >= 1 ? value : 0;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0 || value > 2147483647.0 || std::floor(value) != value)
        return 0;
    return static_cast<int>(value);
}

void TabWebChannel::showFootNote(const QVariant& number, const QString& content)
{
    const int footNote = footNoteNumber(number);
    if (footNote == 0)
        return;
    tabServices().showMessage(tr("Примечание №%1").arg(footNote), content);
}

QString TabWebChannel::convertText(const QString& text, const QString& sSourceEncoding,
                                   const QString& sTargetEncoding, bool useM)
{
    try {
        PageStatus* page = m_tab->pageStatus();
        if (!page || page->type() != UrlCreator::Converter)
            throw Exception("ERROR 0x58578221");
        return convertOnConverterPage(*page, text, sSourceEncoding.toInt(nullptr, 10),
                                      sTargetEncoding.toInt(nullptr, 10), useM);
    } catch (const std::exception& e) {
        tabServices().showError(QString(), QString::fromUtf8(e.what()));
        return QString();
    }
}

bool TabWebChannel::isExistsFovoritesInOpenedBook()
{
    PageStatus* page = m_tab->pageStatus();
    return page && page->type() == UrlCreator::OpenBook && openBookHasFavorites(*page);
}

void TabWebChannel::favoriteMessageButtonClicked(const QString& favoriteUuid)
{
    qDebug("favoriteMessageButtonClicked: favoriteUuid=%s", qUtf8Printable(favoriteUuid));
    tabServices().favoriteMessageButtonClicked(favoriteUuid);
}

void TabWebChannel::favoriteFolderMenuClicked(const QString& favoriteFolderUuid)
{
    qDebug("favoriteFolderMenuClicked: favoriteFolderUuid=%s", qUtf8Printable(favoriteFolderUuid));
    tabServices().favoriteFolderMenuClicked(favoriteFolderUuid);
}

void TabWebChannel::favoriteBookMenuClicked(int bookId)
{
    qDebug("favoriteBookMenuClicked: bookId=%d", bookId);
    tabServices().favoriteBookMenuClicked(bookId);
}

void TabWebChannel::favoriteItemMenuClicked(const QString& favoriteUuid)
{
    qDebug("favoriteItemMenuClicked: favoriteUuid=%s", qUtf8Printable(favoriteUuid));
    tabServices().favoriteItemMenuClicked(favoriteUuid);
}

void TabWebChannel::favoriteExportClicked()
{
    qDebug("favoriteExportClicked");
    tabServices().favoriteExportClicked();
}

void TabWebChannel::favoriteImportClicked()
{
    qDebug("favoriteImportClicked");
    tabServices().favoriteImportClicked();
}
