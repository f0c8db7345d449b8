#include "CatalogueSearchForm.h"

#include "DialogLook.h"
#include "Isbn.h"
#include "Platform.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("Поиск в каталогах");

// The record as a librarian reads it: the card's captions and what the record gives them.
QString recordPage(const marc::ReadRecord &r, const QString &catalogue)
{
    if (!r.ok())
        return QStringLiteral("<p><b>Запись %1 не читается:</b> %2</p>").arg(r.number).arg(r.problem.toHtmlEscaped());
    QString html = QStringLiteral("<table>");
    for (int i = 0; i < marc::BookFieldCount; ++i) {
        const auto field = marc::BookField(i);
        const QString value = marc::fieldText(r.fields, field);
        if (!value.isEmpty())
            html += QStringLiteral("<tr><td valign=top><b>%1:</b></td><td>%2</td></tr>")
                        .arg(marc::fieldCaption(field), value.toHtmlEscaped().replace(QStringLiteral("\r\n"), QStringLiteral("<br>")));
    }
    return html + QStringLiteral("</table><p><i>%1, %2, %3</i></p>")
                      .arg(catalogue.toHtmlEscaped(), marc::formatName(r.format), marc::charsetName(r.charset));
}

} // namespace

TCatalogueSearchForm::TCatalogueSearchForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CatalogueSearchForm"));
    setWindowTitle(Caption);
    ui::useDialogFont(this);
    edISBN = new QLineEdit;
    edAuthor = new QLineEdit;
    edTitle = new QLineEdit;
    cbCatalogue = new QComboBox;
    btnFind = new QPushButton(QStringLiteral("&Найти"));
    btnStop = new QPushButton(QStringLiteral("&Остановить"));
    btnTake = new QPushButton(QStringLiteral("&Взять в карточку"));
    btnClose = new QPushButton(QStringLiteral("Закрыть"));
    pbSearch = new QProgressBar;
    pbSearch->setAccessibleName(QStringLiteral("Ход поиска"));
    lblStatus = new QLabel;
    grRecords = new QTreeWidget;
    edRecord = new QTextBrowser;
    for (auto [w, name] : std::initializer_list<std::pair<QWidget *, const char *>>{
             {edISBN, "edISBN"}, {edAuthor, "edAuthor"}, {edTitle, "edTitle"}, {cbCatalogue, "cbCatalogue"},
             {btnFind, "btnFind"}, {btnStop, "btnStop"}, {btnTake, "btnTake"}, {btnClose, "btnClose"},
             {pbSearch, "pbSearch"}, {lblStatus, "lblStatus"}, {grRecords, "grRecords"}, {edRecord, "edRecord"}})
        w->setObjectName(QLatin1StringView(name));

    auto *boxes = new QGridLayout;
    boxes->addWidget(ui::buddyLabel(QStringLiteral("&ISBN"), edISBN), 0, 0);
    boxes->addWidget(edISBN, 0, 1);
    boxes->addWidget(ui::buddyLabel(QStringLiteral("&Автор"), edAuthor), 0, 2);
    boxes->addWidget(edAuthor, 0, 3);
    boxes->addWidget(ui::buddyLabel(QStringLiteral("&Заглавие"), edTitle), 1, 0);
    boxes->addWidget(edTitle, 1, 1, 1, 3);
    boxes->addWidget(ui::buddyLabel(QStringLiteral("&Каталог"), cbCatalogue), 2, 0);
    boxes->addWidget(cbCatalogue, 2, 1, 1, 3);
    boxes->setColumnStretch(1, 1);
    boxes->setColumnStretch(3, 2);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(btnFind);
    searchRow->addWidget(btnStop);
    searchRow->addWidget(pbSearch);
    searchRow->addWidget(lblStatus, 1);

    grRecords->setAccessibleName(QStringLiteral("Найденные записи"));
    grRecords->setHeaderLabels({QStringLiteral("Автор"), QStringLiteral("Заглавие"), QStringLiteral("Место"),
                                QStringLiteral("Издательство"), QStringLiteral("Год"), QStringLiteral("Каталог")});
    grRecords->setRootIsDecorated(false);
    grRecords->setUniformRowHeights(true);
    for (auto [column, width] : {std::pair{0, 150}, {1, 270}, {2, 100}, {3, 130}, {4, 45}})
        grRecords->header()->resizeSection(column, width);
    edRecord->setAccessibleName(QStringLiteral("Выбранная запись"));
    edRecord->setMinimumHeight(140);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnTake);
    buttons->addWidget(btnClose);

    auto *column = new QVBoxLayout(this);
    column->addLayout(boxes);
    column->addLayout(searchRow);
    column->addWidget(grRecords, 3);
    column->addWidget(edRecord, 2);
    column->addLayout(buttons);
    resize(780, 560);

    btnFind->setDefault(true);
    btnTake->setEnabled(false);
    setSearching(false);
    connect(btnFind, &QPushButton::clicked, this, &TCatalogueSearchForm::btnFindClick);
    connect(btnStop, &QPushButton::clicked, this, &TCatalogueSearchForm::btnStopClick);
    connect(btnTake, &QPushButton::clicked, this, &TCatalogueSearchForm::btnTakeClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(grRecords, &QTreeWidget::currentItemChanged, this, &TCatalogueSearchForm::grRecordsChange);
    connect(grRecords, &QTreeWidget::itemActivated, this, &TCatalogueSearchForm::btnTakeClick);
    connect(&search_, &marc::CatalogueSearch::finished, this, &TCatalogueSearchForm::showResult);
}

