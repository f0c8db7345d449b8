// The data module's life: folders, settings, opening the database at start, the copy at the end.
#include "DBModUnit.h"

#include "CatalogueRestore.h"
#include "CatalogueSettings.h"
#include "CatalogueTables.h"
#include "DatabaseCopy.h"
#include "MyLower.h"
#include "ProcessValues.h"
#include "SchemaCreation.h"
#include "data/DataError.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

namespace store {

namespace {
const QString ServerSection = QStringLiteral("MySQL");
}

TDBMod::TDBMod(const QString &programFile, QObject *parent) : QObject(parent), programFile_(programFile)
{
    MyBooks.setSql(QStringLiteral("SELECT * FROM books"));
    MyBooks.setFetchAll(true);
    MyBooks.beforeDelete = [this](data::Dataset &ds) { MyBooksBeforeDelete(ds); };
    MyBooks.onNewRecord = [this](data::Dataset &ds) { MyBooksNewRecord(ds); };
    myOrders.setSql(QStringLiteral("SELECT * FROM orders"));
    myOrders.setMasterSource(&srcBooks);
    myOrders.setMasterFields(QStringLiteral("id"));
    myOrders.setDetailFields(QStringLiteral("book_id"));
    MyCats.setSql(QStringLiteral("SELECT * FROM categories ORDER BY title ASC"));
    MyCats.setFetchAll(true);
    myAuthors.setSql(QStringLiteral("SELECT DISTINCT author FROM books"));
    RprtSet.setFetchAll(true);
    myKeywords.setSql(QStringLiteral("SELECT * FROM keywords"));
    myKeywords.setMasterSource(&srcBooks);
    myKeywords.setMasterFields(QStringLiteral("id"));
    myKeywords.setDetailFields(QStringLiteral("book_id"));
    myKeywords.setFetchAll(true);
    myItemKinds.setSql(QStringLiteral("SELECT * FROM v_itemkind ORDER BY id"));
    myKeywordFilter.setSql(QStringLiteral("SELECT id, keyword, book_id FROM keywords WHERE keyword LIKE :key"));
}

TDBMod::~TDBMod()
{
    DataModuleDestroy();
}

void TDBMod::DataModuleCreate()
{
    ProcessValues &p = process();
    p.AppDir = QFileInfo(programFile_).absolutePath() + u'/';
    FilesDir = p.AppDir + QStringLiteral("/files/");
    // TEMP is rarely set on Linux; the system's temporary folder stands in for it.
    p.TempDir = qEnvironmentVariable("TEMP");
    if (p.TempDir.isEmpty())
        p.TempDir = QDir::tempPath();
    settings_ = std::make_unique<IniFile>(p.AppDir + QStringLiteral("library.ini"));
    p.SettingsFile = settings_.get();
    applyCatalogueSettings(MyServer, *settings_, p.AppDir);
    p.BackupDir = settings_->readString(QStringLiteral("General"), QStringLiteral("BackupPath"),
                                        p.AppDir + QStringLiteral("/Backup"));
    p.AutoLogon = settings_->readBool(QStringLiteral("General"), QStringLiteral("AutoAdminLogon"), false);
    openStore();
    // With no database there is nothing to register the function on; the program ends at the
    // main window's first show, so no error is shown for it.
    if (!p.ConnectFailed)
        MyServer.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction, MyLowerOnServer);
    p.ThisYear = quint16(QDate::currentDate().year());
    Conditions.emplace();
}

void TDBMod::openStore()
{
    ProcessValues &p = process();
    try {
        MyServer.open();
        // A server's catalogue is made by its creation script, never here.
        if (!MyServer.isServer())
            ensureCatalogueSchema(MyServer);
        p.ConnectFailed = false;
    } catch (const data::DataError &e) {
        MyServer.close();
        const bool ok = showSetupForm && showSetupForm(*this, e) && MyServer.isOpen();
        p.ConnectFailed = !ok;
        if (ok) {
            settings_->writeString(ServerSection, QStringLiteral("hostname"), MyServer.serverName());
            settings_->writeString(ServerSection, QStringLiteral("username"), MyServer.userName());
            settings_->writeString(ServerSection, QStringLiteral("password"), MyServer.password());
            settings_->writeString(ServerSection, QStringLiteral("database"), MyServer.database());
            // A certificate confirmed in the dialog is the one to expect from now on.
            if (!MyServer.serverFingerprint().isEmpty())
                settings_->writeString(ServerSection, QStringLiteral("ServerFingerprint"), MyServer.serverFingerprint());
        }
    }
    // A session the settings dialog left half-open is no catalogue: nothing to copy at the end.
    storeOpened_ = !p.ConnectFailed && MyServer.isOpen();
}

RestoredCatalogue TDBMod::RestoreCatalogue(const QString &fileName, QString &keptCopy, const data::Progress &progress)
{
    return restoreCatalogue(MyDump, MyServer, fileName, progress, [&] {
        keptCopy = writeCopyBeforeRestore(MyServer, process().BackupDir);
        if (keptCopy.isEmpty())
            throw data::DataError(
                QStringLiteral("Не удалось сохранить копию текущего каталога в папку «%1». Каталог не изменён.")
                    .arg(process().BackupDir));
    });
}

void TDBMod::DataModuleDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    ProcessValues &p = process();
    // Nothing to copy after a failed open, and a view-mode run changed nothing.
    if (!p.ViewOnly && storeOpened_ && MyServer.isOpen())
        ExitCopyFailed = writeExitCopy(MyServer, p.BackupDir, catalogueTables(),
                                       settings_->readInteger(QStringLiteral("General"), QStringLiteral("BackupKeep"), 10)) ==
                         ExitCopy::Failed;
    if (p.SettingsFile == settings_.get())
        p.SettingsFile = nullptr;
    settings_.reset();
    Conditions.reset();
}

} // namespace store
