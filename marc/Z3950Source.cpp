#include "Z3950Source.h"

#include "Isbn.h"
#include "SruSource.h"
#include "ZoomSession.h"

namespace marc {

QByteArray Z3950Source::pqfQuery(const SearchRequest &request)
{
    QList<QByteArray> terms;
    const QStringList isbns = isbnForms(request.isbn);
    if (!isbns.isEmpty()) {
        QByteArray any;
        for (int i = 0; i < isbns.size(); ++i)
            any = (i ? "@or " + any + ' ' : QByteArray()) + "@attr 1=7 " + pqfTerm(isbns[i]);
        terms << any;
    }
    if (!request.author.trimmed().isEmpty())
        terms << "@attr 1=1003 @attr 4=6 " + pqfTerm(request.author);
    if (!request.title.trimmed().isEmpty())
        terms << "@attr 1=4 @attr 4=6 " + pqfTerm(request.title);
    QByteArray query;
    for (int i = 0; i < terms.size(); ++i)
        query = i ? "@and " + query + ' ' + terms[i] : terms[i];
    return query;
}

SearchResult Z3950Source::search(const SearchRequest &request)
{
    const QByteArray syntax = config_.format == Format::Rusmarc   ? "rusmarc"
                              : config_.format == Format::Unimarc ? "unimarc"
                                                                  : "usmarc";
    // A catalogue of another character set reads its terms in it.
    const QByteArray terms = config_.charset == Charset::Cp1251 ? "cp1251" : config_.charset == Charset::Marc8 ? "marc8" : "";
    ZoomSession session(*this, {false, syntax, {}, terms});
    MarcReader reader;
    const ReadOptions options{config_.format, config_.charset, false};
    return session.run(pqfQuery(request), request.maxRecords,
                       [&](const QByteArray &recordSyntax, const QByteArray &bytes, int number, SearchResult &result) {
                           const QByteArray s = recordSyntax.toLower();
                           if (s.contains("marc") && !s.contains("xml")) {
                               result.records.push_back(reader.readIso2709Record(bytes, options, number));
                           } else if (s == "xml" && bytes.contains("<record")) {
                               for (ReadRecord &r : reader.readMarcXml(bytes, options, number))
                                   result.records.push_back(std::move(r));
                           } else {
                               ReadRecord r;
                               r.number = number;
                               r.problem = QStringLiteral("запись пришла в формате %1, а не MARC")
                                               .arg(QString::fromUtf8(recordSyntax.isEmpty() ? "?" : recordSyntax));
                               result.records.push_back(std::move(r));
                           }
                       });
}

std::unique_ptr<CatalogueSource> makeSource(const CatalogueConfig &config, int timeoutSeconds)
{
    if (config.protocol == Protocol::Sru)
        return std::make_unique<SruSource>(config, timeoutSeconds);
    return std::make_unique<Z3950Source>(config, timeoutSeconds);
}

} // namespace marc
