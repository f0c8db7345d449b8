// Operations on the current catalogue record that several windows share.
#include "DBModUnit.h"

namespace store {

// On Linux the item kind's folder is joined with "/".
QString TDBMod::EbookPath()
{
    if (!MyBooks.active())
        return FilesDir;
    return FilesDir + MyBooks.fieldByName(QStringLiteral("itemkind_id")).asString() + u'/'
        + MyBooks.fieldByName(QStringLiteral("inv_num")).asString() + MyBooks.fieldByName(QStringLiteral("file")).asString();
}

void TDBMod::DeleteKeywords(qint64 bookId)
{
    MyServer.runStatement(QStringLiteral("DELETE FROM keywords WHERE book_id = ") + QString::number(bookId));
}

void TDBMod::MyBooksBeforeDelete(Dataset &dataset)
{
    DeleteKeywords(dataset.fieldByName(QStringLiteral("id")).asInteger());
}

} // namespace store
