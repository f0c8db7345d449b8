// The author index: letters of the alphabet, the authors under each read at every opening,
// and the catalogue narrowed to a letter or to one author.
#include "Main.h"

#include "DBModUnit.h"
#include "ProcessValues.h"
#include "RubricTree.h"

#include <QSignalBlocker>
#include <QTreeWidget>

namespace {

// Й, Ъ, Ы and Ь begin no surname worth a letter of its own; Ё is a letter apart from Е.
const QString Letters = QStringLiteral("АБВГДЕЁЖЗИКЛМНОПРСТУФХЦЧШЩЭЮЯ");

// "author LIKE '...'" for a name, or for the beginning of a name when prefix is set. The
// apostrophe is doubled so the statement stays whole, and "%" and "_" are escaped so a name
// matches only itself; letters are still compared as the store's LIKE compares them.
QString authorCondition(const QString &text, bool prefix)
{
    QString body = text;
    const bool escaped = body.contains(u'\\') || body.contains(u'%') || body.contains(u'_');
    if (escaped) {
        body.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
        body.replace(QStringLiteral("%"), QStringLiteral("\\%"));
        body.replace(QStringLiteral("_"), QStringLiteral("\\_"));
    }
    body.replace(QStringLiteral("'"), QStringLiteral("''"));
    return QStringLiteral("author LIKE '") + body + (prefix ? QStringLiteral("%'") : QStringLiteral("'")) +
           (escaped ? QStringLiteral(" ESCAPE '\\'") : QString());
}

// Index nodes carry their number the way rubric nodes do; every one of them carries 0.
QTreeWidgetItem *addIndexNode(QTreeWidgetItem *parent, const QString &text, bool withPlaceholder)
{
    QTreeWidgetItem *node = ui::addRubricNode(parent, text, 0, withPlaceholder);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    return node;
}

} // namespace

void TMainForm::buildAuthorIndex(QWidget *pane)
{
    tvAuthors = new QTreeWidget(pane);
    tvAuthors->setHeaderHidden(true);
    tvAuthors->setAccessibleName(QStringLiteral("Именной указатель"));
    // A slow second click on the chosen node edits its text; later openings and choices use it.
    tvAuthors->setEditTriggers(QAbstractItemView::SelectedClicked);
    fillAuthorLetters();
    tvAuthors->hide();
    connect(tvAuthors, &QTreeWidget::itemExpanded, this, &TMainForm::tvAuthorsExpanding);
    connect(tvAuthors, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { tvAuthorsChange(current); });
}

void TMainForm::fillAuthorLetters()
{
    for (QChar letter : Letters)
        addIndexNode(tvAuthors->invisibleRootItem(), QString(letter), true);
}

void TMainForm::ExpandLetter(QTreeWidgetItem *node)
{
    data::Dataset &authors = dbMod_->myAuthors;
    authors.setFilterSQL(authorCondition(node->text(0), true));
    authors.open();
    const bool redraw = tvAuthors->updatesEnabled();
    tvAuthors->setUpdatesEnabled(false);
    const int count = authors.recordCount();
    for (int p = 0; p < count; ++p)
        addIndexNode(node, authors.textAt(p, 0), false);
    tvAuthors->setUpdatesEnabled(redraw);
    authors.close();
}

void TMainForm::tvAuthorsExpanding(QTreeWidgetItem *node)
{
    // Only letters open; an author node has nothing below it.
    if (!node || node->parent() || !dbMod_)
        return;
    if (node->childCount() > 0 && ui::rubricId(node->child(0)) != 0)
        return;
    {
        // Dropping the chosen author is no new choice: the catalogue stays as it is.
        const QSignalBlocker quiet(tvAuthors);
        qDeleteAll(node->takeChildren());
    }
    runGuarded([&] { ExpandLetter(node); });
}

void TMainForm::tvAuthorsChange(QTreeWidgetItem *node)
{
    if (!node || !dbMod_)
        return;
    const QString condition = authorCondition(node->text(0), node->parent() == nullptr);
    runGuarded([&] { dbMod_->SetCondition(QStringLiteral("param") + store::ConditionSeparator + condition); });
    ShowRecordCount();
}
