// The rubric picker: the tree loaded level by level, the record's rubrics marked on opening,
// and the marks written back as the record's rubric text.
#include "CatFormUnit.h"

#include "DBModUnit.h"
#include "DialogLook.h"
#include "ErrorBox.h"
#include "RubricText.h"
#include "RubricTree.h"
#include "data/DataError.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TCatForm::TCatForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CatForm"));
    setWindowTitle(QStringLiteral("Рубрикатор"));
    ui::useFixedDialogFrame(this);
    auto *column = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Чтобы выбрать несколько рубрик удерживайте клавишу Ctrl"), this);
    Label1->setWordWrap(true);
    tvRubrics = new QTreeWidget(this);
    tvRubrics->setObjectName(QStringLiteral("tvRubrics"));
    tvRubrics->setHeaderHidden(true);
    tvRubrics->setAccessibleName(QStringLiteral("Рубрики"));
    tvRubrics->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvRubrics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvRubrics->setIndentation(19);
    Label1->setBuddy(tvRubrics);
    auto *top = new QTreeWidgetItem(tvRubrics, {QStringLiteral("Все рубрики")});
    top->setData(0, Qt::UserRole, qint64(0));
    new QTreeWidgetItem(top, {QString()});
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    btnOk = new QPushButton(QStringLiteral("ОК"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    column->addWidget(Label1);
    column->addWidget(tvRubrics, 1);
    column->addWidget(line);
    column->addLayout(buttons);
    setFixedSize(321, 482);

    connect(btnOk, &QPushButton::clicked, this, [this] {
        setResult(QDialog::Accepted);
        btnOkClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tvRubrics, &QTreeWidget::itemExpanded, this, &TCatForm::tvRubricsExpanding);
    followSelection();
}

void TCatForm::followSelection()
{
    connect(tvRubrics->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QList<QTreeWidgetItem *> now = tvRubrics->selectedItems();
        marked_.erase(std::remove_if(marked_.begin(), marked_.end(), [&](QTreeWidgetItem *n) { return !now.contains(n); }),
                      marked_.end());
        for (QTreeWidgetItem *n : now)
            if (!marked_.contains(n))
                marked_ << n;
    });
    connect(tvRubrics, &QTreeWidget::itemClicked, this, &TCatForm::openChosenBranch);
}

// Choosing a node opens it and closes the branch chosen before, so one branch stays open.
void TCatForm::openChosenBranch(QTreeWidgetItem *node)
{
    QList<QTreeWidgetItem *> keep;
    for (QTreeWidgetItem *n = node; n; n = n->parent())
        keep << n;
    for (QTreeWidgetItem *n = chosen_; n; n = n->parent())
        if (!keep.contains(n))
            n->setExpanded(false);
    node->setExpanded(true);
    chosen_ = node;
}

void TCatForm::tvRubricsExpanding(QTreeWidgetItem *node)
{
    if (!dbMod_)
        return;
    try {
        ui::ExpandRubric(tvRubrics, node, dbMod_->MyCats);
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
    }
}

void TCatForm::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TCatForm::FormShow()
{
    QTreeWidgetItem *top = tvRubrics->topLevelItem(0);
    if (top && !top->isExpanded())
        top->setExpanded(true);
    markRecordRubrics();
}

// The picker opens on the current record's own rubrics, their branches opened, so that "ОК"
// never files a record under the rubrics marked for another one.
void TCatForm::markRecordRubrics()
{
    tvRubrics->clearSelection();
    marked_.clear();
    unmatched_.clear();
    if (!dbMod_ || !dbMod_->MyBooks.active() || dbMod_->MyBooks.isEmpty())
        return;
    QTreeWidgetItem *top = tvRubrics->topLevelItem(0);
    const QString text = dbMod_->MyBooks.fieldByName(QStringLiteral("rubric")).asString();
    // An empty element (a lone ";") stands for the top node itself.
    QStringList pieces = text.split(u';');
    pieces.removeLast(); // what follows the last ";"
    const bool topMarked = std::any_of(pieces.begin(), pieces.end(), [](const QString &p) { return p.trimmed().isEmpty(); });
    QList<QTreeWidgetItem *> found;
    for (const QString &element : store::rubricElements(text)) {
        QTreeWidgetItem *node = top;
        for (const qint64 id : store::rubricPath(element)) {
            tvRubricsExpanding(node);
            node->setExpanded(true);
            QTreeWidgetItem *child = nullptr;
            for (int i = 0; i < node->childCount() && !child; ++i)
                if (ui::rubricId(node->child(i)) == id)
                    child = node->child(i);
            node = child;
            if (!node)
                break;
        }
        if (node && node != top)
            found.prepend(node); // the text lists the marks in reverse
        else if (!node)
            unmatched_ << element;
    }
    if (topMarked && top)
        found.prepend(top);
    for (QTreeWidgetItem *node : found)
        node->setSelected(true);
    if (!found.isEmpty())
        tvRubrics->scrollToItem(found.last());
}

// Elements naming deleted rubrics cannot be marked; they are kept as they were rather than
// dropped unasked.
QString TCatForm::rubricText() const
{
    QString text;
    for (QTreeWidgetItem *node : marked_) {
        text = u';' + text;
        for (QTreeWidgetItem *n = node; n && n->parent(); n = n->parent())
            text = QString::number(ui::rubricId(n)) + u'.' + text;
    }
    for (auto it = unmatched_.crbegin(); it != unmatched_.crend(); ++it)
        text = *it + u';' + text;
    return text;
}

void TCatForm::btnOkClick()
{
    try {
        data::Dataset &books = dbMod_->MyBooks;
        if (books.state() == data::DatasetState::Browse)
            books.edit();
        books.fieldByName(QStringLiteral("rubric")).setValue(rubricText());
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
    }
}
