#pragma once
// A catalogue tree helper for the settings creator's tests: a language, a
// proxy model and checked items of the test's own, counting collections.

#include "core/Exception.h"
#include "search/searchers/CheckedItemsSource.h"

#include <QObject>

namespace tarnolix::test {

class FakeCatalogTreeHelper : public QObject, public CheckedItemsSource
{
    Q_OBJECT
    Q_INTERFACES(tarnolix::CheckedItemsSource)

public:
    using QObject::QObject;

    TarnolixConstants::Language language() const override { return catalogLanguage; }
    QObject* treeViewProxyModel() const override { return proxy; }
    void getCheckedItems(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                         std::vector<uint32_t>& bookIds, QStringList& sectionCodes) override
    {
        ++collections;
        if (failure == 1)
            throw Exception("Unknown mode(0x85761759)(9)");
        if (failure == 2)
            throw 42;
        categoryIds.insert(categoryIds.end(), categories.begin(), categories.end());
        glossaryIds.insert(glossaryIds.end(), glossaries.begin(), glossaries.end());
        bookIds.insert(bookIds.end(), books.begin(), books.end());
        sectionCodes += sections;
    }

    void setProxy(QObject* model)
    {
        proxy = model;
        emit treeViewProxyModelChanged();
    }

    TarnolixConstants::Language catalogLanguage = TarnolixConstants::Russian;
    QObject* proxy = nullptr;
    std::vector<uint32_t> categories;
    std::vector<uint32_t> glossaries;
    std::vector<uint32_t> books;
    QStringList sections;
    // 1: a program exception, 2: something else.
    int failure = 0;
    int collections = 0;

signals:
    void treeViewProxyModelChanged();
};

} // namespace tarnolix::test
