#include "SruSource.h"

#include "Isbn.h"
#include "ZoomSession.h"

namespace marc {

QByteArray SruSource::cqlQuery(const SearchRequest &request)
{
    QList<QByteArray> terms;
    QList<QByteArray> anyIsbn;
    for (const QString &isbn : isbnForms(request.isbn))
        anyIsbn << "bath.isbn=" + cqlTerm(isbn);
    if (!anyIsbn.isEmpty())
        terms << (anyIsbn.size() > 1 ? '(' + anyIsbn.join(" or ") + ')' : anyIsbn.first());
    if (!request.author.trimmed().isEmpty())
        terms << "dc.creator all " + cqlTerm(request.author);
    if (!request.title.trimmed().isEmpty())
        terms << "dc.title all " + cqlTerm(request.title);
    return terms.join(" and ");
}

SearchResult SruSource::search(const SearchRequest &request)
{
    ZoomSession session(*this, {true, {}, "marcxml", {}});
    MarcReader reader;
    const ReadOptions options{config_.format, config_.charset, false};
    return session.run(cqlQuery(request), request.maxRecords,
                       [&](const QByteArray &, const QByteArray &bytes, int number, SearchResult &result) {
                           std::vector<ReadRecord> read = reader.readMarcXml(bytes, options, number);
                           if (read.empty()) {
                               ReadRecord r;
                               r.number = number;
                               r.problem = QStringLiteral("запись пришла не в схеме MARCXML");
                               read.push_back(std::move(r));
                           }
                           for (ReadRecord &r : read)
                               result.records.push_back(std::move(r));
                       });
}

} // namespace marc
