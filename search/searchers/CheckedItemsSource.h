#pragma once
// What the search settings creator needs of a tab's catalogue tree helper:
// the catalogue's language, the tree's proxy model (whose check signals
// itemChecked(QModelIndex), itemUnchecked(QModelIndex), allChecked() and
// allUnchecked() tell that the checked items changed) and the checked items
// themselves. The helper is a QObject that implements this interface
// (Q_INTERFACES) and has the signal treeViewProxyModelChanged(); the
// catalogue lies above the searchers, which therefore know it only so.

#include "core/TarnolixConstants.h"

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tarnolix {

class CheckedItemsSource
{
public:
    virtual ~CheckedItemsSource() = default;

    virtual TarnolixConstants::Language language() const = 0;
    // Null while the tree has none.
    virtual QObject* treeViewProxyModel() const = 0;
    // Appends the checked categories, glossaries, books and sections of the
    // tab's catalogue. Throws on failure.
    virtual void getCheckedItems(std::vector<uint32_t>& categoryIds, std::vector<uint32_t>& glossaryIds,
                                 std::vector<uint32_t>& bookIds, QStringList& sectionCodes) = 0;
};

} // namespace tarnolix

Q_DECLARE_INTERFACE(tarnolix::CheckedItemsSource, "tarnolix.CheckedItemsSource/1.0")
