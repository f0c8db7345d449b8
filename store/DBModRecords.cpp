// Operations on the current catalogue record that several windows share.
#include "DBModUnit.h"

#include "EbookFiles.h"
#include "ProcessValues.h"

namespace store {

void TDBMod::MyBooksNewRecord(data::Dataset &dataset)
{
    if (CurrentKind != 0)
        dataset.field(1).setValue(NextInvNum());
    dataset.fieldByName(QStringLiteral("itemkind_id")).setValue(int(CurrentKind));
    dataset.field(8).setValue(int(process().ThisYear));
    dataset.field(9).setValue(1);
    dataset.field(11).setValue(QStringLiteral("0"));
    dataset.field(15).setValue(0);
}

QString TDBMod::EbookPathOf(const QVariant &kind, const QVariant &invNum, const QVariant &file) const
{
    // On Linux the item kind's folder is joined with "/".
    return FilesDir + kind.toString() + u'/' + invNum.toString() + file.toString();
}

QString TDBMod::EbookPath()
{
    if (!MyBooks.active())
        return FilesDir;
    return EbookPathOf(MyBooks.fieldByName(QStringLiteral("itemkind_id")).asVariant(),
                       MyBooks.fieldByName(QStringLiteral("inv_num")).asVariant(),
                       MyBooks.fieldByName(QStringLiteral("file")).asVariant());
}

QString TDBMod::EbookFileOnDisk()
{
    if (!ebookWritten_.isEmpty())
        return ebookWritten_;
    if (MyBooks.state() != data::DatasetState::Edit)
        return EbookPath();
    auto stored = [this](const char *name) { return MyBooks.storedValue(MyBooks.fieldIndex(QString::fromLatin1(name))); };
    return EbookPathOf(stored("itemkind_id"), stored("inv_num"), stored("file"));
}

void TDBMod::PostBooks()
{
    const bool editing = MyBooks.state() == data::DatasetState::Edit || MyBooks.state() == data::DatasetState::Insert;
    const bool hasFile = editing && !MyBooks.fieldByName(QStringLiteral("file")).isNull();
    const QString before = hasFile ? EbookFileOnDisk() : QString();
    MyBooks.post();
    ebookWritten_.clear();
    const QString after = EbookPath();
    if (hasFile && before != after)
        moveEbookFile(before, after);
}

void TDBMod::DeleteKeywords(qint64 bookId)
{
    MyServer.runStatement(QStringLiteral("DELETE FROM keywords WHERE book_id = ") + QString::number(bookId));
}

void TDBMod::DeleteKeywords() { DeleteKeywords(MyBooks.field(0).asInteger()); }

void TDBMod::AddKeyword(const QString &text)
{
    if (!myKeywords.active())
        myKeywords.open();
    myKeywords.append();
    myKeywords.field(1).setValue(text);
    myKeywords.post();
}

void TDBMod::MyBooksBeforeDelete(data::Dataset &dataset)
{
    DeleteKeywords(dataset.fieldByName(QStringLiteral("id")).asInteger());
}

} // namespace store
