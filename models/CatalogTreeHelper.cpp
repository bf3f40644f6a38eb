#include "models/CatalogTreeHelper.h"

#include "core/Exception.h"
#include "core/ItemPath.h"
#include "core/TextNormalization.h"
#include "models/CatalogModelBase.h"
#include "models/CatalogTreeCheckerMngr.h"
#include "models/TreeViewProxyModel.h"

#include <QColor>
#include <QTimerEvent>

using C = TarnolixConstants;

CatalogTreeHelper::CatalogTreeHelper(QObject* parent)
    : CatalogTreeHelper(nullptr, nullptr, parent)
{
}

CatalogTreeHelper::CatalogTreeHelper(QThread* workerThread, std::shared_ptr<TarnolixDB> workerDb, QObject* parent)
    : QObject(parent)
    , m_prefix(QStringLiteral("<font color=\"%1\">").arg(QColor(201, 156, 102).name()))
    , m_suffix(QStringLiteral("</font>"))
    , m_checker(new CatalogTreeCheckerMngr(this, workerThread, std::move(workerDb)))
{
}

CatalogTreeHelper::~CatalogTreeHelper() = default;

void CatalogTreeHelper::setTabStatus(TabStatus* tab)
{
    if (m_tab)
        disconnect(m_tab, nullptr, this, nullptr);
    m_tab = tab;
    if (tab) {
        connect(tab, &TabStatus::pageStatusChanged, this, &CatalogTreeHelper::pageStatusChanged);
        connect(tab, &TabStatus::urlChanged, this, &CatalogTreeHelper::startTimerReloadParentHierarchy);
        connect(tab, &TabStatus::itemPathChanged, this, &CatalogTreeHelper::startTimerReloadParentHierarchy);
    }
    connectOpenBookPage();
    emit tabStatusChanged();
    startTimerReloadParentHierarchy();
}

void CatalogTreeHelper::setLanguage(C::Language language)
{
    if (m_language != language) {
        m_language = language;
        rebuildVariants();
        emit languageChanged();
    }
    m_checker->setLanguage(language);
}

void CatalogTreeHelper::setSearchMode(bool on)
{
    if (m_searchMode == on)
        return;
    m_searchMode = on;
    emit searchModeChanged();
}

void CatalogTreeHelper::setSearchText(const QString& text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    try {
        rebuildVariants();
    } catch (const std::exception& e) {
        qWarning("CatalogTreeHelper: %s", e.what());
    }
    emit searchTextChanged();
}

CatalogModelBase* CatalogTreeHelper::catalogModel() const
{
    return m_model;
}

void CatalogTreeHelper::setCatalogModel(CatalogModelBase* model)
{
    if (m_model != model) {
        m_model = model;
        emit catalogModelChanged();
    }
    m_checker->setModel(model);
}

QObject* CatalogTreeHelper::treeViewProxyModel() const
{
    return m_proxy;
}

void CatalogTreeHelper::setTreeViewProxyModelObject(QObject* proxy)
{
    setTreeViewProxyModel(qobject_cast<TreeViewProxyModel*>(proxy));
}

void CatalogTreeHelper::setTreeViewProxyModel(TreeViewProxyModel* proxy)
{
    if (m_proxy != proxy) {
        m_proxy = proxy;
        emit treeViewProxyModelChanged();
    }
    m_checker->setProxyModel(proxy);
}

void CatalogTreeHelper::rebuildVariants()
{
    m_variants.clear();
    if (m_searchText.isEmpty())
        return;
    for (const QString& variant : {m_searchText, transliterateText(m_language, m_searchText),
                                   removeDiacritics(m_language, m_searchText)})
        if (!variant.isEmpty() && !m_variants.contains(variant))
            m_variants << variant;
}

