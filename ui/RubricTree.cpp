// The lazily loaded rubric tree shared by the main window and the record card's rubric picker.
#include "RubricTree.h"

#include "data/dataset/Dataset.h"

#include <QHash>
#include <QSet>
#include <QTreeWidget>
#include <vector>

namespace ui {

namespace {

// Positions of the columns of "SELECT * FROM categories".
enum CategoryColumn { CatId = 0, CatTitle = 1, CatParent = 2, CatHasChildren = 3 };

// Keeps the tree from repainting while a level is rebuilt, and restores what was there before.
class RedrawSuspended {
public:
    explicit RedrawSuspended(QTreeWidget *tree) : tree_(tree), was_(tree && tree->updatesEnabled())
    {
        if (tree_)
            tree_->setUpdatesEnabled(false);
    }
    ~RedrawSuspended()
    {
        if (tree_)
            tree_->setUpdatesEnabled(was_);
    }
    RedrawSuspended(const RedrawSuspended &) = delete;
    RedrawSuspended &operator=(const RedrawSuspended &) = delete;

private:
    QTreeWidget *tree_;
    bool was_;
};

bool hasPlaceholder(const QTreeWidgetItem *node) { return node->childCount() > 0 && rubricId(node->child(0)) == 0; }

void addChildAt(QTreeWidgetItem *node, const data::Dataset &cats, int position)
{
    const data::CellView children = cats.cellAt(position, CatHasChildren);
    const bool more = (children.type == data::CellType::Integer && children.integer > 0) ||
                      (children.type == data::CellType::Float && children.real > 0);
    addRubricNode(node, cats.textAt(position, CatTitle), cats.cellAt(position, CatId).integer, more);
}

// A rubric marked as having sub-rubrics that has none loses the mark, so that it shows no
// expand button after the next start either.
void clearHasChildren(data::Dataset &cats, qint64 id)
{
    cats.setFiltered(false);
    if (!cats.moveToValue(QStringLiteral("id"), id))
        return;
    cats.edit();
    cats.field(CatHasChildren).setValue(0);
    cats.post();
}

// Sub-rubrics of every rubric, each list in the dataset's (title) order.
using ChildrenByParent = QHash<qint64, std::vector<int>>;

ChildrenByParent groupByParent(const data::Dataset &cats)
{
    ChildrenByParent groups;
    const int count = cats.recordCount();
    for (int p = 0; p < count; ++p)
        groups[cats.cellAt(p, CatParent).integer].push_back(p);
    return groups;
}

bool subtreeHasPlaceholder(const QTreeWidgetItem *node)
{
    if (hasPlaceholder(node))
        return true;
    for (int i = 0; i < node->childCount(); ++i)
        if (subtreeHasPlaceholder(node->child(i)))
            return true;
    return false;
}

struct FillPass {
    const data::Dataset &cats;
    const ChildrenByParent &groups;
    QSet<qint64> loaded;         // guards against a parent chain that loops back on itself
    std::vector<qint64> childless; // rubrics marked as having sub-rubrics that have none

    void fill(QTreeWidgetItem *node)
    {
        if (hasPlaceholder(node)) {
            const qint64 id = rubricId(node);
            if (loaded.contains(id))
                return;
            loaded.insert(id);
            qDeleteAll(node->takeChildren());
            const auto found = groups.constFind(id);
            if (found == groups.constEnd())
                childless.push_back(id);
            else
                for (int position : *found)
                    addChildAt(node, cats, position);
        }
        for (int i = 0; i < node->childCount(); ++i)
            fill(node->child(i));
    }
};

void expandSubtree(QTreeWidgetItem *node)
{
    if (node->childCount() == 0)
        return;
    node->setExpanded(true);
    for (int i = 0; i < node->childCount(); ++i)
        expandSubtree(node->child(i));
}

} // namespace

qint64 rubricId(const QTreeWidgetItem *node) { return node ? node->data(0, Qt::UserRole).toLongLong() : 0; }

QTreeWidgetItem *addRubricNode(QTreeWidgetItem *parent, const QString &title, qint64 id, bool withPlaceholder)
{
    auto *node = new QTreeWidgetItem(parent, {title});
    node->setData(0, Qt::UserRole, QVariant::fromValue(id));
    if (withPlaceholder) {
        auto *placeholder = new QTreeWidgetItem(node, {QString()});
        placeholder->setData(0, Qt::UserRole, QVariant::fromValue(qint64(0)));
    }
    return node;
}

void ExpandRubric(QTreeWidget *treeView, QTreeWidgetItem *node, data::Dataset &myCats)
{
    RedrawSuspended pause(treeView);
    if (!node || !hasPlaceholder(node))
        return;
    const qint64 id = rubricId(node);
    // Re-read on every first opening, so rubrics added by another copy of the program show up.
    // The placeholder goes only once the rows are there, so a failed read can be tried again.
    myCats.close();
    myCats.setFilter(QStringLiteral("parent = ") + QString::number(id));
    myCats.setFiltered(true);
    myCats.open();
    qDeleteAll(node->takeChildren());
    const int count = myCats.recordCount();
    for (int p = 0; p < count; ++p)
        addChildAt(node, myCats, p);
    if (count == 0)
        clearHasChildren(myCats, id);
}

void expandAllRubrics(QTreeWidget *treeView, QTreeWidgetItem *node, data::Dataset &myCats)
{
    if (!node)
        return;
    RedrawSuspended pause(treeView);
    if (subtreeHasPlaceholder(node)) {
        // One read of the whole table; every level is then built from the rows held.
        myCats.close();
        myCats.setFiltered(false);
        myCats.open();
        const ChildrenByParent groups = groupByParent(myCats);
        FillPass pass{myCats, groups, {}, {}};
        pass.fill(node);
        for (qint64 id : pass.childless)
            clearHasChildren(myCats, id);
    }
    expandSubtree(node);
}

} // namespace ui
