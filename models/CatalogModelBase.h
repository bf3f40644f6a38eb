#pragma once
// The common base of the catalogue trees (categories, letters, authors,
// glossaries, favorites): the six roles QML reads, which item types can be
// selected and checked, the catalogue language, the search mode of the last
// reload, a total count, and the item paths from the top of the catalogue.

#include "core/BookRecords.h"
#include "core/CatalogRecords.h"
#include "core/TarnolixConstants.h"
#include "models/TarnolixModelBase.h"

#include <QChar>
#include <QVariantList>

#include <exception>
#include <memory>
#include <utility>
#include <vector>

class CatalogModelBase : public TarnolixModelBase
{
    Q_OBJECT
    Q_PROPERTY(TarnolixConstants::Language language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(TarnolixConstants::CatalogTab mode READ catalogTab CONSTANT)
    Q_PROPERTY(int totalCount READ totalCount NOTIFY totalCountChanged)

public:
    enum Role {
        TypeRole = Qt::UserRole, // the item's CatalogItemType
        IsBookRole,
        GetIndexRole,            // the item's own index
        IdRole,                  // a number (category, book, author) or a text (section code)
        DisplayTextRole,
        BookIdRole,
    };
    Q_ENUM(Role)

    struct CatalogItem : TarnolixModelItem
    {
        TarnolixConstants::CatalogItemType type = TarnolixConstants::InvalidCatalogItemType;
    };

    struct CatalogBookItem : CatalogItem
    {
        int bookId = 0; // the book the item belongs to; 0 for none
        std::shared_ptr<const BookInfo> book;
        std::shared_ptr<const BookSection> section;

        // A book item and a section item of any catalogue item class.
        template <typename Item>
        static std::shared_ptr<Item> makeBook(std::shared_ptr<const BookInfo> book)
        {
            auto item = std::make_shared<Item>();
            item->type = TarnolixConstants::Book;
            item->bookId = book->bookId;
            item->book = std::move(book);
            return item;
        }
        // `bookId` is the parent item's: the book's at every depth.
        template <typename Item>
        static std::shared_ptr<Item> makeSection(std::shared_ptr<const BookSection> section, int bookId)
        {
            auto item = std::make_shared<Item>();
            item->type = TarnolixConstants::Section;
            item->bookId = bookId;
            item->section = std::move(section);
            return item;
        }
    };

    // Clears the connection's wait cursor for the small reads of a count (any tree
    // model's) and
    // puts the old setting back, however the count ends.
    class QuietCursor
    {
    public:
        explicit QuietCursor(const std::shared_ptr<TarnolixDB>& db);
        ~QuietCursor();
        QuietCursor(const QuietCursor&) = delete;
        QuietCursor& operator=(const QuietCursor&) = delete;

    private:
        TarnolixDB* m_db;
        bool m_saved = false;
    };

    CatalogModelBase(std::shared_ptr<TarnolixDB> db, QObject* parent);
    explicit CatalogModelBase(QObject* parent = nullptr);
    ~CatalogModelBase() override;

    virtual TarnolixConstants::CatalogTab catalogTab() const = 0;

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

    TarnolixConstants::Language language() const { return m_language; }
    void setLanguage(TarnolixConstants::Language language);
    bool searchMode() const { return m_searchMode; }
    int totalCount() const { return m_totalCount; }

    // Rebuilds the top level in the language and search mode now stored; a
    // model without a language is emptied.
    Q_INVOKABLE void reload(bool searchMode);
    // The path of the item (type, id) in this model's tab, top first, as
    // {"type", "id"} maps; empty when it cannot be built.
    Q_INVOKABLE QVariantList getParentHierarchy(const QVariant& id, TarnolixConstants::CatalogItemType type);
    // The same path read from the loaded tree above `index`.
    Q_INVOKABLE QVariantList getParentHierarchyByIndex(const QModelIndex& index) const;

signals:
    void languageChanged();
    void totalCountChanged();

protected:
    void setTotalCount(int count);

    // The connection the hooks read through; throws when the model has none.
    TarnolixDB& db() const;

    // What a loading hook does with a failure it caught. A model on the GUI
    // thread tells the reader "Ошибка при загрузке каталога: %1" and answers
    // true; a model another thread made for a walk of its own (the library
    // update's) answers false, and the hook rethrows so that the walk stops
    // and its run fails instead of going on over a half-read tree.
    bool showLoadError(const std::exception& error) const;
    // The untranslated notice showLoadError gives, with %1 for the failure;
    // translated in the context of the model's class name.
    virtual const char* loadErrorText() const;

    // The hooks' bodies run inside these. A failure is handled as
    // showLoadError says; the roots read so far stay, and a node keeps
    // nothing below it (no children, no count known), so the next access
    // counts or loads it again and the row count never promises children
    // that index() cannot give.
    template <typename Read>
    void guardRoots(Read&& read)
    {
        try {
            read();
        } catch (const std::exception& e) {
            if (!showLoadError(e))
                throw;
        }
    }
    // `count` answers the number of children; no wait cursor shows meanwhile.
    template <typename Count>
    void guardCount(const TreeModelItemPtr& item, Count&& count) const
    {
        const QuietCursor quiet(database());
        try {
            item->childCount = count();
            item->state |= TreeModelItem::CountKnown;
        } catch (const std::exception& e) {
            forgetChildren(item);
            if (!showLoadError(e))
                throw;
        }
    }
    // `load` fills the item's emptied child list.
    template <typename Load>
    void guardLoad(const TreeModelItemPtr& item, Load&& load) const
    {
        try {
            item->children.clear();
            load();
            item->childCount = int(item->children.size());
            item->state |= TreeModelItem::CountKnown | TreeModelItem::ChildrenLoaded;
        } catch (const std::exception& e) {
            forgetChildren(item);
            if (!showLoadError(e))
                throw;
        }
    }
    static void forgetChildren(const TreeModelItemPtr& item);
    // A hook's item as the model's own item class; throws "Invalid type" for
    // any other.
    template <typename Item>
    static std::shared_ptr<Item> itemAs(const TreeModelItemPtr& item)
    {
        auto own = std::dynamic_pointer_cast<Item>(item);
        if (!own)
            throwInvalidType();
        return own;
    }
    [[noreturn]] static void throwInvalidType();
    // Appends `child` to `parent`'s children.
    static void adopt(const TreeModelItemPtr& parent, TreeModelItemPtr child);

    // The name in the model's language; empty (never null) when it has none
    // there.
    QString nameInLanguage(const LanguageNames& names) const;

    // For data() and flags(): the item behind `index` when it is an Item.
    // Views ask them for every row they show, so only the index's own fields
    // are checked, not its place under its parents (a walk up to the root).
    template <typename Item = CatalogItem>
    std::shared_ptr<Item> catalogItem(const QModelIndex& index) const
    {
        return std::dynamic_pointer_cast<Item>(
            getItem(index, CheckIndexOption::IndexIsValid | CheckIndexOption::DoNotUseParent));
    }

private:
    TarnolixConstants::Language m_language = TarnolixConstants::InvalidLanguage;
    bool m_searchMode = false;
    int m_totalCount = -1;
};

// The base of the trees that group their entries under first letters.
class CatalogLettersModel : public CatalogModelBase
{
    Q_OBJECT

public:
    // One item class for letters, books and sections; the authors' items
    // derive from it.
    struct LetterItem : CatalogBookItem
    {
        QChar letter; // null unless the item is a letter

        template <typename Item = LetterItem>
        static std::shared_ptr<Item> makeLetter(QChar letter)
        {
            auto item = std::make_shared<Item>();
            item->type = TarnolixConstants::Letter;
            item->letter = letter;
            return item;
        }
    };

    explicit CatalogLettersModel(QObject* parent = nullptr);
    ~CatalogLettersModel() override;

protected:
    // The sections below a book or a section item, as section items: counted
    // and loaded alike, so a row count shown before expanding matches.
    int countSections(const LetterItem& item) const;
    // Appends the section items to `parent`'s children.
    template <typename Item>
    void loadSections(const TreeModelItemPtr& parent, const LetterItem& item) const
    {
        const auto sections = sectionsBelow(item);
        parent->children.reserve(sections.size());
        for (const auto& section : sections)
            adopt(parent, CatalogBookItem::makeSection<Item>(section, item.bookId));
    }
    // The roles of a letter, book or section row; an invalid value for any
    // other item and role.
    QVariant letterItemData(const LetterItem& item, int role) const;

private:
    std::vector<std::shared_ptr<BookSection>> sectionsBelow(const LetterItem& item) const;
};
