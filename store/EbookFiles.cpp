#include "EbookFiles.h"

#include "data/DataError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace store {

QString ebookExtension(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

namespace {

void makeFolderOf(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw data::DataError(QStringLiteral("Не удалось создать папку «%1» для электронных версий.").arg(folder));
}

} // namespace

namespace {

// Writes the whole source beside the target; false when any of it could not be written.
bool writeCopy(QFile &in, const QString &part)
{
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if ((chunk.isEmpty() && in.error() != QFileDevice::NoError) || out.write(chunk) != chunk.size())
            return false;
    }
    return out.flush();
}

} // namespace

// The new file is written in full beside the target before it takes the target's place; the
// old version is kept aside until then and put back if that fails.
void copyEbookFile(const QString &source, const QString &target, bool replace)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw data::DataError(QStringLiteral("Не удалось прочитать файл «%1»: файл недоступен.").arg(source));
    makeFolderOf(target);
    if (QFileInfo::exists(target) && !replace)
        throw data::DataError(QStringLiteral("Файл «%1» уже существует.").arg(target));
    const QString part = target + QStringLiteral(".part");
    const QString kept = target + QStringLiteral(".old");
    const bool written = writeCopy(in, part);
    QFile::remove(kept);
    const bool hadOld = written && QFileInfo::exists(target);
    bool placed = written && (!hadOld || QFile::rename(target, kept));
    placed = placed && QFile::rename(part, target);
    if (!placed) {
        QFile::remove(part);
        if (hadOld && !QFileInfo::exists(target))
            QFile::rename(kept, target);
        throw data::DataError(QStringLiteral("Не удалось скопировать файл «%1» в «%2»: нет места на диске или нет права "
                                        "на запись в папку электронных версий.")
                             .arg(source, target));
    }
    QFile::remove(kept);
}

void moveEbookFile(const QString &from, const QString &to)
{
    if (!QFileInfo(from).isFile())
        return;
    if (QFileInfo::exists(to))
        throw data::DataError(QStringLiteral("Электронная версия осталась под прежним именем «%1»: файл «%2» уже существует.")
                             .arg(from, to));
    makeFolderOf(to);
    if (!QFile::rename(from, to))
        throw data::DataError(QStringLiteral("Не удалось перенести электронную версию «%1» в «%2».").arg(from, to));
}

} // namespace store