TCatalogueSearchForm::~TCatalogueSearchForm() = default;

void TCatalogueSearchForm::setCatalogues(const std::vector<marc::CatalogueConfig> &catalogues, int timeoutSeconds)
{
    catalogues_ = catalogues;
    timeoutSeconds_ = timeoutSeconds;
    const QString shown = cbCatalogue->currentText();
    cbCatalogue->clear();
    for (const marc::CatalogueConfig &c : catalogues_)
        cbCatalogue->addItem(c.name);
    cbCatalogue->setCurrentIndex(std::max(0, cbCatalogue->findText(shown)));
}

void TCatalogueSearchForm::setRequest(const QString &isbn, const QString &author, const QString &title)
{
    edISBN->setText(isbn);
    edAuthor->setText(author);
    edTitle->setText(QString(title).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    chosen_ = {};
}

void TCatalogueSearchForm::warn(const QString &text)
{
    ui::platform().messageBox(this, text, Caption, ui::MsgIcon::Warning, ui::Ok);
}

void TCatalogueSearchForm::setSearching(bool on)
{
    btnFind->setEnabled(!on);
    btnStop->setEnabled(on);
    pbSearch->setVisible(on);
    pbSearch->setRange(0, on ? 0 : 1); // moving while the catalogue is asked
}

void TCatalogueSearchForm::btnFindClick()
{
    marc::SearchRequest request{edISBN->text().trimmed(), edAuthor->text().trimmed(), edTitle->text().trimmed(), 20};
    if (request.isEmpty()) {
        warn(QStringLiteral("Заполните ISBN, автора или заглавие."));
        return;
    }
    if (!request.isbn.isEmpty() && marc::findIsbn(request.isbn).digits.isEmpty()) {
        warn(QStringLiteral("ISBN «%1» набран неверно: в нём 10 или 13 цифр (последней может быть X), "
                            "между ними могут стоять дефисы и пробелы.")
                 .arg(request.isbn));
        return;
    }
    const int index = cbCatalogue->currentIndex();
    if (index < 0 || index >= int(catalogues_.size())) {
        warn(QStringLiteral("Каталоги не настроены: добавьте их в раздел [Catalogues] файла library.ini."));
        return;
    }
    grRecords->clear();
    records_.clear();
    edRecord->clear();
    btnTake->setEnabled(false);
    lblStatus->setText(QStringLiteral("Поиск в каталоге «%1»…").arg(catalogues_[std::size_t(index)].name));
    setSearching(true);
    search_.start(marc::makeSource(catalogues_[std::size_t(index)], timeoutSeconds_), request);
}

void TCatalogueSearchForm::btnStopClick()
{
    if (!search_.running())
        return;
    search_.stop();
    setSearching(false);
    lblStatus->setText(QStringLiteral("Поиск остановлен."));
}

void TCatalogueSearchForm::showResult(const marc::SearchResult &result)
{
    setSearching(false);
    if (result.status == marc::SearchStatus::Cancelled) {
        lblStatus->setText(QStringLiteral("Поиск остановлен."));
    } else if (result.status == marc::SearchStatus::Failed) {
        lblStatus->setText(result.error);
        warn(result.error);
    } else {
        records_ = result.records;
        const QString catalogue = cbCatalogue->currentText();
        for (const marc::ReadRecord &r : records_) {
            const marc::BookFields &f = r.fields;
            auto *item = new QTreeWidgetItem(grRecords, {r.ok() ? f.author : r.problem, f.title.simplified(), f.location,
                                                         f.publisher, f.year ? QString::number(*f.year) : QString(), catalogue});
            item->setDisabled(!r.ok());
        }
        lblStatus->setText(result.hits == 0 ? QStringLiteral("Ничего не найдено.")
                                            : int(records_.size()) < result.hits
                                                  ? QStringLiteral("Найдено записей: %1, показаны первые %2.").arg(result.hits).arg(records_.size())
                                                  : QStringLiteral("Найдено записей: %1.").arg(result.hits));
        if (grRecords->topLevelItemCount() > 0)
            grRecords->setCurrentItem(grRecords->topLevelItem(0));
    }
    emit searchFinished();
}

void TCatalogueSearchForm::grRecordsChange()
{
    const int row = grRecords->indexOfTopLevelItem(grRecords->currentItem());
    const bool chosen = row >= 0 && row < int(records_.size());
    edRecord->setHtml(chosen ? recordPage(records_[std::size_t(row)], cbCatalogue->currentText()) : QString());
    btnTake->setEnabled(chosen && records_[std::size_t(row)].ok());
}

void TCatalogueSearchForm::btnTakeClick()
{
    const int row = grRecords->indexOfTopLevelItem(grRecords->currentItem());
    if (row < 0 || row >= int(records_.size()) || !records_[std::size_t(row)].ok())
        return;
    chosen_ = records_[std::size_t(row)].fields;
    accept();
}

void TCatalogueSearchForm::done(int result)
{
    btnStopClick();
    QDialog::done(result);
}
