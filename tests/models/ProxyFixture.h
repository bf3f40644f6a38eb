#pragma once
// A tree view proxy over a fake tree model, both under model testers, with a
// readable text of the list: one word per row, "." per depth level, "/" when
// expanded, "=x" Checked and "=~" PartiallyChecked, e.g. "A/=~ .A1=x .A2 B".

#include "models/TreeViewProxyModel.h"
#include "tests/models/FakeTreeModel.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <memory>

namespace tarnolix::test {

// The readable text of a proxy's rows (see above).
inline QString proxyRows(const TreeViewProxyModel& proxy)
{
    QStringList words;
    for (int r = 0; r < proxy.rowCount(); ++r) {
        const QModelIndex i = proxy.index(r, 0);
        QString word = QString(proxy.data(i, TreeViewProxyModel::DepthRole).toInt(), '.')
            + proxy.data(i, Qt::DisplayRole).toString();
        if (proxy.data(i, TreeViewProxyModel::IsExpandedRole).toBool())
            word += '/';
        const int state = proxy.data(i, TreeViewProxyModel::CheckStateRole).toInt();
        word += state == Qt::Checked ? "=x" : state == Qt::PartiallyChecked ? "=~" : "";
        words << word;
    }
    return words.join(' ');
}

struct ProxyFixture
{
    explicit ProxyFixture(std::vector<FakeNodePtr> roots)
        : source(std::move(roots))
    {
        source.loadRootItems();
        sourceTester = std::make_unique<QAbstractItemModelTester>(
            &source, QAbstractItemModelTester::FailureReportingMode::Fatal);
        proxy.setSourceModel(&source);
        proxyTester = std::make_unique<QAbstractItemModelTester>(
            &proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    QString rows() const { return proxyRows(proxy); }

    // The row showing the node of that name.
    QModelIndex row(const QString& name) const
    {
        for (int r = 0; r < proxy.rowCount(); ++r)
            if (proxy.data(proxy.index(r, 0), Qt::DisplayRole).toString() == name)
                return proxy.index(r, 0);
        ADD_FAILURE() << "no row " << name.toStdString();
        return {};
    }

    void expand(const QStringList& names)
    {
        for (const QString& name : names)
            proxy.expand(row(name));
    }

    QModelIndex sourceOf(const QString& name) const { return proxy.mapToSource(row(name)); }

    FakeTreeModel source;
    TreeViewProxyModel proxy;
    std::unique_ptr<QAbstractItemModelTester> sourceTester;
    std::unique_ptr<QAbstractItemModelTester> proxyTester;
};

} // namespace tarnolix::test
