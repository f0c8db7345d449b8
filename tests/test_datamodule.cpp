// The data module as the program entry and the windows use it: start-up (folders, settings,
// opening or creating the database), the record filter composer, the value lists and shared
// queries, and the copy of the database made at the end of a run.
#include "DBModUnit.h"
#include "IniFile.h"
#include "ProcessValues.h"
#include "StoreError.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

using namespace store;

namespace {

// A second, independent connection to a database file, as another program would hold it.
class RawDb {
public:
    explicit RawDb(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~RawDb() { sqlite3_close_v2(db_); }
    RawDb(const RawDb &) = delete;
    RawDb &operator=(const RawDb &) = delete;

    // Empty when every statement ran, else the engine's message.
    QString exec(const QString &sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK)
            return {};
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(db_));
        sqlite3_free(error);
        return message.isEmpty() ? QStringLiteral("error") : message;
    }

    // Each row's columns joined with ", "; NULL shows as "NULL". A failing query gives one
    // entry starting with "error: ".
    QStringList rows(const QString &sql)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return {QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db_))};
        QStringList result;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList cells;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                cells << (sqlite3_column_type(stmt, c) == SQLITE_NULL
                              ? QStringLiteral("NULL")
                              : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c))));
            result << cells.join(QStringLiteral(", "));
        }
        if (rc != SQLITE_DONE)
            result << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_finalize(stmt);
        return result;
    }

private:
    sqlite3 *db_ = nullptr;
};

// Counts the runs of the catalogue query on a connection, so a test can tell a re-query from
// a call that left the rows alone.
class CatalogueQueryCounter {
public:
    explicit CatalogueQueryCounter(Connection &connection) : db_(connection.handle())
    {
        sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &CatalogueQueryCounter::onStatement, this);
    }
    ~CatalogueQueryCounter() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
    CatalogueQueryCounter(const CatalogueQueryCounter &) = delete;
    CatalogueQueryCounter &operator=(const CatalogueQueryCounter &) = delete;

    int runs() const { return runs_; }

private:
    static int onStatement(unsigned, void *context, void *, void *text)
    {
        static const char prefix[] = "SELECT * FROM books";
        if (std::strncmp(static_cast<const char *>(text), prefix, sizeof prefix - 1) == 0)
            ++static_cast<CatalogueQueryCounter *>(context)->runs_;
        return 0;
    }

    sqlite3 *db_;
    int runs_ = 0;
};

// A fake program folder holding the program file "library", and the data module started from it.
struct Program {
    QTemporaryDir dir;
    std::unique_ptr<TDBMod> mod;
    // What the server settings dialog does when shown; by default it is closed without success.
    std::function<bool(TDBMod &)> setupForm;
    int setupCalls = 0;
    QString setupMessage;
    int setupCode = 0;

    QString folder() const { return dir.path(); }
    QString path(const QString &name) const { return dir.path() + u'/' + name; }
    QString dbFile() const { return path(QStringLiteral("library.sdb")); }

    TDBMod &start(const QString &programFile = {})
    {
        mod = std::make_unique<TDBMod>(programFile.isEmpty() ? path(QStringLiteral("library")) : programFile);
        mod->showSetupForm = [this](TDBMod &m, const StoreError &e) {
            ++setupCalls;
            setupMessage = e.message();
            setupCode = e.sqliteCode();
            return setupForm ? setupForm(m) : false;
        };
        mod->DataModuleCreate();
        return *mod;
    }
    // The end of the run: destroying the module runs its destruction handler.
    void stop() { mod.reset(); }
};

// Code page 1251 for ASCII and the Russian alphabet, enough for the settings files written here.
QByteArray cp1251(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            out += char(u);
        else if (u >= 0x410 && u <= 0x44F)
            out += char(0xC0 + (u - 0x410));
        else if (u == 0x401)
            out += char(0xA8);
        else if (u == 0x451)
            out += char(0xB8);
        else
            out += '?';
    }
    return out;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The ids of the rows the dataset holds, ascending, separated by blanks.
QString shownIds(Dataset &ds)
{
    QList<qint64> ids;
    for (int i = 0; i < ds.recordCount(); ++i)
        ids << ds.valueAt(i, 0).toLongLong();
    std::sort(ids.begin(), ids.end());
    QStringList texts;
    for (qint64 id : ids)
        texts << QString::number(id);
    return texts.join(u' ');
}

// "#n" chooses item kind n; anything else is handed to SetCondition.
void apply(TDBMod &mod, const QStringList &steps)
{
    for (const QString &step : steps) {
        if (step.startsWith(u'#'))
            mod.SetKind(quint16(step.mid(1).toUInt()));
        else
            mod.SetCondition(step);
    }
}

// Conditions the panes hand to the composer; the comment gives the holdings each keeps.
const QString S = QStringLiteral("my_lower(title) LIKE '%мир%'");                        // 1
const QString S2 = QStringLiteral("my_lower(author) LIKE 'толстой%'");                   // 1 4
const QString S3 = QStringLiteral("inv_num = 3");                                        // 4
const QString P = QStringLiteral("author LIKE 'Пушкин%'");                               // 2
const QString R = QStringLiteral("(rubric LIKE '1.%' OR rubric LIKE '%;1.%')");          // 1 4
const QString N = QStringLiteral("(date_reg BETWEEN '2024-01-01' AND '2024-12-31')");    // 2 3 4 6
const QString BAR = QStringLiteral("my_lower(title) LIKE '%|%'");                        // 6

// Six holdings in three item kinds.
const QString catalogueRows = QStringLiteral(
    "INSERT INTO books (id, inv_num, author, title, date_reg, itemkind_id, rubric) VALUES"
    " (1, 1, 'Толстой Л.Н.', 'Война и мир', '2023-05-10', 1, '1.;'),"
    " (2, 2, 'Пушкин А.С.', 'Евгений Онегин', '2024-02-01', 1, '3.;'),"
    " (3, 1, 'Чехов А.П.', 'Вишнёвый сад', '2024-03-15', 2, NULL),"
    " (4, 3, 'Толстой А.Н.', 'Хождение по мукам', '2024-07-20', 3, '2.5.;1.;'),"
    " (5, 41, 'Гоголь Н.В.', 'Мёртвые души', '2022-01-01', 3, '11.;'),"
    " (6, 5, 'Барто А.Л.', 'Стихи | песни', '2024-12-31', 1, NULL);");

const QStringList catalogueTables = {QStringLiteral("books"),    QStringLiteral("categories"),
                                     QStringLiteral("keywords"), QStringLiteral("orders"),
                                     QStringLiteral("settings"), QStringLiteral("v_itemkind")};

} // namespace

