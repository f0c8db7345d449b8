// library-demo: writes a demonstration catalogue to a new database file.

#include "DemoCatalogue.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <sqlite3.h>
#include <exception>
#include <utility>

namespace {

// Reads a non-negative number option; false (with a message) when it is not one.
bool readCount(const QCommandLineParser &parser, const QString &name, int &value, QTextStream &err)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok);
    if (!ok || number < 0) {
        err << QStringLiteral("--%1 expects a non-negative number, not \"%2\"\n").arg(name, parser.value(name));
        return false;
    }
    value = number;
    return true;
}

// Counts the rows actually written, so the report shows the file rather than the request.
QString tableSummary(const QString &path)
{
    sqlite3 *db = nullptr;
    QString summary;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        for (const char *table : {"books", "orders", "keywords", "categories", "v_itemkind", "settings", "readers"}) {
            const QByteArray sql = QByteArray("SELECT count(*) FROM ") + table;
            sqlite3_stmt *stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
                summary += QStringLiteral("  %1: %2 rows\n").arg(QLatin1String(table), -12).arg(sqlite3_column_int64(stmt, 0));
            sqlite3_finalize(stmt);
        }
    }
    sqlite3_close(db);
    return summary;
}

// Fills options from the command line; false (with a message) when a value is not a number.
bool readOptions(const QCommandLineParser &parser, DemoOptions &options, QTextStream &err)
{
    const std::pair<const char *, int *> counts[] = {
        {"holdings", &options.holdings}, {"loans", &options.loans}, {"keywords", &options.keywords},
        {"rubrics", &options.rubrics}, {"electronic", &options.electronicVersions}, {"readers", &options.readers},
    };
    for (const auto &[name, value] : counts) {
        if (!readCount(parser, QLatin1String(name), *value, err))
            return false;
    }
    if (parser.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        options.seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            err << QStringLiteral("--seed expects a number from 0 to 4294967295\n");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("library-demo"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a demonstration library catalogue to a new database file."));
    parser.addHelpOption();
    const DemoOptions defaults;
    const auto number = [](const char *name, const QString &help, qint64 byDefault) {
        return QCommandLineOption(QLatin1String(name), help.arg(byDefault), QStringLiteral("N"));
    };
    parser.addOptions({
        number("holdings", QStringLiteral("Number of holdings (default %1)."), defaults.holdings),
        number("loans", QStringLiteral("Number of loans (default %1)."), defaults.loans),
        number("keywords", QStringLiteral("Number of keywords (default %1)."), defaults.keywords),
        number("rubrics", QStringLiteral("Number of rubrics (default %1)."), defaults.rubrics),
        number("electronic", QStringLiteral("Holdings with an electronic version (default %1)."),
               defaults.electronicVersions),
        number("readers", QStringLiteral("Distinct reader names the loans carry (default %1)."), defaults.readers),
        {QStringLiteral("register-readers"), QStringLiteral("Write a readers register record for each reader name.")},
        number("seed", QStringLiteral("Random seed: the same seed gives the same catalogue (default %1)."),
               defaults.seed),
        {QStringLiteral("files"), QStringLiteral("Folder to write the electronic versions to."), QStringLiteral("DIR")},
    });
    parser.addPositionalArgument(QStringLiteral("OUTPUT.sdb"),
                                 QStringLiteral("The database file to create; it must not exist."));
    parser.process(app);

    if (parser.positionalArguments().size() != 1) {
        err << QStringLiteral("Give exactly one output file.\n\n") << parser.helpText();
        return 2;
    }
    DemoOptions options;
    if (!readOptions(parser, options, err))
        return 2;
    options.filesDir = parser.value(QStringLiteral("files"));
    options.registerReaders = parser.isSet(QStringLiteral("register-readers"));
    const QString path = parser.positionalArguments().constFirst();

    QElapsedTimer timer;
    timer.start();
    try {
        generateDemoCatalogue(path, options);
    } catch (const std::exception &e) {
        err << QString::fromUtf8(e.what()) << '\n';
        return 1;
    }
    const double seconds = double(timer.elapsed()) / 1000.0;

    out << QStringLiteral("Wrote %1 (%2 KiB) in %3 s\n").arg(path).arg(QFileInfo(path).size() / 1024).arg(seconds, 0, 'f', 2);
    out << tableSummary(path);
    if (!options.filesDir.isEmpty())
        out << QStringLiteral("  electronic versions written under %1\n").arg(options.filesDir);
    return 0;
}
