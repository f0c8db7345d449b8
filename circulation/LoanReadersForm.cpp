#include "LoanReadersForm.h"

#include "DialogLook.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QList<store::LoanReader> groupsToRegister(const QList<store::LoanReader> &groups)
{
    QList<store::LoanReader> todo;
    for (const store::LoanReader &g : groups) {
        bool other = g.readerId == 0;
        for (const store::LoanName &v : g.names.variants)
            other = other || v.name != g.readerName;
        if (other)
            todo.push_back(g);
    }
    return todo;
}

TLoanReadersForm::TLoanReadersForm(const QList<store::LoanReader> &groups, QWidget *parent)
    : QDialog(parent), groups_(groups)
{
    setObjectName(QStringLiteral("LoanReadersForm"));
    setWindowTitle(QStringLiteral("Читатели из выдач"));
    ui::useDialogFont(this);
    auto *layout = new QVBoxLayout(this);
    int fresh = 0;
    for (const store::LoanReader &g : groups)
        fresh += g.readerId == 0 ? 1 : 0;
    lblExplain = new QLabel(QStringLiteral("Имён читателей в выдачах: %1, из них новых для картотеки: %2. Отмеченные "
                                           "будут записаны в картотеку со следующими номерами билетов, а выдачи всех "
                                           "вариантов имени получат одно имя. Имя группы можно исправить (F2).")
                                .arg(groups.size())
                                .arg(fresh),
                            this);
    lblExplain->setWordWrap(true);
    twGroups = new QTreeWidget(this);
    twGroups->setObjectName(QStringLiteral("twGroups"));
    twGroups->setHeaderLabels({QStringLiteral("Имя читателя и его варианты в выдачах"), QStringLiteral("Выдач"),
                               QStringLiteral("В картотеке")});
    twGroups->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    twGroups->setAccessibleName(QStringLiteral("Группы имён читателей"));
    twGroups->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    for (const store::LoanReader &g : groups) {
        auto *item = new QTreeWidgetItem(twGroups, {g.readerId ? g.readerName : g.names.proposed,
                                                    QString::number(g.names.loans()),
                                                    g.readerId ? QStringLiteral("уже записан") : QStringLiteral("новый")});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | (g.readerId ? Qt::NoItemFlags : Qt::ItemIsEditable));
        item->setCheckState(0, Qt::Checked);
        for (const store::LoanName &v : g.names.variants)
            new QTreeWidgetItem(item, {QStringLiteral("«%1»").arg(v.name), QString::number(v.loans)});
    }
    twGroups->expandAll();
    btnAll = new QPushButton(QStringLiteral("Отметить &все"), this);
    btnNone = new QPushButton(QStringLiteral("&Снять отметки"), this);
    connect(btnAll, &QPushButton::clicked, this, [this] { checkAll(true); });
    connect(btnNone, &QPushButton::clicked, this, [this] { checkAll(false); });
    auto *marks = new QHBoxLayout;
    marks->addWidget(btnAll);
    marks->addWidget(btnNone);
    marks->addStretch(1);
    layout->addWidget(lblExplain);
    layout->addWidget(twGroups, 1);
    layout->addLayout(marks);
    layout->addLayout(ui::okCancelRow(this, QStringLiteral("Записать"), btnOk, btnCancel));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    resize(640, 520);
}

void TLoanReadersForm::checkAll(bool on)
{
    for (int i = 0; i < twGroups->topLevelItemCount(); ++i)
        twGroups->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

QList<store::LoanReader> TLoanReadersForm::chosen() const
{
    QList<store::LoanReader> chosen;
    for (int i = 0; i < twGroups->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = twGroups->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked)
            continue;
        store::LoanReader g = groups_[i];
        if (g.readerId == 0)
            g.names.proposed = item->text(0).simplified();
        chosen.push_back(g);
    }
    return chosen;
}
