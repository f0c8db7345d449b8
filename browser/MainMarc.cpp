// Records exchanged with other library systems: a MARC file imported, the holdings shown exported.
#include "Main.h"

#include "CatalogueExchange.h"
#include "DBModUnit.h"
#include "MarcImportForm.h"
#include "Platform.h"
#include "BackgroundWork.h"

#include <QFileInfo>

void TMainForm::miMarcImportClick()
{
    const QString caption = QStringLiteral("Импорт записей MARC");
    const QString file = ui::platform().openFileName(
        this, caption, QFileInfo(marcFile_).path(),
        QStringLiteral("Записи MARC (ISO 2709, MARCXML)|*.mrc;*.iso;*.marc;*.xml|ISO 2709|*.mrc;*.iso;*.marc|MARCXML|*.xml|Все файлы|*.*"));
    if (file.isEmpty())
        return;
    marcFile_ = file;
    TMarcImportForm form(dbMod_, this);
    QStringList names, ids;
    bool opened = false;
    runGuarded([&] {
        dbMod_->LoadItemKinds(names, ids);
        form.setItemKinds(names, ids, dbMod_->CurrentKind);
        opened = form.openFile(file);
    });
    if (!opened || ui::platform().runModal(form) != QDialog::Accepted)
        return;
    runGuarded([this] { dbMod_->MyBooks.refresh(); });
    ShowRecordCount();
}

void TMainForm::miMarcExportClick()
{
    const QString file = ui::platform().saveFileName(this, QStringLiteral("Экспорт записей MARC"), marcFile_,
                                                     marc::exportFileFilter(), QStringLiteral("mrc"));
    if (file.isEmpty())
        return;
    marcFile_ = file;
    const int count = dbMod_->MyBooks.recordCount();
    bool finished = false;
    const bool written = runGuarded([&] {
        ui::BackgroundWork work(this, QStringLiteral("Экспорт записей MARC…"));
        finished = work.runWithProgress([&](const data::Progress &progress) { marc::exportRecords(*dbMod_, file, marc::exportFormForFile(file), progress); });
    });
    if (written)
        ui::platform().messageBox(this, finished ? QStringLiteral("Записей выгружено: %1, файл «%2».").arg(count).arg(file)
                                                 : QStringLiteral("Экспорт отменён: файл «%1» не записан.").arg(file),
                                  QStringLiteral("Экспорт записей MARC"), ui::MsgIcon::Information, ui::Ok);
}
