// The statements of the web catalogue. Values reach them only as bound parameters; the number
// of placeholders of an "IN" list is the only thing that varies in a statement's text.
#include "OpacCatalogue.h"

#include "BibDescription.h"
#include "ReaderLoans.h"
#include "Readers.h"
#include "RubricText.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <QHash>
#include <QRegularExpression>

namespace opac {

namespace {

const QString LineColumns = QStringLiteral(
    "b.id, b.author, b.title, b.location, b.publisher, b.year_p, b.page_count, b.isbn, k.itemkind_name, b.notes, b.onloan");

HoldingLine lineAt(data::Dataset &q)
{
    store::DescribedHolding d;
    d.author = q.field(1).asString();
    d.title = q.field(2).asString();
    d.location = q.field(3).asString();
    d.publisher = q.field(4).asString();
    d.year = int(q.field(5).asInteger());
    d.pages = int(q.field(6).asInteger());
    d.isbn = q.field(7).asString();
    d.kind = q.field(8).asString();
    d.notes = q.field(9).asString();
    const store::BibDescription description = store::describeHolding(d);
    return {q.field(0).asInteger(), description.heading, description.body, q.field(10).asInteger() != 0};
}

// ":i0, :i1, ..." for an IN list of n values.
QString placeholders(qsizetype n)
{
    QString s;
    for (qsizetype i = 0; i < n; ++i)
        s += (i ? QStringLiteral(", :i") : QStringLiteral(":i")) + QString::number(i);
    return s;
}

void bindAll(data::Dataset &q, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        q.paramByName(QStringLiteral("i") + QString::number(i)).value = values[i];
}

} // namespace

QString plainExtension(const QString &stored)
{
    static const QRegularExpression plain(QStringLiteral("^\\.[A-Za-z0-9]{1,10}$"));
    return plain.match(stored).hasMatch() ? stored : QString();
}

QList<HoldingLine> OpacCatalogue::lines(const std::vector<qint64> &ids)
{
    if (ids.empty())
        return {};
    data::Dataset q(&connection_);
    q.setSql(QStringLiteral("SELECT ") + LineColumns +
             QStringLiteral(" FROM books b LEFT JOIN v_itemkind k ON k.id = b.itemkind_id WHERE b.id IN (") +
             placeholders(qsizetype(ids.size())) + u')');
    QVariantList values;
    for (const qint64 id : ids)
        values.append(id);
    bindAll(q, values);
    q.open();
    QHash<qint64, HoldingLine> found;
    for (q.first(); !q.eof(); q.next()) {
        HoldingLine line = lineAt(q);
        found.insert(line.id, line);
    }
    QList<HoldingLine> out;
    for (const qint64 id : ids)
        if (found.contains(id))
            out.append(found.value(id));
    return out;
}

std::optional<HoldingDetails> OpacCatalogue::holding(qint64 id)
{
    data::Dataset q(&connection_);
    q.setSql(QStringLiteral("SELECT ") + LineColumns +
             QStringLiteral(", b.annotation, b.rubric, b.file, b.liter, b.inv_num FROM books b"
                            " LEFT JOIN v_itemkind k ON k.id = b.itemkind_id WHERE b.id = :id"));
    q.paramByName(QStringLiteral("id")).value = id;
    q.open();
    if (q.eof())
        return std::nullopt;
    HoldingDetails d;
    d.line = lineAt(q);
    d.isbn = q.field(7).asString();
    d.kindName = q.field(8).asString();
    d.annotation = q.field(11).asString();
    const QString rubricText = q.field(12).asString();
    d.fileExtension = plainExtension(q.field(13).asString().trimmed());
    d.hasFile = !d.fileExtension.isEmpty();
    d.invNum = q.field(14).asString() + (q.field(15).isNull() ? QString() : q.field(15).asString());
    d.keywords = keywordsOf(id);
    d.rubrics = rubricsOf(rubricText);
    readLoan(d);
    return d;
}

QStringList OpacCatalogue::keywordsOf(qint64 id)
{
    data::Dataset q(&connection_);
    q.setSql(QStringLiteral("SELECT keyword FROM keywords WHERE book_id = :id ORDER BY id"));
    q.paramByName(QStringLiteral("id")).value = id;
    q.open();
    QStringList words;
    for (q.first(); !q.eof(); q.next())
        if (const QString w = q.field(0).asString().trimmed(); !w.isEmpty() && !words.contains(w))
            words.append(w);
    return words;
}

QList<QList<RubricRef>> OpacCatalogue::rubricsOf(const QString &rubricText)
{
    QList<QList<RubricRef>> out;
    for (const QString &element : store::rubricElements(rubricText)) {
        const QList<qint64> path = store::rubricPath(element);
        if (!path.isEmpty())
            if (QList<RubricRef> refs = rubricPath(path.back()); !refs.isEmpty())
                out.append(refs);
    }
    return out;
}

QList<RubricRef> OpacCatalogue::rubricPath(qint64 id)
{
    QList<RubricRef> path;
    data::Dataset q(&connection_);
    q.setSql(QStringLiteral("SELECT id, title, parent FROM categories WHERE id = :id"));
    // A loop in the tree's parents must not hold the page: a tree is never this deep.
    for (int depth = 0; id > 0 && depth < 32; ++depth) {
        q.close();
        q.paramByName(QStringLiteral("id")).value = id;
        q.open();
        if (q.eof())
            break;
        path.prepend({id, q.field(1).asString()});
        id = q.field(2).asInteger();
    }
    return path;
}

QList<Rubric> OpacCatalogue::rubrics(qint64 parent)
{
    data::Dataset q(&connection_);
    q.setSql(QStringLiteral("SELECT c.id, c.title, (SELECT COUNT(*) FROM categories d WHERE d.parent = c.id)"
                            " FROM categories c WHERE c.parent = :parent"));
    q.paramByName(QStringLiteral("parent")).value = parent;
    q.setIndexFieldNames(QStringLiteral("title CIS"));
    q.open();
    QList<Rubric> out;
    for (q.first(); !q.eof(); q.next())
        out.append({q.field(0).asInteger(), q.field(1).asString(), q.field(2).asInteger() > 0});
    return out;
}

void OpacCatalogue::readLoan(HoldingDetails &details)
{
    data::Dataset q(&connection_);
    // Only what the due date needs: the reader's name is not even read.
    q.setSql(QStringLiteral("SELECT id, date_out, status FROM orders WHERE book_id = :id AND date_in IS NULL ORDER BY id"));
    q.paramByName(QStringLiteral("id")).value = details.line.id;
    q.open();
    details.lent = !q.eof();
    if (details.lent)
        details.due = store::currentDueDate(connection_, q.field(0).asInteger(), q.field(1).asDate(),
                                            q.field(2).asVariant(), periods_);
}

QList<MyLoan> OpacCatalogue::openLoans(qint64 readerId, const QDate &today)
{
    const std::optional<store::Reader> reader = store::readerById(connection_, readerId);
    if (!reader)
        return {};
    QList<MyLoan> out;
    for (const store::ReaderLoan &loan : store::readerLoans(connection_, reader->name, periods_, today, true)) {
        store::DescribedHolding d;
        d.author = loan.author;
        d.title = loan.holdingKnown ? loan.title : QStringLiteral("(издание удалено из каталога)");
        const store::BibDescription description = store::describeHolding(d);
        out.append({description.heading, description.body, loan.lent, loan.due, loan.daysOverdue});
    }
    return out;
}

QString OpacCatalogue::ebookPath(qint64 id, const QString &filesDir)
{
    data::Dataset q(&connection_);
    q.setSql(QStringLiteral("SELECT itemkind_id, inv_num, file FROM books WHERE id = :id"));
    q.paramByName(QStringLiteral("id")).value = id;
    q.open();
    if (q.eof())
        return {};
    const QString extension = plainExtension(q.field(2).asString().trimmed());
    if (extension.isEmpty() || q.field(1).isNull())
        return {};
    return filesDir + QString::number(q.field(0).asInteger()) + u'/' + QString::number(q.field(1).asInteger()) + extension;
}

} // namespace opac
