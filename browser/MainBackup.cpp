// The backup script of the whole database and the restore of the catalogue from one.
#include "Main.h"

#include "DBModUnit.h"
#include "Platform.h"
#include "RubricTree.h"
#include "WorkProgress.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTreeWidget>

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
    QString kept;
    store::RestoredCatalogue restored;
    const bool done = runGuarded([&] {
        ui::WorkProgress progress(this, QStringLiteral("Восстановление каталога…"));
        restored = dbMod_->RestoreCatalogue(file, kept, progress.callback());
    });
    if (!done)
        return;
    reloadAfterRestore();
    QString report = QStringLiteral("Каталог восстановлен из файла «%1». Каталог, каким он был до восстановления, "
                                    "сохранён в файле «%2». Получено строк:")
                         .arg(file, kept);
    for (const auto &[table, count] : restored.rows)
        report += QStringLiteral("\n%1: %2").arg(table).arg(count);
    if (!restored.skipped.isEmpty())
        report += QStringLiteral("\n\nНе восстанавливались (представления и служебные таблицы, а не данные): %1.")
                      .arg(restored.skipped.join(QStringLiteral(", ")));
    ui::platform().messageBox(this, report, caption, ui::MsgIcon::Information, ui::Ok);
}

// Every pane shows the restored catalogue: the whole of it, under its own item kinds, with the
// rubric tree from its root, the author index and the keyword pane read afresh.
void TMainForm::reloadAfterRestore()
{
    edSearch->clear();
    edKeywordFilter->clear();
    runGuarded([this] {
        dbMod_->myKeywordFilter.close();
        for (data::Dataset *ds : {&dbMod_->MyCats, &dbMod_->myItemKinds})
            if (ds->active())
                ds->refresh();
        const bool filtered = !dbMod_->MyBooks.filterSQL().isEmpty();
        dbMod_->CurrentKind = 0;
        dbMod_->SetCondition(QString()); // re-reads the catalogue when it was narrowed
        if (!filtered && dbMod_->MyBooks.active())
            dbMod_->MyBooks.refresh();
    });
    fillKindTabs();
    {
        const QSignalBlocker quiet(tvRubrics);
        tvRubrics->clear();
        ui::addRubricNode(tvRubrics->invisibleRootItem(), QStringLiteral("Рубрикатор"), 0, true);
    }
    openRubricRoot();
    {
        const QSignalBlocker quiet(tvAuthors);
        tvAuthors->clear();
        fillAuthorLetters();
    }
    ShowRecordCount();
}
