#include "EbookFiles.h"

#include "StoreError.h"

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
        throw StoreError(QStringLiteral("Не удалось создать папку «%1» для электронных версий.").arg(folder));
}

} // namespace

void copyEbookFile(const QString &source, const QString &target, bool replace)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("Не удалось прочитать файл «%1»: %2").arg(source, in.errorString()));
    makeFolderOf(target);
    if (QFileInfo::exists(target) && !replace)
        throw StoreError(QStringLiteral("Файл «%1» уже существует.").arg(target));
    // Written beside the target first, so that a failed copy never leaves half a file in place.
    const QString part = target + QStringLiteral(".part");
    QFile out(part);
    bool ok = out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    while (ok && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        ok = !chunk.isEmpty() || in.atEnd();
        ok = ok && out.write(chunk) == chunk.size();
    }
    ok = ok && in.error() == QFileDevice::NoError && out.flush();
    const QString reason = out.errorString();
    out.close();
    if (ok && QFileInfo::exists(target))
        ok = QFile::remove(target);
    if (!ok || !QFile::rename(part, target)) {
        QFile::remove(part);
        throw StoreError(QStringLiteral("Не удалось скопировать файл «%1» в «%2»: %3").arg(source, target, reason));
    }
}

void moveEbookFile(const QString &from, const QString &to)
{
    if (!QFileInfo(from).isFile())
        return;
    if (QFileInfo::exists(to))
        throw StoreError(QStringLiteral("Электронная версия осталась под прежним именем «%1»: файл «%2» уже существует.")
                             .arg(from, to));
    makeFolderOf(to);
    if (!QFile::rename(from, to))
        throw StoreError(QStringLiteral("Не удалось перенести электронную версию «%1» в «%2».").arg(from, to));
}

} // namespace store
