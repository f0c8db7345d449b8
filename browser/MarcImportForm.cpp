#include "MarcImportForm.h"

#include "DBModUnit.h"
#include "DialogLook.h"
#include "ErrorBox.h"
#include "HelpViewer.h"
#include "Platform.h"
#include "BackgroundWork.h"
#include "data/DataError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Импорт записей MARC");
enum Column { Author, Title, Year, Isbn, Mark };

QComboBox *choiceBox(const QStringList &items)
{
    auto *box = new QComboBox;
    box->addItems(items);
    return box;
}

} // namespace

TMarcImportForm::TMarcImportForm(store::TDBMod *module, QWidget *parent) : QDialog(parent), dbMod_(module)
{
    setObjectName(QStringLiteral("MarcImportForm"));
    setWindowTitle(Caption);
    ui::useDialogFont(this);
    setHelpContext(this, 1110);
    lblFile = new QLabel;
    lblSummary = new QLabel;
    cbFormat = choiceBox({QStringLiteral("Автоматически"), QStringLiteral("MARC21"), QStringLiteral("RUSMARC"), QStringLiteral("UNIMARC")});
    cbCharset = choiceBox({QStringLiteral("Автоматически"), QStringLiteral("UTF-8"), QStringLiteral("Windows-1251"), QStringLiteral("MARC-8")});
    cbKind = new QComboBox;
    grRecords = new QTreeWidget;
    chbInclude = new QCheckBox(QStringLiteral("Импортировать выбранную &запись"));
    btnImport = new QPushButton(QStringLiteral("&Импортировать"));
    btnClose = new QPushButton(QStringLiteral("Закрыть"));
    for (auto [w, name] : std::initializer_list<std::pair<QWidget *, const char *>>{
             {lblFile, "lblFile"}, {lblSummary, "lblSummary"}, {cbFormat, "cbFormat"}, {cbCharset, "cbCharset"},
             {cbKind, "cbKind"}, {grRecords, "grRecords"}, {chbInclude, "chbInclude"}, {btnImport, "btnImport"},
             {btnClose, "btnClose"}})
        w->setObjectName(QLatin1StringView(name));

    auto *choices = new QGridLayout;
    choices->addWidget(ui::buddyLabel(QStringLiteral("&Формат"), cbFormat), 0, 0);
    choices->addWidget(cbFormat, 0, 1);
    choices->addWidget(ui::buddyLabel(QStringLiteral("&Кодировка"), cbCharset), 0, 2);
    choices->addWidget(cbCharset, 0, 3);
    choices->addWidget(ui::buddyLabel(QStringLiteral("&Раздел"), cbKind), 0, 4);
    choices->addWidget(cbKind, 0, 5);
    choices->setColumnStretch(5, 1);

    grRecords->setAccessibleName(QStringLiteral("Записи файла"));
    grRecords->setHeaderLabels({QStringLiteral("Автор"), QStringLiteral("Заглавие"), QStringLiteral("Год"),
                                QStringLiteral("ISBN"), QStringLiteral("Отметка")});
    grRecords->setRootIsDecorated(false);
    grRecords->setUniformRowHeights(true);
    grRecords->header()->resizeSection(Author, 170);
    grRecords->header()->resizeSection(Title, 300);
    grRecords->header()->resizeSection(Year, 50);
    grRecords->header()->resizeSection(Isbn, 120);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnClose);
    auto *column = new QVBoxLayout(this);
    column->addWidget(lblFile);
    column->addLayout(choices);
    column->addWidget(grRecords, 1);
    column->addWidget(chbInclude);
    column->addLayout(buttons);
    resize(820, 520);

    connect(cbFormat, &QComboBox::activated, this, &TMarcImportForm::cbFormatChange);
    connect(cbCharset, &QComboBox::activated, this, &TMarcImportForm::cbFormatChange);
    connect(grRecords, &QTreeWidget::currentItemChanged, this, &TMarcImportForm::showIncluded);
    connect(grRecords, &QTreeWidget::itemChanged, this, &TMarcImportForm::showIncluded);
    connect(chbInclude, &QCheckBox::toggled, this, [this](bool on) {
        if (QTreeWidgetItem *item = grRecords->currentItem(); item && (item->flags() & Qt::ItemIsUserCheckable))
            item->setCheckState(Author, on ? Qt::Checked : Qt::Unchecked);
    });
    connect(btnImport, &QPushButton::clicked, this, &TMarcImportForm::btnImportClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TMarcImportForm::~TMarcImportForm() = default;

void TMarcImportForm::setItemKinds(const QStringList &names, const QStringList &ids, int first)
{
    cbKind->clear();
    for (int i = 0; i < names.size(); ++i)
        cbKind->addItem(names[i], ids.value(i).toInt());
    const int at = cbKind->findData(first);
    if (at > 0) {
        const QString name = cbKind->itemText(at);
        cbKind->removeItem(at);
        cbKind->insertItem(0, name, first);
    }
    cbKind->setCurrentIndex(0);
}

bool TMarcImportForm::readFile(const QString &fileName)
{
    const marc::ReadOptions options{marc::Format(cbFormat->currentIndex()), marc::Charset(cbCharset->currentIndex()), true};
    std::vector<marc::ReadRecord> records;
    std::vector<marc::DuplicateMarks::Mark> marks;
    ui::BackgroundWork work(this, QStringLiteral("Чтение файла записей…"));
    const bool read = work.runWithProgress([&](const data::Progress &progress) {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw data::DataError(QStringLiteral("Не удалось открыть файл %1").arg(fileName));
        marc::DuplicateMarks duplicates(dbMod_->MyServer);
        const qint64 size = file.size();
        marc::MarcReader().readStream(file, options, [&](marc::ReadRecord &&r) { // throws for a file not MARC
            r.record = {};
            marks.push_back(r.ok() ? duplicates.markNext(r.fields, r.number) : marc::DuplicateMarks::Mark{});
            records.push_back(std::move(r));
            progress(file.pos(), size);
            return true;
        });
    });
    if (!read)
        return false;
    fileName_ = fileName;
    records_ = std::move(records);
    marks_ = std::move(marks);
    fillList();
    return true;
}

bool TMarcImportForm::openFile(const QString &fileName)
{
    if (!readFile(fileName))
        return false;
    imported_ = 0;
    lblFile->setText(QStringLiteral("Файл: %1").arg(QFileInfo(fileName).fileName()));
    return true;
}

void TMarcImportForm::cbFormatChange()
{
    ui::runGuarded(this, [this] { readFile(fileName_); });
}

void TMarcImportForm::fillList()
{
    grRecords->clear();
    int damaged = 0, held = 0, repeated = 0;
    QList<QTreeWidgetItem *> items;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const marc::ReadRecord &r = records_[i];
        const marc::BookFields &f = r.fields;
        const bool known = r.ok() && marks_[i].duplicate();
        damaged += r.ok() ? 0 : 1;
        held += known && marks_[i].sameAs == 0 ? 1 : 0;
        repeated += known && marks_[i].sameAs > 0 ? 1 : 0;
        const QString mark = !r.ok() ? QStringLiteral("запись %1 повреждена: %2").arg(r.number).arg(r.problem) : marks_[i].text;
        auto *item = new QTreeWidgetItem({f.author, f.title.simplified(), f.year ? QString::number(*f.year) : QString(), f.isbn, mark});
        // A record the catalogue already holds starts left out; a damaged one cannot be ticked.
        item->setFlags(r.ok() ? item->flags() | Qt::ItemIsUserCheckable : item->flags() & ~Qt::ItemIsEnabled);
        item->setCheckState(Author, r.ok() && !known ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(Mark, mark);
        items << item;
    }
    grRecords->addTopLevelItems(items);
    if (!items.isEmpty())
        grRecords->setCurrentItem(items.first());
    showIncluded();
    QString summary = QStringLiteral("Записей: %1, повреждённых: %2, уже в каталоге: %3").arg(records_.size()).arg(damaged).arg(held);
    if (repeated > 0)
        summary += QStringLiteral(", повторов в файле: %1").arg(repeated);
    lblSummary->setText(summary + u'.');
}

void TMarcImportForm::showIncluded()
{
    const QTreeWidgetItem *item = grRecords->currentItem();
    const QSignalBlocker blocker(chbInclude);
    chbInclude->setEnabled(item && (item->flags() & Qt::ItemIsUserCheckable));
    chbInclude->setChecked(item && item->checkState(Author) == Qt::Checked);
}

void TMarcImportForm::btnImportClick()
{
    std::vector<marc::BookFields> chosen;
    for (int i = 0; i < grRecords->topLevelItemCount() && i < int(records_.size()); ++i)
        if (grRecords->topLevelItem(i)->checkState(Author) == Qt::Checked && records_[std::size_t(i)].ok())
            chosen.push_back(records_[std::size_t(i)].fields);
    if (chosen.empty()) {
        ui::platform().messageBox(this, QStringLiteral("Не отмечено ни одной записи."), Caption, ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    const int kind = cbKind->currentData().toInt();
    bool finished = false;
    const bool done = ui::runGuarded(this, [&] {
        ui::BackgroundWork work(this, QStringLiteral("Импорт записей…"));
        finished = work.runWithProgress([&](const data::Progress &progress) { imported_ = marc::importRecords(dbMod_->MyServer, kind, chosen, progress); });
    });
    if (done && !finished)
        ui::platform().messageBox(this, QStringLiteral("Импорт отменён: в каталог не добавлено ни одной записи."), Caption,
                                  ui::MsgIcon::Information, ui::Ok);
    if (!done || !finished)
        return;
    ui::platform().messageBox(this, QStringLiteral("Импортировано записей: %1 в раздел «%2».").arg(imported_).arg(cbKind->currentText()),
                              Caption, ui::MsgIcon::Information, ui::Ok);
    accept();
}