class TestDataModule : public QObject {
    Q_OBJECT

    QByteArray savedTemp_;
    bool hadTemp_ = false;

    // A catalogue made by an earlier run of the program, holding the given rows; the earlier
    // run's backup folder is removed so that a test sees only its own run's copy.
    static bool makeEarlierCatalogue(Program &p, const QString &rowsSql)
    {
        p.start();
        if (!p.mod->storeOpened())
            return false;
        if (!rowsSql.isEmpty())
            p.mod->MyServer.runStatement(rowsSql);
        p.stop();
        resetProcess();
        return QDir(p.path(QStringLiteral("Backup"))).removeRecursively();
    }

    // A started module over the six holdings, with the catalogue open.
    static TDBMod &startCatalogue(Program &p)
    {
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(catalogueRows);
        mod.MyBooks.open();
        return mod;
    }

private slots:
    void initTestCase()
    {
        hadTemp_ = qEnvironmentVariableIsSet("TEMP");
        savedTemp_ = qgetenv("TEMP");
    }

    void init() { resetProcess(); }

    void cleanup()
    {
        if (hadTemp_)
            qputenv("TEMP", savedTemp_);
        else
            qunsetenv("TEMP");
    }

    // ---- start-up -------------------------------------------------------------------------

    void startWithoutCatalogueCreatesIt_data()
    {
        QTest::addColumn<QByteArray>("existingFile"); // "-" for none
        QTest::addColumn<QString>("existingSql");
        QTest::addColumn<QStringList>("extraTables");

        QTest::newRow("no database file") << QByteArray("-") << QString() << QStringList();
        QTest::newRow("empty file") << QByteArray() << QString() << QStringList();
        QTest::newRow("database with an unrelated table")
            << QByteArray() << QStringLiteral("CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('оставить');")
            << QStringList{QStringLiteral("notes")};
    }

    void startWithoutCatalogueCreatesIt()
    {
        QFETCH(QByteArray, existingFile);
        QFETCH(QString, existingSql);
        QFETCH(QStringList, extraTables);
        Program p;
        if (existingFile != "-")
            QVERIFY(writeBytes(p.dbFile(), existingFile));
        if (!existingSql.isEmpty()) {
            RawDb other(p.dbFile());
            QCOMPARE(other.exec(existingSql), QString());
        }

        TDBMod &mod = p.start();

        QCOMPARE(p.setupCalls, 0);
        QVERIFY(!process().ConnectFailed);
        QVERIFY(mod.storeOpened());
        RawDb check(p.dbFile());
        QStringList tables = catalogueTables + extraTables;
        tables.sort();
        QCOMPARE(check.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")), tables);
        if (!extraTables.isEmpty())
            QCOMPARE(check.rows(QStringLiteral("SELECT t FROM notes")), QStringList{QStringLiteral("оставить")});

        // Item kinds for the tabs, numbered from 1, and the edit-mode password row, empty.
        const QStringList kinds = check.rows(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id"));
        QVERIFY(kinds.size() >= 2);
        QCOMPARE(kinds[0], QStringLiteral("1, Книги"));
        QCOMPARE(kinds[1], QStringLiteral("2, Журналы"));
        for (int i = 0; i < kinds.size(); ++i)
            QVERIFY2(kinds[i].startsWith(QString::number(i + 1) + u','), qPrintable(kinds[i]));
        QCOMPARE(check.rows(QStringLiteral("SELECT name, value FROM settings")), QStringList{QStringLiteral("password, ")});
        for (const char *table : {"books", "orders", "categories", "keywords"})
            QCOMPARE(check.rows(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1StringView(table)),
                     QStringList{QStringLiteral("0")});

        // The columns other windows address by position.
        QStringList books = check.rows(QStringLiteral("SELECT name FROM pragma_table_info('books') ORDER BY cid"));
        QCOMPARE(books.size(), 22);
        const QStringList fixed = {QStringLiteral("id"),       QStringLiteral("inv_num"),  QStringLiteral("author"),
                                   QStringLiteral("title"),    QStringLiteral("date_reg"), QStringLiteral("source"),
                                   QStringLiteral("location")};
        QCOMPARE(books.mid(0, 7), fixed);
        QCOMPARE(books.mid(8, 4), (QStringList{QStringLiteral("year_p"), QStringLiteral("page_count"),
                                               QStringLiteral("price"), QStringLiteral("add_num")}));
        QCOMPARE(books[13], QStringLiteral("notes"));
        QCOMPARE(books[15], QStringLiteral("onloan"));
        QCOMPARE(check.rows(QStringLiteral("SELECT name FROM pragma_table_info('categories') ORDER BY cid")).mid(0, 3),
                 (QStringList{QStringLiteral("id"), QStringLiteral("title"), QStringLiteral("parent")}));
        QCOMPARE(check.rows(QStringLiteral("SELECT name FROM pragma_table_info('keywords') ORDER BY cid")).value(1),
                 QStringLiteral("keyword"));

        // The main window's datasets open on it.
        mod.MyBooks.open();
        mod.myItemKinds.open();
        QCOMPARE(mod.MyBooks.recordCount(), 0);
        QCOMPARE(mod.myItemKinds.recordCount(), kinds.size());
    }

    void startLeavesExistingDatabaseAsIs_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("only books, with a row")
            << QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"
                              "INSERT INTO books VALUES (1, 'Война и мир');");
        QTest::newRow("only settings") << QStringLiteral("CREATE TABLE settings (name TEXT, value TEXT);");
        QTest::newRow("table name in capitals") << QStringLiteral("CREATE TABLE V_ITEMKIND (id INTEGER PRIMARY KEY);");
    }

    void startLeavesExistingDatabaseAsIs()
    {
        QFETCH(QString, sql);
        Program p;
        {
            RawDb other(p.dbFile());
            QCOMPARE(other.exec(sql), QString());
        }
        const QByteArray before = readBytes(p.dbFile());
        QVERIFY(!before.isEmpty());

        TDBMod &mod = p.start();
        QCOMPARE(p.setupCalls, 0);
        QVERIFY(!process().ConnectFailed);
        QVERIFY(mod.storeOpened());
        p.stop();

        QCOMPARE(readBytes(p.dbFile()), before);
    }

