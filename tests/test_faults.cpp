// What a crash (SIGKILL) or a full disk in the middle of a backup, a restore or the exit copy
// leaves behind: the catalogue and every earlier copy as they were. Each action runs in a child
// process of its own, on its own connection, as a second run of the program would.
#include "CatalogueTables.h"
#include "DatabaseCopy.h"
#include "SchemaCreation.h"
#include "TempDb.h"
#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"

#include <QCryptographicHash>
#include <QDir>
#include <QtTest>
#include <csignal>
#include <functional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using data::Connection;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void openCatalogue(Connection &c, const QString &path)
{
    c.setDatabase(path);
    c.options() = {QStringLiteral("SQLite.BusyTimeout=1500")};
    c.open();
    store::ensureCatalogueSchema(c);
}

// A catalogue big enough that every action takes a while: `books` holdings, one loan each.
void makeCatalogue(const QString &path, int books)
{
    Connection c;
    openCatalogue(c, path);
    c.runStatement(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                  "INSERT INTO books (id, inv_num, title, annotation, price, itemkind_id) "
                                  "SELECT i, i, 'Книга ' || i, hex(randomblob(150)), i / 7.0, 1 FROM n; "
                                  "INSERT INTO orders (book_id, loaner, date_out) SELECT id, 'Читатель', '2026-01-01' FROM books")
                       .arg(books));
}

// What the catalogue holds, in a line; "damaged" when the engine finds the file inconsistent.
QString summary(const QString &path)
{
    Connection c;
    c.setDatabase(path);
    c.open();
    data::Dataset d(&c);
    d.setSql(QStringLiteral("SELECT (SELECT integrity_check FROM pragma_integrity_check) || ' ' || COUNT(*) || ' ' || "
                            "SUM(inv_num) || ' ' || (SELECT COUNT(*) FROM orders) FROM books"));
    d.open();
    return d.field(0).asString();
}

// The child's end of the story: killed at a moment of the action, or its error text ("" when it
// went through).
struct ChildEnd {
    bool killed = false;
    QString error;
};

