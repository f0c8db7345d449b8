// The backup script of the whole database and the restore of the catalogue from one.
#include "Main.h"

#include "CatalogueRestore.h"
#include "DBModUnit.h"
#include "DatabaseCopy.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "WorkProgress.h"

#include <QFileInfo>

void TMainForm::miBackupClick()
{
    store::SaveDialogSpec &dialog = dbMod_->dlgSave;
    const QString file = ui::platform().saveFileName(this, QStringLiteral("Резервная копия"), dialog.fileName,
                                                     dialog.filter, dialog.defaultExtension);
    if (file.isEmpty())
        return;
    dialog.fileName = file;
    const bool written = runGuarded([&] {
        ui::WorkProgress progress(this, QStringLiteral("Резервное копирование…"));
        dbMod_->MyDump.BackupToScript(file, progress.callback());
    });
    if (written)
        ui::platform().messageBox(this, QStringLiteral("Резервная копия успешно сохранена в файл %1").arg(file),
                                  QStringLiteral("Резервное копирование"), ui::MsgIcon::Information, ui::Ok);
}

void TMainForm::miRestoreClick()
{
    const QString caption = QStringLiteral("Восстановление из резервной копии");
    const QString file = ui::platform().openFileName(this, caption, QFileInfo(dbMod_->dlgSave.fileName).path(),
                                                     dbMod_->dlgSave.filter);
    if (file.isEmpty())
        return;
    const QString question =
        QStringLiteral("Каталог будет заменён содержимым резервной копии «%1». Всё, что изменено после её "
                       "создания, пропадёт. Продолжить?")
            .arg(file);
    if (ui::platform().messageBox(this, question, caption, ui::MsgIcon::Warning, ui::Yes | ui::No) != ui::Yes)
        return;
    // The database as it is now is kept first, as at the end of a run, so that it can be had back.
    const QString backupDir = store::process().BackupDir;
    if (!store::copyDatabaseTo(dbMod_->MyServer, backupDir)) {
        ui::platform().messageBox(
            this, QStringLiteral("Не удалось сохранить копию текущей базы в папку «%1». Каталог не изменён.").arg(backupDir),
            caption, ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    data::TableRows rows;
    const bool restored = runGuarded([&] {
        ui::WorkProgress progress(this, QStringLiteral("Восстановление каталога…"));
        rows = store::restoreCatalogue(dbMod_->MyDump, dbMod_->MyServer, file, progress.callback());
    });
    if (!restored)
        return;
    reloadAfterRestore();
    QString report = QStringLiteral("Каталог восстановлен из файла «%1». Получено строк:").arg(file);
    for (const auto &[table, count] : rows)
        report += QStringLiteral("\n%1: %2").arg(table).arg(count);
    ui::platform().messageBox(this, report, caption, ui::MsgIcon::Information, ui::Ok);
}

// Every dataset the windows show is read again; the rubric tree starts from its root.
void TMainForm::reloadAfterRestore()
{
    runGuarded([this] {
        for (data::Dataset *ds : {&dbMod_->MyBooks, &dbMod_->MyCats, &dbMod_->myItemKinds})
            if (ds->active())
                ds->refresh();
    });
    openRubricRoot();
    ShowRecordCount();
}
