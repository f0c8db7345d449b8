// The record's electronic version: opening it, choosing a document to copy in, deleting it.
#include "BookFormUnit.h"

#include "DBModUnit.h"
#include "EbookFiles.h"
#include "Platform.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {
const char *const EbookFilter = "Все файлы|*.*|Документы Word (*.doc;*.docx)|*.doc;*.docx|Текстовые файлы|*.txt|"
                                "Электронные док-ты PDF|*.pdf";
}

void TBookForm::btnEbookClick()
{
    const QString path = dbMod_->EbookFileOnDisk();
    if (QFileInfo(path).isFile()) {
        ui::platform().shellOpen(path);
        return;
    }
    // The "c" is the Latin letter, as the message has always read.
    ui::platform().messageBox(this, QStringLiteral("Файл c электронной версией не обнаружен"),
                              QApplication::applicationName(), ui::MsgIcon::Information, ui::Ok);
}

void TBookForm::btnEbookContextPopup()
{
    const bool exists = QFileInfo(dbMod_->EbookFileOnDisk()).isFile();
    N2->setEnabled(!exists);
    N3->setEnabled(exists);
}

// The menu offers what can be done now: choosing when there is no file, deleting when there is.
void TBookForm::SpeedButton1Click()
{
    btnEbookContextPopup();
    PopupMenu1->popup(btnEbook->mapToGlobal(QPoint(6, btnEbook->height())));
}

// The copy is made first; the record takes the new extension only once its file is in place,
// so that it never names a file that is not there or an older one. Saving the record later
// moves the copy along if the kind or the number changed meanwhile.
void TBookForm::N2Click()
{
    const QString source = ui::platform().openFileName(this, QStringLiteral("Открыть"), QString(),
                                                       QString::fromUtf8(EbookFilter));
    if (source.isEmpty())
        return;
    data::Dataset &books = dbMod_->MyBooks;
    const QString extension = store::ebookExtension(source);
    const QString target = dbMod_->EbookPathOf(books.fieldByName(QStringLiteral("itemkind_id")).asVariant(),
                                               books.fieldByName(QStringLiteral("inv_num")).asVariant(), extension);
    bool replace = false;
    if (QFileInfo::exists(target)) {
        if (ui::platform().messageBox(this,
                                      QStringLiteral("Файл «%1» уже есть в папке электронных версий. Заменить его?")
                                          .arg(QFileInfo(target).fileName()),
                                      QStringLiteral("Внимание"), ui::MsgIcon::Warning, ui::Yes | ui::No) != ui::Yes)
            return;
        replace = true;
    }
    runGuarded([&] {
        store::copyEbookFile(source, target, replace);
        dbMod_->noteEbookWritten(target);
        if (books.state() == data::DatasetState::Browse)
            books.edit();
        books.fieldByName(QStringLiteral("file")).setValue(extension);
    });
}

void TBookForm::N3Click()
{
    if (ui::platform().messageBox(this, QStringLiteral("Уверены, что хотите удалить файл?"), QStringLiteral("Внимание"),
                                  ui::MsgIcon::Warning, ui::Yes | ui::No) != ui::Yes)
        return;
    QFile::remove(dbMod_->EbookFileOnDisk());
    dbMod_->forgetEbookWritten();
    runGuarded([this] {
        data::Dataset &books = dbMod_->MyBooks;
        if (books.state() == data::DatasetState::Browse)
            books.edit();
        books.fieldByName(QStringLiteral("file")).clear();
    });
}
