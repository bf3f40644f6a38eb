// A long random run of expansions, collapses, checks and source changes,
// comparing the list after every step with a plain recursive model of the
// same rules: a tree of rows, each expanded or not, with its check state and
// (while it is worth remembering) its children.

#include "tests/core/LogCapture.h"
#include "tests/support/QtPrinters.h"
#include "tests/models/ProxyFixture.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace tarnolix::test;

namespace {

struct NaiveRow
{
    explicit NaiveRow(FakeNode* n)
        : node(n)
    {
    }

    FakeNode* node;
    bool expanded = false;
    int check = Qt::Unchecked;
    std::vector<NaiveRow> children; // shown while expanded, remembered while collapsed
};

struct Shown
{
    NaiveRow* row;
    std::vector<NaiveRow*> ancestors; // nearest last
};

class NaiveTree
{
public:
    explicit NaiveTree(const std::vector<FakeNodePtr>& roots)
    {
        for (const FakeNodePtr& n : roots)
            m_roots.push_back(NaiveRow(n.get()));
    }

    std::vector<Shown> shown()
    {
        std::vector<Shown> list;
        std::vector<NaiveRow*> path;
        std::function<void(std::vector<NaiveRow>&)> walk = [&](std::vector<NaiveRow>& rows) {
            for (NaiveRow& row : rows) {
                list.push_back({&row, path});
                if (row.expanded) {
                    path.push_back(&row);
                    walk(row.children);
                    path.pop_back();
                }
            }
        };
        walk(m_roots);
        return list;
    }

    QString text()
    {
        QStringList words;
        for (const Shown& s : shown()) {
            QString word = QString(int(s.ancestors.size()), '.') + s.row->node->name;
            if (s.row->expanded)
                word += '/';
            word += s.row->check == Qt::Checked ? "=x" : s.row->check == Qt::PartiallyChecked ? "=~" : "";
            words << word;
        }
        return words.join(' ');
    }

    void expand(NaiveRow& row)
    {
        if (row.expanded || row.node->children.empty())
            return;
        if (row.children.empty()) {
            for (const FakeNodePtr& n : row.node->children) {
                NaiveRow child(n.get());
                if (row.node->checkable && row.check == Qt::Checked && n->checkable)
                    child.check = Qt::Checked;
                row.children.push_back(child);
            }
        }
        row.expanded = true;
    }

    void collapse(NaiveRow& row)
    {
        if (!row.expanded)
            return;
        row.expanded = false;
        const bool childExpanded = std::any_of(row.children.begin(), row.children.end(),
                                               [](const NaiveRow& c) { return c.expanded; });
        if (!childExpanded && row.check == Qt::Unchecked)
            row.children.clear();
    }

    bool check(const Shown& s, int state)
    {
        NaiveRow& row = *s.row;
        if (!row.node->checkable || (state != Qt::Checked && state != Qt::Unchecked))
            return false;
        row.check = state;
        if (row.expanded)
            downShown(row, state);
        else
            downRemembered(row, state);
        int carried = state;
        for (auto it = s.ancestors.rbegin(); it != s.ancestors.rend(); ++it) {
            NaiveRow& parent = **it;
            if (carried != Qt::PartiallyChecked) {
                const auto checked = std::count_if(parent.children.begin(), parent.children.end(),
                                                   [](const NaiveRow& c) { return c.check == Qt::Checked; });
                carried = checked == 0 ? Qt::Unchecked
                        : checked == std::ptrdiff_t(parent.children.size()) ? Qt::Checked
                                                                            : Qt::PartiallyChecked;
            }
            parent.check = carried;
        }
        return true;
    }

    void checkAll(int state)
    {
        for (NaiveRow& root : m_roots)
            check(Shown{&root, {}}, state);
    }

