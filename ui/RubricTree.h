#pragma once

#include <QString>
#include <QtGlobal>

namespace data {
class Dataset;
}
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

// Node data: the rubric id as qint64 in column 0, role Qt::UserRole; a placeholder child has empty text and id 0.
qint64 rubricId(const QTreeWidgetItem *node);
QTreeWidgetItem *addRubricNode(QTreeWidgetItem *parent, const QString &title, qint64 id, bool withPlaceholder);
// Loads node's children from myCats unless loaded already (first child not a placeholder).
void ExpandRubric(QTreeWidget *treeView, QTreeWidgetItem *node, data::Dataset &myCats);
// Expands node and every node below it, reading the categories table once in all.
void expandAllRubrics(QTreeWidget *treeView, QTreeWidgetItem *node, data::Dataset &myCats);

} // namespace ui
