#include "CatalogueRestore.h"

#include "LoanTerms.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/text/FileBytes.h"

#include <QDir>
#include <QTemporaryFile>

namespace store {

data::TableRows restoreCatalogue(data::ScriptDump &dump, data::Connection &connection, const QString &fileName,
                                 const data::Progress &progress)
{
    ensureLoanTerms(connection);
    const QByteArray script = data::readWholeFile(fileName);
    const QByteArray emptiesTerms = "\nDELETE FROM " + connection.sqlName(LoanTermsTable.toUtf8()) + ";";
    const QByteArray head = "-- " + data::ScriptDump::layerName().toLatin1() + " version: ";
    const qsizetype headEnd = script.indexOf("\r\n\r\n");
    // Anything but a whole backup of ours is left for the restore to judge as it stands.
    if (!script.startsWith(head) || headEnd < 0 || script.contains(emptiesTerms))
        return dump.RestoreFromScript(fileName, progress);

    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/library-restore-XXXXXX.sql"));
    const QByteArray withTerms = script.left(headEnd + 4) + emptiesTerms.mid(1) + "\r\n" + script.mid(headEnd + 4);
    if (!copy.open() || copy.write(withTerms) != withTerms.size() || !copy.flush())
        throw data::DataError(QStringLiteral("Не удается записать временный файл «%1»: %2")
                                  .arg(copy.fileName(), copy.errorString()));
    try {
        return dump.RestoreFromScript(copy.fileName(), progress);
    } catch (const data::DataError &e) {
        // The librarian chose the backup, not the copy: the message names the backup.
        throw data::DataError(QString(e.message()).replace(copy.fileName(), fileName), e.sqliteCode());
    }
}

} // namespace store
