#pragma once

#include "CatalogueRestore.h"
#include "IniFile.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/Progress.h"
#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace store {

// What the save dialog of the backup asks for; the window shows the dialog itself.
struct SaveDialogSpec {
    QString defaultExtension;
    QString filter;
    QString fileName; // the name chosen last, proposed at the next showing
};

// The data module: the connection, every dataset of the program and the operations on them
// that the windows share. It knows nothing of windows: the dialog it needs when the database
// cannot be opened is handed in by the program entry.
class TDBMod : public QObject {
    Q_OBJECT
public:
    // programFile: full path of the running program file; its folder becomes AppDir.
    explicit TDBMod(const QString &programFile, QObject *parent = nullptr);
    ~TDBMod() override;

    // Shown when the database cannot be opened; returns true when it opened a connection.
    std::function<bool(TDBMod &, const data::DataError &)> showSetupForm;

    void DataModuleCreate();
    void DataModuleDestroy();

    // Filter composer.
    void SetKind(quint16 kind);
    void SetCondition(const QString &entry);
    QString JoinConditions() const;
    void ApplyFilter();

    // Value lists and shared queries.
    QStringList DistinctValues(const QString &field, const QString &table, const QString &order, quint8 limit);
    int NextInvNum();
    void LoadItemKinds(QStringList &names, QStringList &ids);
    void AddItemKind(const QString &name, int id);
    // An id for a new item kind: the one proposed when it is free, else one more than the largest.
    int FreeItemKindId(int proposed);

    // A new catalogue record's defaults; runs for every append to MyBooks.
    void MyBooksNewRecord(data::Dataset &dataset);
    // Posts the catalogue record; a record whose item kind or inventory number changed takes
    // its electronic version along to the new name.
    void PostBooks();

    // Rubrics in `categories`. Ids are carried whole; a name reaches the engine as a bound value;
    // a rubric goes with every rubric below it, so no row is left that no tree can reach.
    qint64 AddCategory(const QString &title, qint64 parent);
    bool RenameCategory(qint64 id, const QString &title);
    void DeleteCategory(qint64 id);

    // Where the current record's electronic version lives.
    QString EbookPath();
    // Where its file is now: where a document chosen during this edit was copied to, else
    // where the record as last saved names it. PostBooks moves it to EbookPath.
    QString EbookFileOnDisk();
    void noteEbookWritten(const QString &path) { ebookWritten_ = path; }
    void forgetEbookWritten() { ebookWritten_.clear(); }
    QString EbookPathOf(const QVariant &kind, const QVariant &invNum, const QVariant &file) const;
    // Before a holding is deleted its keywords go.
    void MyBooksBeforeDelete(data::Dataset &dataset);
    void DeleteKeywords(qint64 bookId);
    void DeleteKeywords(); // of the current record
    void AddKeyword(const QString &text);

    // The titles of the current record's rubrics, each followed by "; ".
    QString RubricNames();

    // Loans. The holding's onloan, loaner and date_out copy its first open loan, or say it is
    // not lent when it has none; the record must be in edit or insert state.
    void MirrorOpenLoan();
    // Returns the current holding: its first open loan gets today's date.
    void ReturnHolding();

    // The edit-mode password. The typed text is bound, never joined into the statement, so no
    // text can change what the statement does, and the comparison stays exact.
    bool CheckPassword(const QString &text);
    QString ReadPassword();
    void SavePassword(const QString &text);

    // Writes the holdings the catalogue shows as an HTML table into a copy of the template
    // table.html of the program folder.
    void ExportHtml(const QString &fileName, const data::Progress &progress = {});

    // True once the database has been opened in this run: only then is there anything to copy.
    bool storeOpened() const { return storeOpened_; }
    // The copy due at the end of the run could not be written (full disk, folder not writable).
    bool ExitCopyFailed = false;

    // Puts back a backup script of the catalogue; the catalogue as it was is kept first in a dated
    // file of the backup folder, whose path comes back in keptCopy. Raises when the copy cannot be
    // made (nothing is changed then) or the script is refused or fails.
    RestoredCatalogue RestoreCatalogue(const QString &fileName, QString &keptCopy, const data::Progress &progress = {});

    data::Connection MyServer;
    data::Dataset MyBooks{&MyServer};
    data::DataSource srcBooks{&MyBooks};
    data::Dataset myOrders{&MyServer};
    data::DataSource srcOrders{&myOrders};
    data::Dataset MyCats{&MyServer};
    data::DataSource srcCats{&MyCats};
    data::Dataset myAuthors{&MyServer};
    data::Dataset RprtSet{&MyServer};
    data::Dataset myKeywords{&MyServer};
    data::DataSource srcKeywords{&myKeywords};
    data::Dataset myItemKinds{&MyServer};
    data::DataSource srcItemKinds{&myItemKinds};
    data::Dataset myKeywordFilter{&MyServer};
    data::DataSource srcKeywordFilter{&myKeywordFilter};
    data::ScriptDump MyDump{&MyServer};
    SaveDialogSpec dlgSave{QStringLiteral("sql"), QStringLiteral("файлы данных|*.sql"), {}};

    quint16 CurrentKind = 0;
    std::optional<QStringList> Conditions; // created by DataModuleCreate
    QString FilesDir;

private:
    void openStore();
    void applyComposed(const std::function<void()> &change);
    QString programFile_;
    std::unique_ptr<IniFile> settings_;
    bool storeOpened_ = false;
    QString ebookWritten_;
    bool destroyed_ = false;
};

} // namespace store