    // The source inserted rows first..last under `parent` (none: the top).
    void inserted(FakeNode* parent, int first, int last)
    {
        if (!parent) {
            for (int r = first; r <= last; ++r)
                m_roots.insert(m_roots.begin() + r, NaiveRow(m_source->roots[std::size_t(r)].get()));
            return;
        }
        auto [row, shownRow] = find(parent);
        if (!row)
            return;
        if (shownRow && row->expanded) {
            for (int r = first; r <= last; ++r)
                row->children.insert(row->children.begin() + r, NaiveRow(parent->children[std::size_t(r)].get()));
            return;
        }
        forget(*row);
    }

    void removed(FakeNode* parent, int first, int last)
    {
        if (!parent) {
            m_roots.erase(m_roots.begin() + first, m_roots.begin() + last + 1);
            return;
        }
        auto [row, shownRow] = find(parent);
        if (!row)
            return;
        if (shownRow && row->expanded) {
            row->children.erase(row->children.begin() + first, row->children.begin() + last + 1);
            if (parent->children.empty())
                row->expanded = false;
            return;
        }
        forget(*row);
    }

    void setSource(const FakeTreeModel* source) { m_source = source; }

private:
    static void downShown(NaiveRow& row, int state)
    {
        for (NaiveRow& child : row.children) {
            if (child.node->checkable)
                child.check = state;
            if (child.expanded)
                downShown(child, state);
            else if (child.node->checkable)
                downRemembered(child, state);
        }
    }

    static void downRemembered(NaiveRow& row, int state)
    {
        for (NaiveRow& child : row.children) {
            if (!child.node->checkable)
                continue;
            child.check = state;
            downRemembered(child, state);
        }
    }

    static void forget(NaiveRow& row)
    {
        row.children.clear();
        row.expanded = false;
    }

    std::pair<NaiveRow*, bool> find(FakeNode* n)
    {
        std::function<std::pair<NaiveRow*, bool>(std::vector<NaiveRow>&, bool)> search =
            [&](std::vector<NaiveRow>& rows, bool rowsShown) -> std::pair<NaiveRow*, bool> {
            for (NaiveRow& row : rows) {
                if (row.node == n)
                    return {&row, rowsShown};
                auto found = search(row.children, rowsShown && row.expanded);
                if (found.first)
                    return found;
            }
            return {nullptr, false};
        };
        return search(m_roots, true);
    }

    std::vector<NaiveRow> m_roots;
    const FakeTreeModel* m_source = nullptr;
};

std::vector<FakeNodePtr> randomTree(std::mt19937& random, int& serial, int depth)
{
    std::vector<FakeNodePtr> nodes;
    const int count = depth > 3 ? 0 : int(random() % 4);
    for (int i = 0; i < count; ++i) {
        auto n = node(QString("n%1").arg(serial++), {}, random() % 6 != 0);
        n->children = randomTree(random, serial, depth + 1);
        nodes.push_back(n);
    }
    return nodes;
}

// Every node of the data with its path of rows from the top.
void collectPaths(const std::vector<FakeNodePtr>& nodes, std::vector<int>& path,
                  std::vector<std::vector<int>>& paths)
{
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        path.push_back(int(i));
        paths.push_back(path);
        collectPaths(nodes[i]->children, path, paths);
        path.pop_back();
    }
}

} // namespace

