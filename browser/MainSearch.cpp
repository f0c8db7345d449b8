// The search box with its field list, the two quick filters and the keyword pane.
#include "Main.h"

#include "DBModUnit.h"
#include "DatasetModel.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

namespace {

enum SearchField { InvNum, Title, Author, Keywords, Loaner, Publisher, Source, Year, Annotation, Notes, Isbn };

struct ConditionShape {
    const char *prefix;
    const char *suffix;
};

const ConditionShape conditionShapes[] = {
    {"inv_num = ", ""},
    {"my_lower(title) LIKE '%", "%'"},
    {"my_lower(author) LIKE '", "%'"},
    {"id IN (SELECT book_id FROM keywords WHERE keyword LIKE '", "')"},
    {"my_lower(loaner) LIKE '", "%'"},
    {"my_lower(publisher) LIKE '", "%'"},
    {"my_lower(source) LIKE '", "%'"},
    {"year_p = ", ""},
    {"my_lower(annotation) LIKE '%", "%'"},
    {"my_lower(notes) LIKE '%", "%'"},
    {"isbn = '", "'"},
};

bool isNumericField(int field) { return field == InvNum || field == Year; }

} // namespace

void TMainForm::connectSearch()
{
    edSearch->installEventFilter(this);
    connect(edSearch, &QLineEdit::textChanged, this, &TMainForm::edSearchChange);
    connect(chbLoaned, &QCheckBox::toggled, this, &TMainForm::chbLoanedClick);
    connect(EvBox, &QCheckBox::toggled, this, &TMainForm::EvBoxClick);
    connect(edKeywordFilter, &QLineEdit::textChanged, this, &TMainForm::edKeywordFilterChange);
    connect(grKeywords, &QTableView::clicked, this, [this](const QModelIndex &index) { grKeywordsCellClick(index.row()); });
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edSearch && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            edSearchKeyUp(key);
    }
    return QMainWindow::eventFilter(watched, event);
}

// Numbers are searched as numbers: other text would make a condition the store rejects.
bool TMainForm::searchTextUsable(int field, const QString &text)
{
    if (!isNumericField(field))
        return true;
    bool ok = false;
    text.trimmed().toLongLong(&ok);
    if (ok)
        return true;
    ui::platform().messageBox(this,
                              QStringLiteral("Для поиска по полю «%1» введите целое число.").arg(FldBox->itemText(field)),
                              QStringLiteral("Поиск"), ui::MsgIcon::Warning, ui::Ok);
    return false;
}

void TMainForm::edSearchKeyUp(int key)
{
    if (key == Qt::Key_Escape) {
        edSearch->clear();
        runGuarded([this] { dbMod_->SetCondition(QStringLiteral("srch")); });
        ShowRecordCount();
        return;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    const int field = FldBox->currentIndex();
    QString text = edSearch->text().toLower();
    if (!searchTextUsable(field, text))
        return;
    // An apostrophe is doubled, so that l'Europe is looked for as typed.
    text = isNumericField(field) ? text.trimmed() : text.replace(u'\'', QStringLiteral("''"));
    const ConditionShape &shape = conditionShapes[field];
    const QString condition = QString::fromUtf8(shape.prefix) + text + QString::fromUtf8(shape.suffix);
    runGuarded([&] { dbMod_->SetCondition(QStringLiteral("srch") + store::ConditionSeparator + condition); });
    ShowRecordCount();
}

void TMainForm::edSearchChange()
{
    const QString text = edSearch->text();
    if (text.isEmpty()) {
        runGuarded([this] { dbMod_->SetCondition(QStringLiteral("srch")); });
        return;
    }
    const QChar first = text.front();
    if (first >= u'1' && first <= u'9') {
        if (FldBox->currentIndex() != Source)
            FldBox->setCurrentIndex(InvNum);
    } else if (FldBox->currentIndex() == InvNum) {
        FldBox->setCurrentIndex(Title);
    }
}

void TMainForm::chbLoanedClick()
{
    runGuarded([this] {
        dbMod_->MyBooks.setFilter(QStringLiteral("onloan = 1"));
        dbMod_->MyBooks.setFiltered(chbLoaned->isChecked());
    });
    ShowRecordCount();
}

void TMainForm::EvBoxClick()
{
    runGuarded([this] {
        dbMod_->MyBooks.setFilter(QStringLiteral("file <> NULL"));
        dbMod_->MyBooks.setFiltered(EvBox->isChecked());
    });
    ShowRecordCount();
}

void TMainForm::miKeywordsClick()
{
    showLeftPane(gbKeywords);
    runGuarded([this] {
        data::Dataset &list = dbMod_->myKeywordFilter;
        if (!list.active()) {
            list.paramByName(QStringLiteral("key")).value = QStringLiteral("%");
            list.open();
        }
    });
}

void TMainForm::edKeywordFilterChange()
{
    const QString text = edKeywordFilter->text();
    if (text.isEmpty())
        return;
    runGuarded([&] {
        data::Dataset &list = dbMod_->myKeywordFilter;
        list.paramByName(QStringLiteral("key")).value = text + u'%';
        if (list.active())
            list.refresh();
        else
            list.open();
    });
}

void TMainForm::grKeywordsCellClick(int row)
{
    const data::Dataset &list = dbMod_->myKeywordFilter;
    const QVariant bookId = list.valueAt(row, 2);
    if (bookId.isNull())
        return;
    runGuarded([&] {
        dbMod_->SetCondition(QStringLiteral("param") + store::ConditionSeparator + QStringLiteral("id = ") +
                             QString::number(bookId.toLongLong()));
    });
    ShowRecordCount();
}