// Runs `action` in a child process. With killAfterMs >= 0 the child is killed that long after it
// says it has started; with a fileLimit every file it writes stops at that size (a full disk).
ChildEnd runChild(const std::function<void(const std::function<void()> &started)> &action, int killAfterMs,
                  rlim_t fileLimit = RLIM_INFINITY)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {false, QStringLiteral("<no pipe>")};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const rlimit limit{fileLimit, fileLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
        bool said = false;
        const auto started = [&] {
            if (!std::exchange(said, true))
                (void)!write(pipeEnds[1], "S", 1);
        };
        QByteArray error;
        try {
            action(started);
        } catch (const data::DataError &e) {
            error = e.message().toUtf8();
        }
        started();
        (void)!write(pipeEnds[1], error.constData(), size_t(error.size()));
        _exit(0);
    }
    close(pipeEnds[1]);
    ChildEnd end;
    char c = 0;
    pollfd wait{pipeEnds[0], POLLIN, 0};
    if (poll(&wait, 1, 60000) == 1 && read(pipeEnds[0], &c, 1) == 1 && killAfterMs >= 0) {
        usleep(useconds_t(killAfterMs) * 1000);
        end.killed = kill(child, SIGKILL) == 0;
    }
    QByteArray rest;
    char buffer[512];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        rest.append(buffer, qsizetype(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    end.killed = end.killed && WIFSIGNALED(status);
    end.error = QString::fromUtf8(rest);
    return end;
}

struct Scene {
    QTemporaryDir dir;
    QString catalogue = dir.filePath(QStringLiteral("library.sdb"));
    QString backup = dir.filePath(QStringLiteral("backup.sql"));
    QString folder = dir.filePath(QStringLiteral("Backup"));
    QString before;

    Scene()
    {
        makeCatalogue(catalogue, 20000);
        before = summary(catalogue);
        QDir().mkdir(folder);
    }
    QStringList files() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

} // namespace

class FaultsTest : public QObject {
    Q_OBJECT
private slots:
    void crashDuringBackup_data() { delays(); }
    void crashDuringBackup()
    {
        QFETCH(int, delay);
        Scene s;
        QVERIFY(writeFile(s.backup, "the earlier backup"));
        const ChildEnd end = runChild([&s](const auto &started) {
            Connection c;
            openCatalogue(c, s.catalogue);
            data::ScriptDump(&c).BackupToScript(s.backup, [&](long long, long long) { started(); });
        }, delay);
        QVERIFY2(end.killed || end.error.isEmpty(), qPrintable(end.error)); // killed, or done before the kill
        QCOMPARE(summary(s.catalogue), s.before);
        // The earlier file, or the whole new backup: never a part of one.
        if (readFile(s.backup) != "the earlier backup") {
            TempDb restored;
            store::ensureCatalogueSchema(restored.conn);
            data::ScriptDump(&restored.conn).RestoreFromScript(s.backup);
            QCOMPARE(summary(restored.path()), s.before);
        }
    }

    void crashDuringRestore_data() { delays(); }
    void crashDuringRestore()
    {
        QFETCH(int, delay);
        Scene s;
        const QString other = s.dir.filePath(QStringLiteral("other.sdb"));
        makeCatalogue(other, 30000);
        {
            Connection c;
            openCatalogue(c, other);
            data::ScriptDump(&c).BackupToScript(s.backup);
        }
        const ChildEnd end = runChild([&s](const auto &started) {
            Connection c;
            openCatalogue(c, s.catalogue);
            data::ScriptDump(&c).RestoreFromScript(s.backup, store::restoreTables(), [&](long long, long long) { started(); });
        }, delay);
        QVERIFY2(end.killed || end.error.isEmpty(), qPrintable(end.error)); // killed, or done before the kill
        // The next start finds the catalogue as it was, or wholly restored.
        const QString after = summary(s.catalogue);
        QVERIFY2(after == s.before || after == summary(other), qPrintable(after));
    }

    void crashDuringExitCopy_data() { delays(); }
    void crashDuringExitCopy()
    {
        QFETCH(int, delay);
        Scene s;
        const QString earlier = s.folder + QStringLiteral("/library-2026-01-01-000000.sdb");
        const QString newest = s.folder + QStringLiteral("/library.sdb");
        makeCatalogue(newest, 10);
        QVERIFY(writeFile(earlier, "a dated copy"));
        const QString newestBefore = summary(newest);
        const ChildEnd end = runChild([&s](const auto &started) {
            Connection c;
            openCatalogue(c, s.catalogue);
            started();
            store::writeExitCopy(c, s.folder, store::catalogueTables(), 10);
        }, delay);
        QVERIFY2(end.killed || end.error.isEmpty(), qPrintable(end.error)); // killed, or done before the kill
        QCOMPARE(summary(s.catalogue), s.before);
        QCOMPARE(readFile(earlier), QByteArray("a dated copy"));
        const QString copy = summary(newest);
        QVERIFY2(copy == newestBefore || copy == s.before, qPrintable(copy));
    }

    // A disk that fills up: the action fails with a message, and what was there stays.
    void fullDisk()
    {
        Scene s;
        QVERIFY(writeFile(s.backup, "the earlier backup"));
        const QStringList filesBefore = QDir(s.dir.path()).entryList(QDir::Files);
        const rlim_t limit = 256 * 1024;
        ChildEnd end = runChild([&s](const auto &) {
            Connection c;
            openCatalogue(c, s.catalogue);
            data::ScriptDump(&c).BackupToScript(s.backup);
        }, -1, limit);
        QVERIFY2(end.error.startsWith(QStringLiteral("Не удается записать файл «") + s.backup), qPrintable(end.error));
        QCOMPARE(readFile(s.backup), QByteArray("the earlier backup"));
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), filesBefore);

        const QString newest = s.folder + QStringLiteral("/library.sdb");
        QVERIFY(writeFile(newest, "the earlier copy"));
        end = runChild([&s](const auto &) {
            Connection c;
            openCatalogue(c, s.catalogue);
            if (store::writeExitCopy(c, s.folder, store::catalogueTables(), 10) == store::ExitCopy::Failed)
                throw data::DataError(QStringLiteral("failed"));
        }, -1, limit);
        QCOMPARE(end.error, QStringLiteral("failed"));
        QCOMPARE(s.files().join(u' '), QStringLiteral("library.sdb"));
        QCOMPARE(readFile(newest), QByteArray("the earlier copy"));

        // A restore that needs more room than there is.
        const QString other = s.dir.filePath(QStringLiteral("other.sdb"));
        makeCatalogue(other, 60000);
        {
            Connection c;
            openCatalogue(c, other);
            data::ScriptDump(&c).BackupToScript(s.backup);
        }
        const rlim_t catalogueSize = rlim_t(QFileInfo(s.catalogue).size());
        end = runChild([&s](const auto &) {
            Connection c;
            openCatalogue(c, s.catalogue);
            data::ScriptDump(&c).RestoreFromScript(s.backup, store::restoreTables());
        }, -1, catalogueSize);
        // Past a file-size limit the engine says "disk I/O error"; on a full disk, "disk is full".
        QVERIFY(!end.error.isEmpty());
        QCOMPARE(summary(s.catalogue), s.before);
    }

private:
    static void delays()
    {
        QTest::addColumn<int>("delay");
        for (int ms : {0, 5, 20, 60})
            QTest::newRow(qPrintable(QStringLiteral("%1 ms in").arg(ms))) << ms;
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "test_faults.moc"
