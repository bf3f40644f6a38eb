#pragma once
// A small library for the addressing tests, installed as the GUI thread's
// library through FakePageServices.
//
// Categories 3 > 5. Book 77 "Дипа-самхита" (Russian, English) in category 5
// by author 10; its sections carry no stored numbers, so names and slugs
// give their verses. Book 78 only in English, in no category. Book 79
// (Russian, English) in no category; its English edition has two sections
// that hold verse 4.2.

#include "core/Exception.h"
#include "tests/database/CatalogFixture.h"
#include "tests/pages/FakePageServices.h"
#include "tests/pages/FakeSearchFamilies.h"

#include <functional>

namespace tarnolix::test {

class BookLibraryFixture : public CatalogFixture
{
protected:
    static constexpr TarnolixConstants::Language kRu = TarnolixConstants::Russian;
    static constexpr TarnolixConstants::Language kEn = TarnolixConstants::English;

    void SetUp() override
    {
        CatalogFixture::SetUp();
        services.db = db;
        db->execSql(QStringLiteral("INSERT INTO Categories(id, parentId, [left], leftEn, name_ru, name_en) VALUES"
                                   "(3, NULL, 1, 1, 'Писания', 'Scriptures'), "
                                   "(5, 3, 2, 2, 'Самхиты', 'Samhitas')"));
        db->execSql(QStringLiteral("INSERT INTO Persons(id, spiritalName_ru, spiritalNameLC_ru, spiritalName_en, "
                                   "spiritalNameLC_en) VALUES(10, 'Вьяса', 'вьяса', 'Vyasa', 'vyasa')"));

        addBook(77, "dipa-samhita", {{kRu, "Дипа-самхита"}, {kEn, "Dipa Samhita"}});
        link("BookBaseCategories", "categoryId", 77, 5);
        link("BookBaseAuthors", "authorId", 77, 10);
        addSection(kRu, 77, "r-intro", "", "intro", "Введение");
        addSection(kRu, 77, "r-2", "", "glava-2", "Глава 2");
        addSection(kRu, 77, "r-2-13", "r-2", "glava-2.stikh-13", "2.13");
        addSection(kRu, 77, "r-3", "", "glava-3", "Глава 3");
        addSection(kRu, 77, "r-3-5", "r-3", "glava-3.stikh-5-7", "Стихи 5-7");
        addSection(kRu, 77, "r-1-5", "", "odin-pyat", " 1.5 ");
        addSection(kRu, 77, "r-9-1", "", "glava-9.stikh-1", "9.1");
        addSection(kEn, 77, "e-intro", "", "intro", "Introduction");
        addSection(kEn, 77, "e-2", "", "chapter-2", "Chapter 2");
        addSection(kEn, 77, "e-2-12", "e-2", "chapter-2.verses-12-14", "2.12-14");
        addSection(kEn, 77, "e-3", "", "chapter-3", "Chapter 3");
        addSection(kEn, 77, "e-3-5", "e-3", "chapter-3.verses-5-6", "3.5-6");
        addSection(kEn, 77, "e-1-5", "", "one-five", "1.5");

        addBook(78, "only-english", {{kEn, "Only English"}});
        addSection(kEn, 78, "x-1", "", "chapter-1", "Chapter 1");
        addSection(kEn, 78, "x-1-2", "x-1", "chapter-1.verse-2", "1.2");

        addBook(79, "tika", {{kRu, "Тика"}, {kEn, "Tika"}});
        addSection(kRu, 79, "t-4-2", "", "glava-4.stikh-2", "4.2");
        addSection(kRu, 79, "t-5-1", "", "glava-5.stikh-1", "5.1");
        addSection(kEn, 79, "u-4-1", "", "chapter-4.verses-1-3", "4.1-3");
        addSection(kEn, 79, "u-4-2", "", "chapter-4.verse-2", "4.2");
        addSection(kEn, 79, "u-5-1", "", "chapter-5.verse-1", "5.1");
    }

    void addBook(int id, const char* slug, const std::vector<std::pair<TarnolixConstants::Language, const char*>>& names)
    {
        db->execSql(QStringLiteral("INSERT INTO BookBase(id, slug, name) VALUES(?, ?, ?)"),
                    QVariantList{id, QString::fromUtf8(slug), QString::fromUtf8(slug)});
        for (const auto& [language, name] : names)
            addBookInfo(language, id, QString::fromUtf8(name));
    }

    void addSection(TarnolixConstants::Language language, int bookId, const char* code, const char* parent,
                    const char* slug, const char* name)
    {
        db->execSql(QStringLiteral("INSERT INTO BookSections%1(code, bookId, parentCode, slug, name, title) "
                                   "VALUES(?, ?, ?, ?, ?, ?)")
                        .arg(static_cast<int>(language)),
                    QVariantList{QString::fromUtf8(code), bookId,
                                 *parent ? QVariant(QString::fromUtf8(parent)) : QVariant(QVariant::String),
                                 QString::fromUtf8(slug), QString::fromUtf8(name), QString::fromUtf8(name)});
    }

    static UrlCreatorImpl request(UrlCreator::QueryType kind, TarnolixConstants::Language language, HierarchyItems items,
                                  TarnolixConstants::CatalogTab tab = TarnolixConstants::InvalidCatalogTab)
    {
        UrlCreatorImpl r;
        r.setQueryType(kind);
        r.setLanguage(language);
        r.setCatalogTab(tab);
        r.setItemPathItems(std::move(items));
        r.setTabId(6);
        return r;
    }

    // The operation's error text; the request must be left as it was.
    static QString failure(UrlCreatorImpl& r, const std::function<void(UrlCreatorImpl&)>& operation)
    {
        const QString before = describe(r);
        try {
            operation(r);
        } catch (const Exception& e) {
            EXPECT_EQ(describe(r), before);
            return e.message();
        }
        return QStringLiteral("(nothing thrown)");
    }

    static QString path(const UrlCreatorImpl& r)
    {
        return parentHierarchyItemsToPath(r.itemPathItems(), r.queryType() == UrlCreator::OpenBookSlug);
    }

    FakePageServices services;
};

} // namespace tarnolix::test