TEST(TreeViewProxyModel, RandomRunMatchesAPlainRecursiveModel)
{
    std::mt19937 random(20240611);
    int serial = 0;
    std::vector<FakeNodePtr> roots;
    for (int i = 0; i < 4; ++i) {
        auto n = node(QString("n%1").arg(serial++), {}, true);
        n->children = randomTree(random, serial, 1);
        roots.push_back(n);
    }
    ProxyFixture f(roots);
    NaiveTree naive(f.source.roots);
    naive.setSource(&f.source);

    // The naive tree follows the source's own notices.
    QObject::connect(&f.source, &QAbstractItemModel::rowsInserted, [&](const QModelIndex& parent, int first, int last) {
        naive.inserted(f.source.nodeAt(parent), first, last);
    });
    QObject::connect(&f.source, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex& parent, int first, int last) {
        naive.removed(f.source.nodeAt(parent), first, last);
    });

    LogCapture log; // changes under hidden rows are logged, nothing else is
    int sourceChanges = 0;
    for (int step = 0; step < 600; ++step) {
        std::vector<Shown> shown = naive.shown();
        const int rows = int(shown.size());
        ASSERT_EQ(f.proxy.rowCount(), rows);
        const int pick = rows ? int(random() % unsigned(rows)) : 0;
        const unsigned op = random() % 100;
        QString what;
        if (rows && op < 25) {
            what = "expand";
            naive.expand(*shown[std::size_t(pick)].row);
            f.proxy.expand(f.proxy.index(pick, 0));
        } else if (rows && op < 40) {
            what = "collapse";
            naive.collapse(*shown[std::size_t(pick)].row);
            f.proxy.collapse(f.proxy.index(pick, 0));
        } else if (rows && op < 60) {
            const Qt::CheckState state = op < 52 ? Qt::Checked : op < 59 ? Qt::Unchecked : Qt::PartiallyChecked;
            what = QString("check %1").arg(state);
            const bool expected = naive.check(shown[std::size_t(pick)], state);
            EXPECT_EQ(f.proxy.setCheckState(f.proxy.index(pick, 0), state), expected) << step;
        } else if (op < 77) {
            what = "insert";
            std::vector<std::vector<int>> paths{{}};
            std::vector<int> path;
            collectPaths(f.source.roots, path, paths);
            const std::vector<int>& parentPath = paths[random() % paths.size()];
            const QModelIndex parent = f.source.indexAt(parentPath);
            auto n = node(QString("n%1").arg(serial++), {}, random() % 6 != 0);
            n->children = randomTree(random, serial, int(parentPath.size()) + 2);
            f.source.insertNode(parent, int(random() % unsigned(f.source.rowCount(parent) + 1)), n);
            ++sourceChanges;
        } else if (op < 88) {
            what = "remove";
            std::vector<std::vector<int>> paths;
            std::vector<int> path;
            collectPaths(f.source.roots, path, paths);
            if (paths.size() > 30) {
                f.source.removeNode(f.source.indexAt(paths[random() % paths.size()]));
                ++sourceChanges;
            }
        } else if (op < 94) {
            const Qt::CheckState state = op < 92 ? Qt::Checked : Qt::Unchecked;
            what = "check all";
            naive.checkAll(state);
            state == Qt::Checked ? f.proxy.checkAll() : f.proxy.uncheckAll();
        } else if (op < 98) {
            what = "expand all";
            for (std::size_t r = 0; r < naive.shown().size(); ++r)
                naive.expand(*naive.shown()[r].row);
            f.proxy.expandAll();
        } else {
            what = "collapse all";
            for (int r = int(naive.shown().size()) - 1; r >= 0; r = std::min(int(naive.shown().size()), r) - 1)
                naive.collapse(*naive.shown()[std::size_t(r)].row);
            f.proxy.collapseAll();
        }

        ASSERT_EQ(f.rows(), naive.text()) << "step " << step << ": " << what.toStdString();
        shown = naive.shown();
        for (int r = 0; r < f.proxy.rowCount(); ++r) {
            const QModelIndex i = f.proxy.index(r, 0);
            ASSERT_EQ(f.source.nodeAt(f.proxy.mapToSource(i)), shown[std::size_t(r)].row->node) << step;
            ASSERT_EQ(f.proxy.mapFromSource(f.proxy.mapToSource(i)), i) << step;
        }
    }
    EXPECT_GT(sourceChanges, 100);
    for (const QString& warning : log.warnings())
        EXPECT_TRUE(warning.contains(QRegularExpression("onRows(Inserted|Removed): Error 1$|Invalid checkState|NEED DEBUG")))
            << warning.toStdString();
}