QString CatalogTreeHelper::processText(const QString& text) const
{
    if (!m_searchMode || m_variants.isEmpty() || text.isEmpty())
        return text;
    try {
        const QString candidates[] = {text, transliterateText(m_language, text), removeDiacritics(m_language, text)};
        for (const QString& candidate : candidates) {
            // Positions in a form of another length would not be the text's.
            if (candidate.size() != text.size())
                continue;
            for (const QString& variant : m_variants) {
                int at = candidate.indexOf(variant);
                if (at < 0)
                    continue;
                // Names come from the server: every copied piece is escaped
                // so that only the highlight tags are markup.
                QString result;
                result.reserve(text.size() + 2 * (m_prefix.size() + m_suffix.size()));
                int from = 0;
                while (at >= 0) {
                    result += text.mid(from, at - from).toHtmlEscaped();
                    result += m_prefix;
                    result += text.mid(at, variant.size()).toHtmlEscaped();
                    result += m_suffix;
                    from = at + variant.size();
                    at = candidate.indexOf(variant, from);
                }
                result += text.mid(from).toHtmlEscaped();
                return result;
            }
        }
    } catch (const std::exception& e) {
        qWarning("Process text error: %s", e.what());
    }
    // Shown as styled text all the same.
    return text.toHtmlEscaped();
}

bool CatalogTreeHelper::isExistsInParentHierarchy(const QVariant& id, int type) const
{
    switch (type) {
    case C::InvalidCatalogItemType:
        return false;
    case C::Letter: {
        const QString text = id.toString();
        return !text.isEmpty() && text.at(0) == m_letter;
    }
    case C::Category:
        return m_categories.contains(id.toInt());
    case C::Author:
        return id.toInt() == m_authorId;
    case C::Book:
        return id.toInt() == m_bookId;
    case C::Section:
        return m_sections.contains(id.toString());
    case C::FavoriteFolder:
        return m_folders.contains(id.toString());
    default:
        qWarning("CatalogTreeHelper::isExistsInParentHierarchy: Entity not supported!");
        return false;
    }
}

void CatalogTreeHelper::pageStatusChanged()
{
    connectOpenBookPage();
}

// The open book's page kind tells when the catalogue tab it was opened from
// changes; the page kind is found by its members.
void CatalogTreeHelper::connectOpenBookPage()
{
    disconnect(m_pageConnection);
    m_pageConnection = {};
    PageStatus* page = m_tab ? m_tab->pageStatus() : nullptr;
    if (!page || page->type() != UrlCreator::OpenBook)
        return;
    const QMetaObject* meta = page->metaObject();
    const int signal = meta->indexOfSignal("bookOfCatalogChanged()");
    if (signal < 0)
        return;
    m_pageConnection =
        connect(page, meta->method(signal), this,
                metaObject()->method(metaObject()->indexOfSlot("startTimerReloadParentHierarchy()")));
}

void CatalogTreeHelper::startTimerReloadParentHierarchy()
{
    if (m_reloadTimer == 0)
        m_reloadTimer = startTimer(0, Qt::CoarseTimer);
}

void CatalogTreeHelper::stopTimerReloadParentHierarchy()
{
    if (m_reloadTimer != 0) {
        killTimer(m_reloadTimer);
        m_reloadTimer = 0;
    }
}

void CatalogTreeHelper::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_reloadTimer || m_reloadTimer == 0) {
        qWarning("Unknown timer(0x56876954)");
        return;
    }
    reloadParentHierarchy();
    stopTimerReloadParentHierarchy();
}

void CatalogTreeHelper::reloadParentHierarchy()
{
    const int before = m_parentHierarchyCount;
    m_parentHierarchyCount = 0;
    try {
        readParentHierarchy();
    } catch (const std::exception& e) {
        qWarning("reloadParentHierarchyItems error: %s", e.what());
        // A path read halfway selects nothing.
        clearParentHierarchy();
        m_parentHierarchyCount = 0;
    }
    if (m_parentHierarchyCount != 0 || before != 0)
        emit parentHierarchyCountChanged();
}