    void startWithFileThatIsNoDatabase_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hookSet");
        QTest::newRow("text file") << QString::fromUtf8("Это не база данных.\r\n").repeated(100).toUtf8() << true;
        QTest::newRow("short text") << QByteArray("hello\n") << true;
        QTest::newRow("zip archive") << QByteArray("PK\x03\x04\x14\x00\x00\x00", 8).repeated(200) << true;
        QTest::newRow("damaged database header")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xff') << true;
        QTest::newRow("no settings dialog available") << QByteArray("hello\n") << false;
    }

    void startWithFileThatIsNoDatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, hookSet);
        Program p;
        QVERIFY(writeBytes(p.dbFile(), content));

        auto mod = std::make_unique<TDBMod>(p.path(QStringLiteral("library")));
        if (hookSet)
            mod->showSetupForm = [&p](TDBMod &, const StoreError &e) {
                ++p.setupCalls;
                p.setupMessage = e.message();
                p.setupCode = e.sqliteCode();
                return false;
            };
        mod->DataModuleCreate(); // no error escapes: the main window ends the program instead

        QCOMPARE(p.setupCalls, hookSet ? 1 : 0);
        if (hookSet) {
            QVERIFY2(!p.setupMessage.isEmpty(), "the dialog is told why");
            QVERIFY(p.setupCode != SQLITE_OK);
        }
        QVERIFY(process().ConnectFailed);
        QVERIFY(!mod->storeOpened());
        QVERIFY(!mod->MyServer.isOpen());
        QCOMPARE(process().ThisYear, quint16(QDate::currentDate().year()));
        mod.reset();

        QCOMPARE(readBytes(p.dbFile()), content);
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("Backup"))), "no copy after a failed open");
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("library.ini"))), "nothing written to the settings");
    }

    void settingsDialogThatOpensAnotherDatabase()
    {
        Program p;
        QVERIFY(writeBytes(p.dbFile(), QByteArrayLiteral("not a database\n")));
        const QString other = p.path(QStringLiteral("other.sdb"));
        {
            RawDb db(other);
            QCOMPARE(db.exec(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"
                                            "INSERT INTO books VALUES (1, 'ЁЛКА');")),
                     QString());
        }
        p.setupForm = [&other](TDBMod &m) {
            m.MyServer.setDatabase(other);
            m.MyServer.open();
            return true;
        };

        TDBMod &mod = p.start();

        QCOMPARE(p.setupCalls, 1);
        QVERIFY(!process().ConnectFailed);
        QVERIFY(mod.storeOpened());
        // The connection's keys, in their order, in section MySQL.
        const QString ini = QString::fromUtf8(readBytes(p.path(QStringLiteral("library.ini"))));
        const QStringList lines = ini.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const qsizetype at = lines.indexOf(QStringLiteral("[MySQL]"));
        QVERIFY2(at >= 0, qPrintable(ini));
        QCOMPARE(lines.size(), at + 5);
        QVERIFY(lines[at + 1].startsWith(QStringLiteral("hostname=")));
        QVERIFY(lines[at + 2].startsWith(QStringLiteral("username=")));
        QVERIFY(lines[at + 3].startsWith(QStringLiteral("password=")));
        QCOMPARE(lines[at + 4], QStringLiteral("database=") + other);
        // my_lower is there for the search conditions.
        Dataset q(&mod.MyServer);
        q.setSql(QStringLiteral("SELECT my_lower(title) FROM books"));
        q.open();
        QCOMPARE(q.field(0).asString(), QStringLiteral("ёлка"));
    }

    void lockedDatabaseAtStart_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<bool>("opens");
        QTest::newRow("another program writing") << QStringLiteral("BEGIN IMMEDIATE") << true;
        QTest::newRow("another program holding the file") << QStringLiteral("BEGIN EXCLUSIVE") << false;
    }

    void lockedDatabaseAtStart()
    {
        QFETCH(QString, lock);
        QFETCH(bool, opens);
        Program p;
        QVERIFY(makeEarlierCatalogue(p, catalogueRows));
        RawDb other(p.dbFile());
        QCOMPARE(other.exec(lock + QStringLiteral(";"
                                                  "INSERT INTO books (id, inv_num, title, itemkind_id) VALUES (7, 6, 'Новая', 1);")),
                 QString());

        QElapsedTimer clock;
        clock.start();
        TDBMod &mod = p.start();
        const qint64 waited = clock.elapsed();

        if (opens) {
            // Reading goes on beside a writer; its row is not there until it commits.
            QCOMPARE(p.setupCalls, 0);
            QVERIFY(mod.storeOpened());
            QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
            mod.MyBooks.open();
            QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 2 3 4 5 6"));
        } else {
            // The engine waited out its busy timeout, then the open failed like any other.
            QCOMPARE(p.setupCalls, 1);
            QCOMPARE(p.setupCode, SQLITE_BUSY);
            QVERIFY2(waited >= 1400, qPrintable(QString::number(waited)));
            QVERIFY(process().ConnectFailed);
            QVERIFY(!mod.storeOpened());
        }

        QCOMPARE(other.exec(QStringLiteral("COMMIT")), QString());
        p.stop();
        QCOMPARE(other.rows(QStringLiteral("SELECT id FROM books ORDER BY id")),
                 (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
        QCOMPARE(other.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind WHERE itemkind_name = 'Книги'")),
                 QStringList{QStringLiteral("1")});
        QCOMPARE(QFileInfo::exists(p.path(QStringLiteral("Backup/library.sdb"))), opens);
    }

    void readOnlyProgramFolderWithCatalogue()
    {
        if (geteuid() == 0)
            QSKIP("Running as root: permission bits do not stop writes, so a read-only program folder "
                  "cannot be made here.");
        Program p;
        QVERIFY(makeEarlierCatalogue(p, catalogueRows));
        QTemporaryDir backups;
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")),
                           "[General]\r\nBackupPath=" + QFile::encodeName(backups.path()) + "\r\n"));
        QVERIFY(QFile::setPermissions(p.folder(), QFile::ReadOwner | QFile::ExeOwner));
        auto restore = qScopeGuard([&p] {
            QFile::setPermissions(p.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });

        TDBMod &mod = p.start();
        QCOMPARE(p.setupCalls, 0);
        QVERIFY(mod.storeOpened());
        mod.MyBooks.open();
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 2 3 4 5 6"));
        // A change needs a journal beside the database: it fails with the engine's error.
        QVERIFY_THROWS_EXCEPTION(StoreError, mod.MyServer.runStatement(QStringLiteral("DELETE FROM books")));
        p.stop();
        QVERIFY(QFileInfo::exists(backups.path() + QStringLiteral("/library.sdb")));
    }

    void programFolderWhereNothingCanBeCreated()
    {
        // /proc accepts no new files, not even from root: a missing database cannot be created there.
        if (!QFileInfo(QStringLiteral("/proc/self")).exists())
            QSKIP("No /proc on this system.");
        Program p;
        TDBMod &mod = p.start(QStringLiteral("/proc/library"));

        QCOMPARE(p.setupCalls, 1);
        QCOMPARE(p.setupCode, SQLITE_CANTOPEN);
        QVERIFY(process().ConnectFailed);
        QVERIFY(!mod.storeOpened());
        p.stop(); // nothing is raised
    }

    // ---- folders and settings ---------------------------------------------------------------

    void foldersWithoutSettingsFile()
    {
        Program p;
        TDBMod &mod = p.start();
        const QString dir = p.folder();
        QCOMPARE(process().AppDir, dir + u'/');
        QCOMPARE(mod.FilesDir, dir + QStringLiteral("//files/"));
        QCOMPARE(mod.MyServer.database(), dir + QStringLiteral("//library.sdb"));
        QCOMPARE(process().BackupDir, dir + QStringLiteral("//Backup"));
        QVERIFY(!process().AutoLogon);
        QVERIFY(process().SettingsFile);
        QCOMPARE(process().SettingsFile->fileName(), dir + QStringLiteral("/library.ini"));
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("library.ini"))), "opening the settings creates no file");
        QCOMPARE(process().ThisYear, quint16(QDate::currentDate().year()));
        QVERIFY(mod.Conditions.has_value());
        QVERIFY(mod.Conditions->isEmpty());
        QCOMPARE(mod.CurrentKind, quint16(0));
        QCOMPARE(mod.MyServer.busyTimeout(), 1500);
        QVERIFY(mod.MyServer.readUncommitted());
        QVERIFY(!mod.MyServer.sharedCache());
    }

    void tempDir_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("temp");
        QTest::addColumn<QString>("expected"); // empty: the system's temporary folder
        QTest::newRow("TEMP set") << true << QByteArray("/var/tmp/каталог") << QStringLiteral("/var/tmp/каталог");
        QTest::newRow("TEMP set with a trailing separator") << true << QByteArray("/var/tmp/") << QStringLiteral("/var/tmp/");
        QTest::newRow("TEMP empty") << true << QByteArray() << QString();
        QTest::newRow("TEMP unset") << false << QByteArray() << QString();
    }

    void tempDir()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, temp);
        QFETCH(QString, expected);
        if (set)
            qputenv("TEMP", temp);
        else
            qunsetenv("TEMP");
        Program p;
        p.start();
        QCOMPARE(process().TempDir, expected.isEmpty() ? QDir::tempPath() : expected);
    }

    void autoLogonFromSettings_data()
    {
        QTest::addColumn<QByteArray>("ini"); // "-" for no file
        QTest::addColumn<bool>("expected");
        QTest::newRow("no file") << QByteArray("-") << false;
        QTest::newRow("1") << QByteArray("[General]\r\nAutoAdminLogon=1\r\n") << true;
        QTest::newRow("0") << QByteArray("[General]\r\nAutoAdminLogon=0\r\n") << false;
        QTest::newRow("2 counts as true") << QByteArray("[General]\r\nAutoAdminLogon=2\r\n") << true;
        QTest::newRow("-1 counts as true") << QByteArray("[General]\r\nAutoAdminLogon=-1\r\n") << true;
        QTest::newRow("not a number") << QByteArray("[General]\r\nAutoAdminLogon=abc\r\n") << false;
        QTest::newRow("true as a word") << QByteArray("[General]\r\nAutoAdminLogon=true\r\n") << false;
        QTest::newRow("empty value") << QByteArray("[General]\r\nAutoAdminLogon=\r\n") << false;
        QTest::newRow("in another section") << QByteArray("[MySQL]\r\nAutoAdminLogon=1\r\n") << false;
        QTest::newRow("section and key in other case") << QByteArray("[general]\r\nautoadminlogon=1\r\n") << true;
        QTest::newRow("blanks around") << QByteArray("[General]\r\nAutoAdminLogon = 1 \r\n") << true;
        QTest::newRow("hand-edited, LF only") << QByteArray("[General]\nBackupPath=x\nAutoAdminLogon=1\n") << true;
        QTest::newRow("UTF-8 with a byte order mark") << QByteArray("\xEF\xBB\xBF[General]\r\nAutoAdminLogon=1\r\n") << true;
    }

    void autoLogonFromSettings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, expected);
        Program p;
        if (ini != "-")
            QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), ini));
        p.start();
        QCOMPARE(process().AutoLogon, expected);
        if (ini != "-")
            QCOMPARE(readBytes(p.path(QStringLiteral("library.ini"))), ini); // read, never written
    }

    void backupPathFromSettings_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("Latin name, code page 1251") << QStringLiteral("copies") << false;
        QTest::newRow("Cyrillic name, code page 1251") << QStringLiteral("Копии каталога") << false;
        QTest::newRow("Cyrillic name, hand-edited UTF-8 with LF") << QStringLiteral("Копии каталога") << true;
    }

    void backupPathFromSettings()
    {
        QFETCH(QString, folderName);
        QFETCH(bool, utf8);
        Program p;
        QTemporaryDir elsewhere;
        const QString backup = elsewhere.path() + u'/' + folderName;
        const QString text = QStringLiteral("[General]\nBackupPath=") + backup + QStringLiteral("\nFontSize=12\n");
        QByteArray bytes;
        if (utf8) {
            bytes = text.toUtf8();
        } else {
            QString crlf = text;
            crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            bytes = cp1251(crlf);
        }
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), bytes));

        p.start();
        QCOMPARE(process().BackupDir, backup);
        p.mod->MyServer.runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (1, 'Копия')"));
        p.stop();

        QVERIFY(QFileInfo::exists(backup + QStringLiteral("/library.sdb")));
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("Backup"))), "the default folder is not used");
        RawDb copy(backup + QStringLiteral("/library.sdb"));
        QCOMPARE(copy.rows(QStringLiteral("SELECT title FROM books")), QStringList{QStringLiteral("Копия")});
    }

    void settingsRoundTrip()
    {
        Program p;
        p.start();
        IniFile *ini = process().SettingsFile;
        QVERIFY(ini);
        const QString file = p.path(QStringLiteral("library.ini"));

        // Each write is in the file at once, in code page 1251 with CR LF.
        QVERIFY(ini->writeString(QStringLiteral("General"), QStringLiteral("FontName"), QStringLiteral("Таймс")));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\n"));
        QVERIFY(ini->writeInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 12));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\nFontSize=12\r\n"));
        QVERIFY(ini->writeBool(QStringLiteral("General"), QStringLiteral("IsMaximized"), true));
        QVERIFY(ini->writeBool(QStringLiteral("General"), QStringLiteral("Rubricator"), false));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\nFontSize=12\r\n"
                                             "IsMaximized=1\r\nRubricator=0\r\n"));
        // A key written again keeps its line.
        QVERIFY(ini->writeInteger(QStringLiteral("General"), QStringLiteral("FontSize"), -3));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\nFontSize=-3\r\n"
                                             "IsMaximized=1\r\nRubricator=0\r\n"));
        // Another section goes after the first.
        QVERIFY(ini->writeString(QStringLiteral("MySQL"), QStringLiteral("database"), QStringLiteral("/базы/Каталог")));
        const QByteArray bytes = readBytes(file);
        QVERIFY(bytes.startsWith("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\n"));
        QVERIFY(bytes.endsWith("[MySQL]\r\ndatabase=/\xE1\xE0\xE7\xFB/\xCA\xE0\xF2\xE0\xEB\xEE\xE3\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));

        // A later run reads back what was written.
        IniFile again(file);
        QCOMPARE(again.readString(QStringLiteral("General"), QStringLiteral("FontName"), QStringLiteral("Tahoma")),
                 QStringLiteral("Таймс"));
        QCOMPARE(again.readInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 10), -3);
        QCOMPARE(again.readBool(QStringLiteral("General"), QStringLiteral("IsMaximized"), false), true);
        QCOMPARE(again.readBool(QStringLiteral("General"), QStringLiteral("Rubricator"), true), false);
        QCOMPARE(again.readBool(QStringLiteral("General"), QStringLiteral("Annotation"), true), true);
        QCOMPARE(again.readString(QStringLiteral("MySQL"), QStringLiteral("database"), QString()),
                 QStringLiteral("/базы/Каталог"));
    }

    void handEditedSettingsSurviveTheProgramsWrites()
    {
        Program p;
        const QString file = p.path(QStringLiteral("library.ini"));
        // Edited by hand on Linux: UTF-8, LF, a folder name with a letter code page 1251 lacks.
        const QString backup = QStringLiteral("/srv/Jürgen/Копии");
        QVERIFY(writeBytes(file, (QStringLiteral("[General]\nBackupPath=") + backup + QStringLiteral("\n")).toUtf8()));
        p.start();
        QCOMPARE(process().BackupDir, backup);

        // The main window's close writes its keys; the next run must still find the backup folder.
        QVERIFY(process().SettingsFile->writeInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 12));
        IniFile again(file);
        QCOMPARE(again.readInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 10), 12);
        QCOMPARE(again.readString(QStringLiteral("General"), QStringLiteral("BackupPath"), QString()), backup);
    }

    void settingsValuesThatAreNotNumbers_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("fontSize");      // default 10
        QTest::addColumn<bool>("rubricator");   // default true
        QTest::newRow("numbers") << QByteArray("FontSize=12\r\nRubricator=0") << 12 << false;
        QTest::newRow("words") << QByteArray("FontSize=abc\r\nRubricator=abc") << 10 << true;
        QTest::newRow("empty values") << QByteArray("FontSize=\r\nRubricator=") << 10 << true;
        QTest::newRow("number with a unit") << QByteArray("FontSize=12pt\r\nRubricator=0x") << 10 << true;
        QTest::newRow("fraction") << QByteArray("FontSize=10.5\r\nRubricator=0.0") << 10 << true;
        QTest::newRow("keys missing") << QByteArray("Other=1") << 10 << true;
    }

    void settingsValuesThatAreNotNumbers()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, fontSize);
        QFETCH(bool, rubricator);
        Program p;
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), "[General]\r\n" + line + "\r\n"));
        p.start();
        IniFile *ini = process().SettingsFile;
        QCOMPARE(ini->readInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 10), fontSize);
        QCOMPARE(ini->readBool(QStringLiteral("General"), QStringLiteral("Rubricator"), true), rubricator);
    }

    // ---- the record filter composer -----------------------------------------------------

    void composer_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("ids");

        const QString all = QStringLiteral("1 2 3 4 5 6");
        const QString longText = QStringLiteral("my_lower(title) LIKE '%") + QString(280, u'я') + QStringLiteral("%'");

        QTest::newRow("no entries, all kinds") << QStringList() << QStringList() << QString() << all;
        QTest::newRow("kind alone") << QStringList{"#3"} << QStringList() << QStringLiteral("itemkind_id = 3")
                                    << QStringLiteral("4 5");
        QTest::newRow("two entries and a kind")
            << QStringList{"srch|" + S2, "new|" + N, "#3"} << QStringList{"srch|" + S2, "new|" + N}
            << S2 + " AND " + N + " AND itemkind_id = 3" << QStringLiteral("4");
        QTest::newRow("kind first, entry later")
            << QStringList{"#3", "srch|" + S2} << QStringList{"srch|" + S2} << S2 + " AND itemkind_id = 3"
            << QStringLiteral("4");
        QTest::newRow("bare name removes its entry")
            << QStringList{"srch|" + S, "param|" + P, "srch"} << QStringList{"param|" + P} << P << QStringLiteral("2");
        QTest::newRow("bare name in capitals removes its entry")
            << QStringList{"srch|" + S, "param|" + P, "SRCH"} << QStringList{"param|" + P} << P << QStringLiteral("2");
        QTest::newRow("bare name not in the list")
            << QStringList{"srch|" + S, "param"} << QStringList{"srch|" + S} << S << QStringLiteral("1");
        QTest::newRow("last entry removed")
            << QStringList{"srch|" + S, "srch"} << QStringList() << QString() << all;
        QTest::newRow("name in capitals replaces in place")
            << QStringList{"srch|" + S, "param|" + R, "SRCH|" + S2} << QStringList{"SRCH|" + S2, "param|" + R}
            << S2 + " AND " + R << QStringLiteral("1 4");
        QTest::newRow("bar inside the condition")
            << QStringList{"srch|" + BAR} << QStringList{"srch|" + BAR} << BAR << QStringLiteral("6");
        QTest::newRow("search, rubric, new search")
            << QStringList{"srch|" + S, "param|" + R, "srch|" + S3} << QStringList{"srch|" + S3, "param|" + R}
            << S3 + " AND " + R << QStringLiteral("4");
        QTest::newRow("author index replaces the rubric")
            << QStringList{"param|" + R, "param|" + P} << QStringList{"param|" + P} << P << QStringLiteral("2");
        QTest::newRow("rubric with its own brackets and a kind")
            << QStringList{"param|" + R, "#3"} << QStringList{"param|" + R} << R + " AND itemkind_id = 3"
            << QStringLiteral("4");
        QTest::newRow("empty text removes all, the kind stays")
            << QStringList{"srch|" + S, "param|" + R, "#2", ""} << QStringList() << QStringLiteral("itemkind_id = 2")
            << QStringLiteral("3");
        QTest::newRow("all kinds again keeps the entries")
            << QStringList{"srch|" + S2, "#3", "#0"} << QStringList{"srch|" + S2} << S2 << QStringLiteral("1 4");
        QTest::newRow("entry longer than 255 characters kept whole")
            << QStringList{"srch|" + longText} << QStringList{"srch|" + longText} << longText << QString();
    }

    void composer()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, conditions);
        QFETCH(QString, filter);
        QFETCH(QString, ids);
        Program p;
        TDBMod &mod = startCatalogue(p);

        apply(mod, steps);

        QCOMPARE(*mod.Conditions, conditions);
        QCOMPARE(mod.MyBooks.filterSQL(), filter);
        QVERIFY(mod.MyBooks.active());
        QCOMPARE(shownIds(mod.MyBooks), ids);
    }

    void joinConditionsLeavesTheKindOut()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        QCOMPARE(mod.JoinConditions(), QString());
        apply(mod, {"#3"});
        QCOMPARE(mod.JoinConditions(), QString());
        apply(mod, {"srch|" + S2, "param|" + R});
        QCOMPARE(mod.JoinConditions(), S2 + " AND " + R);
    }

    void callsThatLeaveTheFilterAloneRunNoQuery_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("conditions");
        QTest::newRow("same kind again") << QStringList{"srch|" + S2, "#3"} << QStringLiteral("#3")
                                         << QStringList{"srch|" + S2};
        QTest::newRow("all kinds again") << QStringList() << QStringLiteral("#0") << QStringList();
        QTest::newRow("removing a name not in the list") << QStringList{"srch|" + S2} << QStringLiteral("param")
                                                         << QStringList{"srch|" + S2};
        QTest::newRow("same entry again") << QStringList{"srch|" + S2} << "srch|" + S2 << QStringList{"srch|" + S2};
        QTest::newRow("same entry, name in capitals") << QStringList{"srch|" + S2} << "SRCH|" + S2
                                                      << QStringList{"SRCH|" + S2};
        QTest::newRow("removing all from an empty list") << QStringList{"#2"} << QString() << QStringList();
    }

    void callsThatLeaveTheFilterAloneRunNoQuery()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, step);
        QFETCH(QStringList, conditions);
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, before);
        const QString filter = mod.MyBooks.filterSQL();
        const QString ids = shownIds(mod.MyBooks);
        QSignalSpy resets(&mod.MyBooks, &Dataset::rowsReset);
        CatalogueQueryCounter queries(mod.MyServer);

        apply(mod, {step});

        QCOMPARE(queries.runs(), 0);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(*mod.Conditions, conditions);
        QCOMPARE(mod.MyBooks.filterSQL(), filter);
        QCOMPARE(shownIds(mod.MyBooks), ids);
    }

    void newAcquisitionsDuringASearch()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"#3", "srch|" + S2});
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
        CatalogueQueryCounter queries(mod.MyServer);

        mod.SetCondition(QString()); // any condition present: all removed first
        QCOMPARE(queries.runs(), 1);
        QCOMPARE(mod.MyBooks.filterSQL(), QStringLiteral("itemkind_id = 3"));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4 5"));

        mod.SetCondition("new|" + N);
        QCOMPARE(queries.runs(), 2);
        QCOMPARE(*mod.Conditions, QStringList{"new|" + N});
        QCOMPARE(mod.MyBooks.filterSQL(), N + " AND itemkind_id = 3");
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    void filterSetDirectlyIsReplacedByTheNextComposerCall()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"srch|" + S2});
        // The lent-holdings report sets its own condition, past the composer.
        mod.MyBooks.setFilterSQL(QStringLiteral("id IN (2, 3)"));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("2 3"));
        QCOMPARE(*mod.Conditions, QStringList{"srch|" + S2});

        CatalogueQueryCounter queries(mod.MyServer);
        mod.SetCondition(QStringLiteral("param")); // not in the list, yet the composed text returns
        QCOMPARE(queries.runs(), 1);
        QCOMPARE(mod.MyBooks.filterSQL(), S2);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));
    }

    void composerWhileTheCatalogueIsClosed()
    {
        Program p;
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(catalogueRows);
        apply(mod, {"srch|" + S2, "#3"});
        QVERIFY(!mod.MyBooks.active());
        QCOMPARE(mod.MyBooks.filterSQL(), S2 + " AND itemkind_id = 3");
        mod.MyBooks.open(); // the main window's first show
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    void rejectedConditionLeavesTheCatalogueAsItWas_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("inventory number typed with a letter") << QStringLiteral("srch|inv_num = 12а");
        QTest::newRow("apostrophe in the search text") << QStringLiteral("srch|my_lower(title) LIKE '%д'артаньян%'");
        QTest::newRow("broken condition under a new name") << QStringLiteral("new|(date_reg BETWEEN '2024-01-01'");
        QTest::newRow("unknown column") << QStringLiteral("param|shelf = 3");
    }

    void rejectedConditionLeavesTheCatalogueAsItWas()
    {
        QFETCH(QString, entry);
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"srch|" + S2, "param|" + R});
        const QStringList before = *mod.Conditions;
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));

        bool thrown = false;
        try {
            mod.SetCondition(entry);
        } catch (const StoreError &e) {
            thrown = true;
            QCOMPARE(e.sqliteCode(), SQLITE_ERROR);
            QVERIFY(!e.message().isEmpty());
        }
        QVERIFY2(thrown, "the engine's error reaches the caller");
        QVERIFY(mod.MyBooks.active());
        QCOMPARE(mod.MyBooks.filterSQL(), S2 + " AND " + R);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));
        QCOMPARE(*mod.Conditions, before);
        QCOMPARE(mod.CurrentKind, quint16(0));

        // The next good search works as usual.
        mod.SetCondition("srch|" + S3);
        QCOMPARE(*mod.Conditions, (QStringList{"srch|" + S3, "param|" + R}));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    void rejectedKindLeavesTheCatalogueAsItWas()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"srch|" + S2});
        // A catalogue whose books table lacks the item-kind column: only the kind clause fails.
        mod.MyServer.runStatement(QStringLiteral("ALTER TABLE books RENAME COLUMN itemkind_id TO kind"));

        QVERIFY_THROWS_EXCEPTION(StoreError, mod.SetKind(3));
        QCOMPARE(mod.CurrentKind, quint16(0));
        QVERIFY(mod.MyBooks.active());
        QCOMPARE(mod.MyBooks.filterSQL(), S2);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));
        QCOMPARE(*mod.Conditions, QStringList{"srch|" + S2});

        mod.SetCondition("srch|" + S3);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    // ---- value lists and shared queries ----------------------------------------------------

    void distinctValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("expected");

        QStringList publishers;
        for (int i = 1; i <= 60; ++i)
            publishers << QStringLiteral("Изд-%1").arg(i, 2, 10, QChar(u'0'));
        QStringList lastThree = publishers.mid(57);
        std::reverse(lastThree.begin(), lastThree.end());

        QTest::newRow("every value NULL or empty") << "source" << "books" << "source ASC" << 50 << QStringList();
        QTest::newRow("letter case kept apart, duplicates once")
            << "location" << "books" << "location ASC" << 50
            << QStringList{QStringLiteral("Киев"), QStringLiteral("Москва"), QStringLiteral("москва")};
        QTest::newRow("60 publishers, limit 50") << "publisher" << "books" << "publisher ASC" << 50 << publishers.mid(0, 50);
        QTest::newRow("60 publishers, no limit") << "publisher" << "books" << "publisher ASC" << 0 << publishers;
        QTest::newRow("descending, limit 3") << "publisher" << "books" << "publisher DESC" << 3 << lastThree;
        QTest::newRow("readers of the loans")
            << "loaner" << "orders" << "loaner ASC" << 0 << QStringList{QStringLiteral("Иванов"), QStringLiteral("Петров")};
    }

    void distinctValues()
    {
        QFETCH(QString, field);
        QFETCH(QString, table);
        QFETCH(QString, order);
        QFETCH(int, limit);
        QFETCH(QStringList, expected);
        Program p;
        TDBMod &mod = p.start();
        // Publishers in a scrambled order: step 7 runs through all 60 numbers once.
        for (int i = 0; i < 60; ++i) {
            const int n = (i * 7) % 60 + 1;
            mod.MyServer.runStatement(QStringLiteral("INSERT INTO books (id, publisher, source) VALUES (?, ?, ?)"),
                                      {100 + i, QStringLiteral("Изд-%1").arg(n, 2, 10, QChar(u'0')),
                                       i % 2 ? QVariant(QStringLiteral("")) : QVariant()});
        }
        mod.MyServer.runStatement(QStringLiteral(
            "UPDATE books SET location = 'Москва' WHERE id IN (100, 102);"
            "UPDATE books SET location = 'москва' WHERE id = 101;"
            "UPDATE books SET location = 'Киев' WHERE id = 103;"
            "UPDATE books SET location = '' WHERE id = 104;"
            "INSERT INTO orders (book_id, loaner) VALUES (100, 'Петров'), (101, 'Иванов'), (102, 'Петров'),"
            " (103, NULL), (104, '');"));
        mod.MyBooks.open();
        apply(mod, {"srch|id < 102"});

        QCOMPARE(mod.DistinctValues(field, table, order, quint8(limit)), expected);
        // The catalogue is not touched.
        QCOMPARE(mod.MyBooks.filterSQL(), QStringLiteral("id < 102"));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("100 101"));
    }

    void distinctValuesOfAMissingColumn()
    {
        Program p;
        TDBMod &mod = p.start();
        QVERIFY_THROWS_EXCEPTION(StoreError, mod.DistinctValues(QStringLiteral("city"), QStringLiteral("books"),
                                                                QStringLiteral("city ASC"), 50));
    }

    void nextInvNum_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("expected");
        QTest::newRow("kind without holdings") << 4 << QString() << 1;
        QTest::newRow("largest is 41") << 3 << QString() << 42;
        QTest::newRow("largest is 41, catalogue shows only number 3") << 3 << QStringLiteral("srch|inv_num = 3") << 42;
        QTest::newRow("other kinds' numbers not counted") << 1 << QString() << 3;
        QTest::newRow("largest is 65535") << 2 << QString() << 65536;
        QTest::newRow("holdings without a number") << 5 << QString() << 1;
    }

    void nextInvNum()
    {
        QFETCH(int, kind);
        QFETCH(QString, entry);
        QFETCH(int, expected);
        Program p;
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(QStringLiteral(
            "INSERT INTO books (id, inv_num, itemkind_id) VALUES (1, 1, 1), (2, 2, 1), (3, 3, 3), (4, 41, 3), (5, 7, 3),"
            " (6, 65535, 2), (7, 100, 2), (8, NULL, 5), (9, 900, 0);"));
        mod.MyBooks.open();
        apply(mod, {QStringLiteral("#%1").arg(kind)});
        if (!entry.isEmpty())
            apply(mod, {entry});
        const QString shown = shownIds(mod.MyBooks);

        QCOMPARE(mod.NextInvNum(), expected);
        QCOMPARE(shownIds(mod.MyBooks), shown);
        if (!entry.isEmpty())
            QCOMPARE(shown, QStringLiteral("3"));
    }

    void loadItemKindsAppendsToTheCallersLists()
    {
        Program p;
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(QStringLiteral("DELETE FROM v_itemkind;"
                                                 "INSERT INTO v_itemkind (id, itemkind_name) VALUES"
                                                 " (2, 'Ноты'), (5, 'Карты'), (9, 'Д''Артаньян и др.');"));
        QStringList names{QStringLiteral("Все")};
        QStringList ids{QStringLiteral("0")};

        mod.LoadItemKinds(names, ids);

        QCOMPARE(names, (QStringList{QStringLiteral("Все"), QStringLiteral("Ноты"), QStringLiteral("Карты"),
                                     QStringLiteral("Д'Артаньян и др.")}));
        QCOMPARE(ids, (QStringList{"0", "2", "5", "9"}));
    }

    void addItemKindStoresTheNameAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << QStringLiteral("l'Europe");
        QTest::newRow("statement in the name") << QStringLiteral("'); DROP TABLE books; --");
        QTest::newRow("quotes and Cyrillic") << QStringLiteral("Ёж \"колючий\"");
        QTest::newRow("empty") << QString();
    }

    void addItemKindStoresTheNameAsTyped()
    {
        QFETCH(QString, name);
        Program p;
        TDBMod &mod = startCatalogue(p);
        mod.myItemKinds.open();
        const int shownKinds = mod.myItemKinds.recordCount();

        mod.AddItemKind(name, 10);

        RawDb check(p.dbFile());
        QCOMPARE(check.rows(QStringLiteral("SELECT itemkind_name FROM v_itemkind WHERE id = 10")), QStringList{name});
        QCOMPARE(check.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind")),
                 QStringList{QString::number(shownKinds + 1)});
        QCOMPARE(check.rows(QStringLiteral("SELECT COUNT(*) FROM books")), QStringList{QStringLiteral("6")});
        // The item kinds dataset is not re-read by the call.
        QCOMPARE(mod.myItemKinds.recordCount(), shownKinds);
        QStringList names, ids;
        mod.LoadItemKinds(names, ids);
        QCOMPARE(names.last(), name);
        QCOMPARE(ids.last(), QStringLiteral("10"));
    }

    void addItemKindWithAnIdInUse()
    {
        Program p;
        TDBMod &mod = p.start();
        RawDb check(p.dbFile());
        const QStringList before = check.rows(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id"));

        bool thrown = false;
        try {
            mod.AddItemKind(QStringLiteral("Дубль"), 2);
        } catch (const StoreError &e) {
            thrown = true;
            QCOMPARE(e.sqliteCode(), SQLITE_CONSTRAINT);
            QVERIFY2(e.message().contains(QStringLiteral("UNIQUE")), qPrintable(e.message()));
        }
        QVERIFY(thrown);
        QCOMPARE(check.rows(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id")), before);
    }

    // ---- the copy at the end of a run ------------------------------------------------------

    void copyAtEndOfEditRun_data()
    {
        QTest::addColumn<bool>("previousCopy");
        QTest::addColumn<bool>("explicitDestroy");
        QTest::newRow("first copy, module destroyed") << false << false;
        QTest::newRow("previous copy replaced, module destroyed") << true << false;
        QTest::newRow("previous copy replaced, DataModuleDestroy") << true << true;
    }

    void copyAtEndOfEditRun()
    {
        QFETCH(bool, previousCopy);
        QFETCH(bool, explicitDestroy);
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        if (previousCopy) {
            QVERIFY(QDir().mkdir(backup));
            QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        }
        TDBMod &mod = startCatalogue(p);
        // A change just before the end is in the copy.
        mod.MyServer.runStatement(QStringLiteral("UPDATE books SET title = 'Война и мир, т. 1' WHERE id = 1"));

        if (explicitDestroy) {
            mod.DataModuleDestroy();
            QVERIFY(mod.MyServer.isOpen());
        }
        p.stop();

        QCOMPARE(QDir(backup).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("library.sdb")});
        RawDb copy(backup + QStringLiteral("/library.sdb"));
        QCOMPARE(copy.rows(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
        RawDb original(p.dbFile());
        const QString all = QStringLiteral("SELECT id, inv_num, author, title, date_reg, itemkind_id, rubric FROM books "
                                           "ORDER BY id");
        QCOMPARE(copy.rows(all), original.rows(all));
        QCOMPARE(copy.rows(QStringLiteral("SELECT title FROM books WHERE id = 1")),
                 QStringList{QStringLiteral("Война и мир, т. 1")});
        QCOMPARE(copy.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind")),
                 original.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind")));
    }

    void noCopyAtEnd_data()
    {
        QTest::addColumn<bool>("viewOnly");
        QTest::addColumn<bool>("failedOpen");
        QTest::addColumn<bool>("previousCopy");
        QTest::newRow("view mode") << true << false << false;
        QTest::newRow("view mode, previous copy kept") << true << false << true;
        QTest::newRow("failed open") << false << true << false;
        QTest::newRow("failed open, previous copy kept") << false << true << true;
    }

    void noCopyAtEnd()
    {
        QFETCH(bool, viewOnly);
        QFETCH(bool, failedOpen);
        QFETCH(bool, previousCopy);
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        if (previousCopy) {
            QVERIFY(QDir().mkdir(backup));
            QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        }
        if (failedOpen)
            QVERIFY(writeBytes(p.dbFile(), QByteArrayLiteral("not a database\n")));

        TDBMod &mod = p.start();
        QCOMPARE(mod.storeOpened(), !failedOpen);
        process().ViewOnly = viewOnly; // as the main window's first show sets it
        p.stop();

        if (previousCopy) {
            QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
            QCOMPARE(QDir(backup).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                     QStringList{QStringLiteral("library.sdb")});
        } else {
            QVERIFY(!QFileInfo::exists(backup));
        }
    }

    void failedCopyKeepsThePreviousCopy()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkdir(backup));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        // A folder where the copy would be written first: no file can be made under that name.
        QVERIFY(QDir().mkdir(backup + QStringLiteral("/library.sdb.part")));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb.part/keep"), QByteArrayLiteral("x")));
        startCatalogue(p);

        p.stop(); // nothing is raised

        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb.part/keep")), QByteArrayLiteral("x"));
        RawDb original(p.dbFile());
        QCOMPARE(original.rows(QStringLiteral("SELECT COUNT(*) FROM books")), QStringList{QStringLiteral("6")});
    }

    void endOfRunWhileAnotherProgramHoldsTheFile()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkdir(backup));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        startCatalogue(p);

        // Another program takes the file and keeps it well past the busy timeout.
        std::atomic<bool> locked{false};
        std::thread holder([&p, &locked] {
            RawDb other(p.dbFile());
            locked = other.exec(QStringLiteral("BEGIN EXCLUSIVE")).isEmpty();
            std::this_thread::sleep_for(std::chrono::seconds(6));
            other.exec(QStringLiteral("COMMIT"));
        });
        auto join = qScopeGuard([&holder] { holder.join(); });
        QElapsedTimer clock;
        clock.start();
        while (!locked && clock.elapsed() < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QVERIFY(locked);

        clock.restart();
        p.stop();
        const qint64 took = clock.elapsed();

        // The program ends after about the busy timeout, not when the other program lets go;
        // the copy it could not make leaves the previous one in place.
        QVERIFY2(took < 4000, qPrintable(QStringLiteral("the end of the run took %1 ms").arg(took)));
        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
    }

    void backupFolderWhoseParentIsMissing()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("missing/Backup"));
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")),
                           "[General]\r\nBackupPath=" + QFile::encodeName(backup) + "\r\n"));
        startCatalogue(p);
        QCOMPARE(process().BackupDir, backup);

        p.stop(); // nothing is raised

        QVERIFY(!QFileInfo::exists(p.path(QStringLiteral("missing"))));
        QCOMPARE(QDir(p.folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "test_datamodule.moc"
