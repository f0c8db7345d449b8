// The record's keywords on the page "Описание": joined into one box, split again when it is left.
#include "BookFormUnit.h"

#include "DBModUnit.h"
#include "KeywordText.h"

#include <QPlainTextEdit>

void TBookForm::tshDetailsShow()
{
    edKeywords->clear();
    QStringList keywords;
    runGuarded([&] {
        data::Dataset &ds = dbMod_->myKeywords;
        if (ds.active())
            ds.first();
        else
            ds.open();
        for (; !ds.eof(); ds.next())
            keywords << ds.field(1).asString();
        ds.close();
    });
    edKeywords->setPlainText(store::joinKeywords(keywords));
    edKeywords->document()->setModified(false);
    mergeCatalogueKeywords();
}

// Stored as soon as the box is left, whatever "ОК" or "Отмена" later does with the record; a
// read-only catalogue (view mode) keeps its keywords whatever reached the box.
void TBookForm::edKeywordsExit()
{
    if (!edKeywords->document()->isModified() || dbMod_->MyBooks.readOnly())
        return;
    runGuarded([this] {
        dbMod_->DeleteKeywords();
        for (const QString &keyword : store::splitKeywords(edKeywords->toPlainText()))
            dbMod_->AddKeyword(keyword);
    });
}