void CatalogTreeHelper::clearParentHierarchy()
{
    m_categories.clear();
    m_folders.clear();
    m_sections.clear();
    m_letter = QChar();
    m_authorId = 0;
    m_bookId = 0;
}

void CatalogTreeHelper::readParentHierarchy()
{
    clearParentHierarchy();
    if (!m_model)
        throw Exception("catalogModel=0");
    if (!m_tab)
        return;
    switch (m_tab->pageType()) {
    case UrlCreator::OpenBook:
        if (m_tab->language() != m_tab->pageLanguage() || bookOfCatalog() != m_model->catalogTab())
            return;
        break;
    case UrlCreator::Favorites:
        break;
    default:
        return;
    }
    for (const HierarchyItem& item : hierarchyItemsFromVariant(m_tab->itemPath())) {
        switch (item.first) {
        case C::InvalidCatalogItemType:
            throw Exception("Unknown error 0x77995896");
        case C::Letter: {
            const QString text = item.second.toString();
            m_letter = text.isEmpty() ? QChar() : text.at(0).toUpper();
            break;
        }
        case C::Category:
            m_categories.insert(item.second.toInt());
            break;
        case C::Author:
            m_authorId = item.second.toInt();
            break;
        case C::Book:
            m_bookId = item.second.toInt();
            break;
        case C::Section:
            m_sections.insert(item.second.toString());
            break;
        case C::FavoriteFolder:
            m_folders.insert(item.second.toString());
            break;
        case C::SRItemId:
        case C::Glossary:
        case C::FavoriteItemId:
            break;
        default:
            throw Exception(QStringLiteral("Unknown error 0x77995897 (%1)").arg(int(item.first)));
        }
    }
    m_parentHierarchyCount = m_categories.size() + m_folders.size() + m_sections.size() + (m_letter.isNull() ? 0 : 1) +
                             (m_authorId ? 1 : 0) + (m_bookId ? 1 : 0);
}

// The catalogue tab the open book was opened from: its page kind's when that
// tells it, else the one its URL names.
C::CatalogTab CatalogTreeHelper::bookOfCatalog() const
{
    if (PageStatus* page = m_tab->pageStatus()) {
        const QVariant own = page->property("bookOfCatalog");
        if (own.isValid())
            return C::CatalogTab(own.toInt());
    }
    return m_tab->bookOfCatalog();
}

void CatalogTreeHelper::loadSavedCheckStates()
{
    m_checkStates = m_checker->checkStates();
    if (!m_proxy)
        return;
    const bool blocked = m_proxy->blockSignals(true);
    for (int row = 0; row < m_proxy->rowCount(); ++row)
        restoreRow(m_proxy->index(row, 0));
    m_proxy->blockSignals(blocked);
}

void CatalogTreeHelper::restoreRow(const QModelIndex& proxyIndex)
{
    const QVariant id = m_proxy->data(proxyIndex, CatalogModelBase::IdRole);
    const int type = m_proxy->data(proxyIndex, CatalogModelBase::TypeRole).toInt();
    int state;
    {
        std::lock_guard<std::mutex> lock(m_checkStates->mutex);
        state = m_checkStates->checkState(type, id);
    }
    if (state == Qt::Checked) {
        m_proxy->setCheckState(proxyIndex, Qt::Checked);
    } else if (state == Qt::PartiallyChecked) {
        const int before = m_proxy->rowCount();
        const int row = proxyIndex.row();
        m_proxy->expand(proxyIndex);
        const int inserted = m_proxy->rowCount() - before;
        for (int child = row + 1; child <= row + inserted; ++child)
            restoreRow(m_proxy->index(child, 0));
        m_proxy->collapse(m_proxy->index(row, 0));
    }
}

void CatalogTreeHelper::getCheckedItems(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                                        std::vector<uint32_t>& bookIds, QStringList& sectionCodes)
{
    m_checker->getCheckedItems(categoryIds, glossaryIds, bookIds, sectionCodes);
}
