// A record from another library's catalogue fills the card: "Найти в каталогах..." opens the
// search, "Взять в карточку" brings the record's fields into the boxes. Nothing is stored before
// "ОК"; the record's keywords wait until then, or until the page "Описание" shows them.
#include "BookFormUnit.h"

#include "CatalogueSearchForm.h"
#include "DBModUnit.h"
#include "KeywordText.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

TCatalogueSearchForm *TBookForm::catalogueForm()
{
    if (!catalogueForm_)
        catalogueForm_ = new TCatalogueSearchForm(this);
    return catalogueForm_;
}

void TBookForm::btnCataloguesClick()
{
    TCatalogueSearchForm *form = catalogueForm();
    store::IniFile *settings = store::process().SettingsFile;
    QStringList problems;
    form->setCatalogues(marc::configuredCatalogues(settings, &problems), marc::catalogueTimeoutSeconds(settings));
    if (!problems.isEmpty())
        ui::platform().messageBox(this, QStringLiteral("В разделе [Catalogues] файла library.ini не читаются строки:\n") + problems.join(u'\n'),
                                  QStringLiteral("Поиск в каталогах"), ui::MsgIcon::Warning, ui::Ok);
    form->setRequest(edISBN->text(), edAuthor->text(), edTitle->toPlainText());
    if (ui::platform().runModal(*form) == QDialog::Accepted)
        fillFromCatalogue(form->chosenFields());
}

void TBookForm::fillFromCatalogue(const marc::BookFields &fields)
{
    runGuarded([&] {
        data::Dataset &books = dbMod_->MyBooks;
        if (books.state() == data::DatasetState::Browse)
            books.edit();
        for (int i = 0; i < marc::BookFieldCount; ++i) {
            const auto field = marc::BookField(i);
            const QString text = marc::fieldText(fields, field);
            if (field == marc::BookField::Keywords || text.isEmpty())
                continue;
            const QString column = marc::columnOf(field);
            if (field == marc::BookField::Price)
                books.fieldByName(column).setValue(*fields.price);
            else if (field == marc::BookField::Year || field == marc::BookField::Pages)
                books.fieldByName(column).setValue(text.toInt());
            else
                books.fieldByName(column).setValue(text);
        }
    });
    catalogueKeywords_ = fields.keywords;
    if (PageControl1->currentWidget() == tshDetails)
        mergeCatalogueKeywords();
}

// The keywords shown join the record's; leaving the box stores them, as typed ones are.
void TBookForm::mergeCatalogueKeywords()
{
    if (catalogueKeywords_.isEmpty())
        return;
    QStringList keywords = store::splitKeywords(edKeywords->toPlainText());
    for (const QString &k : catalogueKeywords_)
        if (!keywords.contains(k, Qt::CaseInsensitive))
            keywords << k;
    catalogueKeywords_.clear();
    edKeywords->setPlainText(store::joinKeywords(keywords));
    edKeywords->document()->setModified(true);
}

// After "ОК" saved the record: the keywords it did not have yet.
void TBookForm::storeCatalogueKeywords()
{
    if (catalogueKeywords_.isEmpty())
        return;
    runGuarded([this] {
        QStringList stored;
        data::Dataset &ds = dbMod_->myKeywords;
        if (!ds.active())
            ds.open();
        for (ds.first(); !ds.eof(); ds.next())
            stored << ds.field(1).asString();
        for (const QString &k : catalogueKeywords_)
            if (!stored.contains(k, Qt::CaseInsensitive))
                dbMod_->AddKeyword(k);
    });
    catalogueKeywords_.clear();
}
