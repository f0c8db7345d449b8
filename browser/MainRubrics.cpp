// The rubric tree: loading its levels, narrowing the catalogue to a rubric, and its context menu
// for adding, renaming and deleting rubrics.
#include "Main.h"

#include "DBModUnit.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "RubricTree.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidget>

namespace {

const QString NewRubricAnswer = QStringLiteral("Новая рубрика...");

int nodeLevel(const QTreeWidgetItem *node)
{
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

// Records filed under rubric id or below: a path begins with the id, or (for a top-level
// rubric) a later path does, or (below the top) the id follows its parent's full stop.
QString rubricCondition(qint64 id, bool topLevel)
{
    const QString n = QString::number(id);
    const QString x = n + (topLevel ? QStringLiteral(".%' OR rubric LIKE '%;") : QStringLiteral(".%' OR rubric LIKE '%.")) +
                      n + QStringLiteral(".%");
    return QStringLiteral("(rubric LIKE '") + x + QStringLiteral("')");
}

} // namespace

void TMainForm::buildRubricTree(QWidget *pane)
{
    tvRubrics = new QTreeWidget(pane);
    tvRubrics->setHeaderHidden(true);
    tvRubrics->setAccessibleName(QStringLiteral("Рубрикатор"));
    tvRubrics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The chosen rubric stays marked while the librarian works in the grid.
    QPalette pal = tvRubrics->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    tvRubrics->setPalette(pal);
    tvRubrics->setContextMenuPolicy(Qt::CustomContextMenu);
    ui::addRubricNode(tvRubrics->invisibleRootItem(), QStringLiteral("Рубрикатор"), 0, true);
    buildRubricMenu();

    connect(tvRubrics, &QTreeWidget::itemExpanded, this, &TMainForm::tvRubricsExpanding);
    connect(tvRubrics, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { tvRubricsChange(current); });
    connect(tvRubrics, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *item = tvRubrics->itemAt(pos))
            tvRubrics->setCurrentItem(item);
        tvRubricsContextPopup();
        PopupMenu2->popup(tvRubrics->viewport()->mapToGlobal(pos));
    });
}

void TMainForm::buildRubricMenu()
{
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    auto add = [this](const QString &name, const QString &caption, void (TMainForm::*handler)()) {
        QAction *a = PopupMenu2->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    N24 = add(QStringLiteral("N24"), QStringLiteral("Новая рубрика..."), &TMainForm::N24Click);
    N25 = add(QStringLiteral("N25"), QStringLiteral("Подрубрика..."), &TMainForm::N25Click);
    N26 = add(QStringLiteral("N26"), QStringLiteral("Удалить"), &TMainForm::N26Click);
    N31 = add(QStringLiteral("N31"), QStringLiteral("Переименовать..."), &TMainForm::N31Click);
    N34 = PopupMenu2->addSeparator();
    N34->setObjectName(QStringLiteral("N34"));
    N32 = add(QStringLiteral("N32"), QStringLiteral("Развернуть все"), &TMainForm::N32Click);
    N33 = add(QStringLiteral("N33"), QStringLiteral("Свернуть все"), &TMainForm::N33Click);
}

void TMainForm::openRubricRoot()
{
    if (QTreeWidgetItem *root = tvRubrics->topLevelItem(0))
        root->setExpanded(true);
}

void TMainForm::tvRubricsExpanding(QTreeWidgetItem *node)
{
    if (dbMod_)
        runGuarded([&] { ui::ExpandRubric(tvRubrics, node, dbMod_->MyCats); });
}

void TMainForm::tvRubricsChange(QTreeWidgetItem *node)
{
    if (!node || !dbMod_)
        return;
    const int level = nodeLevel(node);
    const QString entry = level == 0 ? QStringLiteral("param")
                                     : QStringLiteral("param") + store::ConditionSeparator +
                                           rubricCondition(ui::rubricId(node), level == 1);
    runGuarded([&] { dbMod_->SetCondition(entry); });
    ShowRecordCount();
}

void TMainForm::tvRubricsContextPopup()
{
    if (QTreeWidgetItem *node = tvRubrics->currentItem())
        node->setSelected(true);
}

// The name prompt; a cancel gives the initial answer back, which the callers take as "stop".
QString TMainForm::askRubricName(const QString &initial)
{
    return ui::platform()
        .prompt(this, QStringLiteral("Название рубрики"), QStringLiteral("Введите название рубрики"), initial)
        .value_or(initial);
}

void TMainForm::N24Click()
{
    const QString name = askRubricName(NewRubricAnswer);
    if (name == NewRubricAnswer)
        return;
    runGuarded([&] {
        const qint64 id = dbMod_->AddCategory(name, 0);
        if (QTreeWidgetItem *root = tvRubrics->topLevelItem(0))
            ui::addRubricNode(root, name, id, false);
    });
}

void TMainForm::N25Click()
{
    QTreeWidgetItem *parent = tvRubrics->currentItem();
    if (!parent)
        return;
    const QString name = askRubricName(NewRubricAnswer);
    if (name == NewRubricAnswer)
        return;
    const bool added = runGuarded([&] { ui::addRubricNode(parent, name, dbMod_->AddCategory(name, ui::rubricId(parent)), false); });
    if (added && !parent->isExpanded())
        parent->setExpanded(true);
}

void TMainForm::N26Click()
{
    QTreeWidgetItem *node = tvRubrics->currentItem();
    if (!node)
        return;
    const QString question = node->childCount() > 0
        ? QStringLiteral("Вы действительно хотите удалить рубрику «%1» и все ее подрубрики?")
        : QStringLiteral("Удалить рубрику: «%1»?");
    if (ui::platform().messageBox(this, question.arg(node->text(0)), QStringLiteral("Удаление рубрики"),
                                  ui::MsgIcon::Warning, ui::Yes | ui::No) != ui::Yes)
        return;
    if (runGuarded([&] { dbMod_->DeleteCategory(ui::rubricId(node)); }))
        delete node;
}

void TMainForm::N31Click()
{
    QTreeWidgetItem *node = tvRubrics->currentItem();
    if (!node)
        return;
    const QString name = askRubricName(node->text(0));
    if (name == node->text(0))
        return;
    runGuarded([&] {
        if (dbMod_->RenameCategory(ui::rubricId(node), name))
            node->setText(0, name);
    });
}

void TMainForm::N32Click()
{
    if (QTreeWidgetItem *root = tvRubrics->topLevelItem(0))
        runGuarded([&] { ui::expandAllRubrics(tvRubrics, root, dbMod_->MyCats); });
}

void TMainForm::N33Click()
{
    // The root is the only top-level node, so closing every level is closing them all.
    if (tvRubrics->topLevelItem(0))
        tvRubrics->collapseAll();
}
