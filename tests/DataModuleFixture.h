#pragma once

// What the data module tests share: a fake program folder with the data module started from it,
// a second connection as another program would hold it, the six holdings of the catalogue and
// the conditions the panes hand to the composer.
#include "DBModUnit.h"
#include "ProcessValues.h"
#include "data/DataError.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <sqlite3.h>

// In a namespace of their own: the program itself has a struct named Program.
namespace datamodule_tests {

using namespace data;
using namespace store;

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
        mod->showSetupForm = [this](TDBMod &m, const DataError &e) {
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
inline QByteArray cp1251(const QString &text)
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

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The ids of the rows the dataset holds, ascending, separated by blanks.
inline QString shownIds(Dataset &ds)
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
inline void apply(TDBMod &mod, const QStringList &steps)
{
    for (const QString &step : steps) {
        if (step.startsWith(u'#'))
            mod.SetKind(quint16(step.mid(1).toUInt()));
        else
            mod.SetCondition(step);
    }
}

// Conditions the panes hand to the composer; the comment gives the holdings each keeps.
inline const QString S = QStringLiteral("my_lower(title) LIKE '%мир%'");                        // 1
inline const QString S2 = QStringLiteral("my_lower(author) LIKE 'толстой%'");                   // 1 4
inline const QString S3 = QStringLiteral("inv_num = 3");                                        // 4
inline const QString P = QStringLiteral("author LIKE 'Пушкин%'");                               // 2
inline const QString R = QStringLiteral("(rubric LIKE '1.%' OR rubric LIKE '%;1.%')");          // 1 4
inline const QString N = QStringLiteral("(date_reg BETWEEN '2024-01-01' AND '2024-12-31')");    // 2 3 4 6
inline const QString BAR = QStringLiteral("my_lower(title) LIKE '%|%'");                        // 6

// Six holdings in three item kinds.
inline const QString catalogueRows = QStringLiteral(
    "INSERT INTO books (id, inv_num, author, title, date_reg, itemkind_id, rubric) VALUES"
    " (1, 1, 'Толстой Л.Н.', 'Война и мир', '2023-05-10', 1, '1.;'),"
    " (2, 2, 'Пушкин А.С.', 'Евгений Онегин', '2024-02-01', 1, '3.;'),"
    " (3, 1, 'Чехов А.П.', 'Вишнёвый сад', '2024-03-15', 2, NULL),"
    " (4, 3, 'Толстой А.Н.', 'Хождение по мукам', '2024-07-20', 3, '2.5.;1.;'),"
    " (5, 41, 'Гоголь Н.В.', 'Мёртвые души', '2022-01-01', 3, '11.;'),"
    " (6, 5, 'Барто А.Л.', 'Стихи | песни', '2024-12-31', 1, NULL);");

inline const QStringList catalogueTables = {QStringLiteral("books"),    QStringLiteral("categories"),
                                            QStringLiteral("keywords"), QStringLiteral("orders"),
                                            QStringLiteral("settings"), QStringLiteral("v_itemkind"),
                                            QStringLiteral("loan_terms"), QStringLiteral("readers")};

// A catalogue made by an earlier run of the program, holding the given rows; the earlier
// run's backup folder is removed so that a test sees only its own run's copy.
inline bool makeEarlierCatalogue(Program &p, const QString &rowsSql)
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
inline TDBMod &startCatalogue(Program &p)
{
    TDBMod &mod = p.start();
    mod.MyServer.runStatement(catalogueRows);
    mod.MyBooks.open();
    return mod;
}

} // namespace datamodule_tests
