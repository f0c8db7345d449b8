// library-z3950: the catalogue as a Z39.50 and SRU target for other libraries' catalogue programs.
//
//   library-z3950 [путь/library.ini] [ключи сервера YAZ] [адрес]
//
// The settings file names the catalogue as the desktop program opens it (library.sdb beside it, or
// the server of [MySQL]); [Z3950] gives Port= (2100), Listen= (all addresses), Database= and
// Format=. With no address after the settings file the target listens where [Z3950] says.
#include "CatalogueReading.h"
#include "TargetBackend.h"
#include "TargetSession.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <vector>
#include <yaz/backend.h>

namespace {

QString programFolder() { return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath(); }

QString configPath;

// The frontend has read its configuration by now; the file it was given is of no more use.
void removeConfig(statserv_options_block *) { QFile::remove(configPath); }

int fail(const QString &message)
{
    std::fprintf(stderr, "library-z3950: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// The frontend takes the CQL mapping only from its XML configuration: one is written for it.
bool writeConfig(const QString &properties)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/library-z3950-XXXXXX.xml"));
    file.setAutoRemove(false);
    if (!file.open())
        return false;
    const QByteArray escaped = properties.toHtmlEscaped().toUtf8();
    file.write("<yazgfs>\n  <server>\n    <cql2rpn>" + escaped + "</cql2rpn>\n  </server>\n</yazgfs>\n");
    configPath = file.fileName();
    return file.flush();
}

} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    QString ini = programFolder() + QStringLiteral("/library.ini");
    if (argc > 1 && QString::fromLocal8Bit(argv[1]).endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)) {
        ini = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
        first = 2;
    }
    if (!QFileInfo(ini).isFile())
        return fail(QStringLiteral("нет файла настроек %1").arg(ini));
    const z3950::TargetSettings settings = z3950::readTargetSettings(ini);
    // A catalogue that cannot be opened is said at once, not to each client that comes.
    try {
        store::openCatalogueForReading(ini);
    } catch (const data::DataError &e) {
        return fail(e.message());
    }
    const QString properties = programFolder() + QStringLiteral("/cql2rpn.properties");
    if (!QFileInfo(properties).isFile())
        return fail(QStringLiteral("нет файла %1 с индексами CQL").arg(properties));
    if (!writeConfig(properties))
        return fail(QStringLiteral("не удалось записать настройки сервера во временную папку"));
    z3950::useTargetSettings(settings);

    std::vector<QByteArray> args{QByteArray(argv[0]), QByteArrayLiteral("-f"), QFile::encodeName(configPath)};
    for (int i = first; i < argc; ++i)
        args.emplace_back(argv[i]);
    if (first == argc)
        args.push_back(settings.listener.toLocal8Bit());
    std::vector<char *> pointers;
    for (QByteArray &a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);

    statserv_options_block *control = statserv_getcontrol();
    control->bend_start = removeConfig;
    statserv_setcontrol(control);
    const int status = statserv_main(int(args.size()), pointers.data(), z3950::targetInit, z3950::targetClose);
    QFile::remove(configPath);
    return status;
}
