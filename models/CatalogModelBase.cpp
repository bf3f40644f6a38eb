#include "models/CatalogModelBase.h"

#include "core/Exception.h"
#include "database/ItemPathBuilder.h"
#include "database/TarnolixDB.h"
#include "pages/PageServices.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

using C = TarnolixConstants;

namespace {

bool onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The reader's error notice of the application object, or the log when no
// application services are installed.
void showReaderError(const QString& message)
{
    if (PageServices* services = PageServices::current()) {
        services->showError(message);
        return;
    }
    qCritical("%s", qUtf8Printable(message));
}

} // namespace

CatalogModelBase::CatalogModelBase(std::shared_ptr<TarnolixDB> db, QObject* parent)
    : TarnolixModelBase(std::move(db), parent)
{
}

CatalogModelBase::CatalogModelBase(QObject* parent)
    : TarnolixModelBase(parent)
{
}

CatalogModelBase::~CatalogModelBase() = default;

Qt::ItemFlags CatalogModelBase::flags(const QModelIndex& index) const
{
    const std::shared_ptr<CatalogItem> item = catalogItem(index);
    if (!item)
        return Qt::NoItemFlags;
    switch (item->type) {
    case C::Letter:
    case C::Category:
    case C::Author:
    case C::Book:
    case C::Section:
    case C::Glossary:
    case C::FavoriteFolder:
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    default:
        return Qt::NoItemFlags;
    }
}

QHash<int, QByteArray> CatalogModelBase::roleNames() const
{
    static const QHash<int, QByteArray> names{
        {TypeRole, "type"},   {IsBookRole, "isBook"},         {GetIndexRole, "getIndex"},
        {IdRole, "id"},       {DisplayTextRole, "display"},   {BookIdRole, "bookId"},
    };
    return names;
}

void CatalogModelBase::setLanguage(C::Language language)
{
    if (language == m_language)
        return;
    m_language = language;
    emit languageChanged();
}

void CatalogModelBase::setTotalCount(int count)
{
    if (count == m_totalCount)
        return;
    m_totalCount = count;
    emit totalCountChanged();
}

void CatalogModelBase::reload(bool searchMode)
{
    qDebug("CatalogModelBase::reload");
    m_searchMode = searchMode;
    if (m_language == C::InvalidLanguage) {
        qWarning("CatalogModelBase::reload: invalid language ERROR 0x5478F416");
        clear();
        return;
    }
    TreeModelBase::loadRootItems();
}

QVariantList CatalogModelBase::getParentHierarchy(const QVariant& id, C::CatalogItemType type)
{
    try {
        return hierarchyItemsToVariant(buildItemPath(db(), m_language, catalogTab(), type, id));
    } catch (const std::exception& e) {
        qWarning("getParentHierarchy: Error: %s", e.what());
        return {};
    }
}

QVariantList CatalogModelBase::getParentHierarchyByIndex(const QModelIndex& index) const
{
    QVariantList path;
    path.reserve(10);
    for (QModelIndex current = index; current.isValid(); current = parent(current)) {
        const QVariant type = data(current, TypeRole);
        const QVariant id = data(current, IdRole);
        if (!type.isValid() || !id.isValid())
            break;
        path.append(QVariantMap{{QStringLiteral("type"), type}, {QStringLiteral("id"), id}});
    }
    std::reverse(path.begin(), path.end());
    return path;
}

TarnolixDB& CatalogModelBase::db() const
{
    if (!database())
        throw Exception("The account library is not open");
    return *database();
}

CatalogModelBase::QuietCursor::QuietCursor(const std::shared_ptr<TarnolixDB>& db)
    : m_db(db.get())
{
    if (!m_db)
        return;
    m_saved = m_db->waitCursorOnTransaction();
    m_db->setWaitCursorOnTransaction(false);
}

CatalogModelBase::QuietCursor::~QuietCursor()
{
    if (m_db)
        m_db->setWaitCursorOnTransaction(m_saved);
}

bool CatalogModelBase::showLoadError(const std::exception& error) const
{
    if (!onGuiThread())
        return false;
    showReaderError(QCoreApplication::translate(metaObject()->className(), loadErrorText())
                        .arg(QString::fromUtf8(error.what())));
    return true;
}

const char* CatalogModelBase::loadErrorText() const
{
    return "Ошибка при загрузке каталога: %1";
}

void CatalogModelBase::forgetChildren(const TreeModelItemPtr& item)
{
    item->children.clear();
    item->childCount = 0;
    item->state &= ~(TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded);
}

void CatalogModelBase::throwInvalidType()
{
    throw Exception("Invalid type");
}

void CatalogModelBase::adopt(const TreeModelItemPtr& parent, TreeModelItemPtr child)
{
    child->parent = parent;
    parent->children.push_back(std::move(child));
}

QString CatalogModelBase::nameInLanguage(const LanguageNames& names) const
{
    const auto it = names.find(m_language);
    return it == names.end() || it->second.isNull() ? QStringLiteral("") : it->second;
}

// ---- CatalogLettersModel

CatalogLettersModel::CatalogLettersModel(QObject* parent)
    : CatalogModelBase(parent)
{
}

CatalogLettersModel::~CatalogLettersModel() = default;

int CatalogLettersModel::countSections(const LetterItem& item) const
{
    if (item.type == C::Book)
        return db().selectChildSectionsCount(item.bookId, language(), QString());
    if (item.type == C::Section && item.section)
        return db().selectChildSectionsCount(item.bookId, language(), item.section->code);
    throwInvalidType();
}

std::vector<std::shared_ptr<BookSection>> CatalogLettersModel::sectionsBelow(const LetterItem& item) const
{
    if (item.type == C::Book)
        return db().selectChildSections(item.bookId, language(), QString());
    if (item.type == C::Section && item.section)
        return db().selectChildSections(item.bookId, language(), item.section->code);
    throwInvalidType();
}

QVariant CatalogLettersModel::letterItemData(const LetterItem& item, int role) const
{
    const bool letter = item.type == C::Letter;
    const bool book = item.type == C::Book && item.book;
    const bool section = item.type == C::Section && item.section;
    if (!letter && !book && !section)
        return {};
    switch (role) {
    case TypeRole:
        return int(item.type);
    case IsBookRole:
        return book;
    case IdRole:
        if (letter)
            return QVariant(item.letter);
        return book ? QVariant(item.bookId) : QVariant(item.section->code);
    case Qt::DisplayRole:
    case DisplayTextRole:
        if (letter)
            return QString(item.letter);
        return book ? item.book->shortName : item.section->name;
    case BookIdRole:
        return letter ? QVariant() : QVariant(item.bookId);
    default:
        return {};
    }
}
