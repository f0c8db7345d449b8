#include "ZoomSession.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <poll.h>
#include <yaz/zoom.h>

#include <algorithm>
#include <cstring>

namespace marc {

struct ZoomSession::Handles {
    ZOOM_options options = ZOOM_options_create();
    ZOOM_connection connection = nullptr;
    ZOOM_query query = nullptr;
    ZOOM_resultset results = nullptr;
    ~Handles()
    {
        if (results)
            ZOOM_resultset_destroy(results);
        if (query)
            ZOOM_query_destroy(query);
        if (connection)
            ZOOM_connection_destroy(connection);
        ZOOM_options_destroy(options);
    }
};

ZoomSession::ZoomSession(const CatalogueSource &source, Options options)
    : source_(source), options_(std::move(options)), h_(new Handles)
{
}

ZoomSession::~ZoomSession() { delete h_; }

namespace {

QByteArray escaped(const QString &term, const char *special)
{
    const QByteArray t = term.simplified().toUtf8();
    QByteArray out = "\"";
    for (char c : t) {
        if (std::strchr(special, c))
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

QByteArray pqfTerm(const QString &term) { return escaped(term, "\\\"@"); }
QByteArray cqlTerm(const QString &term)
{
    // A word from "@" is sound CQL, but a server that turns CQL into PQF (YAZ's, Zebra's) takes
    // it for an operator and refuses the query; the "@" is no letter of a word it indexes.
    static const QRegularExpression atWord(QStringLiteral("(^|\\s)@+"));
    return escaped(QString(term).replace(atWord, QStringLiteral("\\1")), "\\\"*?^");
}

QString catalogueText(const QByteArray &bytes, Charset charset)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    if (charset == Charset::Marc8 || charset == Charset::Utf8)
        return QString::fromLatin1(bytes);
    return QStringDecoder("windows-1251").decode(bytes);
}

QString ZoomSession::errorText(int code, const QString &message, const QString &addinfo) const
{
    const CatalogueConfig &c = source_.config();
    const QString where = QStringLiteral("%1:%2").arg(c.host).arg(c.port);
    switch (code) {
    case ZOOM_ERROR_CONNECT:
    case ZOOM_ERROR_CONNECTION_LOST:
    case ZOOM_ERROR_INIT:
        return QStringLiteral("Каталог «%1» недоступен: не удалось соединиться с %2.").arg(c.name, where);
    case ZOOM_ERROR_TIMEOUT:
        return QStringLiteral("Каталог «%1» не ответил за %2 с.").arg(c.name).arg(source_.timeoutSeconds());
    case ZOOM_ERROR_DECODE:
    case ZOOM_ERROR_UNSUPPORTED_PROTOCOL:
        return QStringLiteral("Каталог «%1» ответил не по протоколу %2.")
            .arg(c.name, options_.sru ? QStringLiteral("SRU") : QStringLiteral("Z39.50"));
    case ZOOM_ERROR_UNSUPPORTED_QUERY:
    case ZOOM_ERROR_INVALID_QUERY:
    case ZOOM_ERROR_CQL_PARSE:
    case ZOOM_ERROR_CQL_TRANSFORM:
    case ZOOM_ERROR_ENCODE:
        // Ours, before anything reached the catalogue.
        return QStringLiteral("Запрос к каталогу «%1» не удалось составить: %2.").arg(c.name, message + (addinfo.isEmpty() ? QString() : QStringLiteral(": ") + addinfo));
    default:
        break;
    }
    QString detail = message;
    if (!addinfo.isEmpty())
        detail += QStringLiteral(": ") + addinfo;
    if (code < 10000)
        return QStringLiteral("Каталог «%1» отказал в поиске (диагностика %2): %3.").arg(c.name).arg(code).arg(detail);
    return QStringLiteral("Каталог «%1» ответил ошибкой: %2.").arg(c.name, detail);
}

// Events are handled as they come; between two polls of at most 100 ms a stop or the timeout is
// noticed. False when the search was stopped or timed out (the result says which).
bool ZoomSession::waitUntilIdle(SearchResult &result)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(source_.timeoutSeconds()) * 1000;
    for (;;) {
        if (source_.stopped()) {
            result.status = SearchStatus::Cancelled;
            return false;
        }
        while (ZOOM_connection_process(h_->connection)) {
        }
        if (ZOOM_connection_is_idle(h_->connection))
            return true;
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0) {
            result.status = SearchStatus::Failed;
            result.error = errorText(ZOOM_ERROR_TIMEOUT, {}, {});
            return false;
        }
        const int socket = ZOOM_connection_get_socket(h_->connection);
        const int mask = ZOOM_connection_get_mask(h_->connection);
        pollfd p{socket, 0, 0};
        if (mask & ZOOM_SELECT_READ)
            p.events |= POLLIN;
        if (mask & ZOOM_SELECT_WRITE)
            p.events |= POLLOUT;
        const int ready = socket >= 0 && mask ? poll(&p, 1, int(std::min<qint64>(left, 100))) : 0;
        if (ready > 0) {
            int fired = 0;
            if (p.revents & (POLLIN | POLLHUP))
                fired |= ZOOM_SELECT_READ;
            if (p.revents & POLLOUT)
                fired |= ZOOM_SELECT_WRITE;
            if (p.revents & (POLLERR | POLLNVAL))
                fired |= ZOOM_SELECT_EXCEPT;
            ZOOM_connection_fire_event_socket(h_->connection, fired);
        } else if (socket < 0 || !mask) {
            poll(nullptr, 0, 10);
        }
    }
}

SearchResult ZoomSession::run(const QByteArray &query, int maxRecords,
                              const std::function<void(const QByteArray &, const QByteArray &, int, SearchResult &)> &reader)
{
    SearchResult result;
    const CatalogueConfig &c = source_.config();
    ZOOM_options o = h_->options;
    ZOOM_options_set(o, "async", "1");
    ZOOM_options_set_int(o, "timeout", source_.timeoutSeconds());
    ZOOM_options_set_int(o, "count", maxRecords);
    ZOOM_options_set_int(o, "presentChunk", maxRecords);
    if (options_.sru) {
        ZOOM_options_set(o, "sru", "get");
        ZOOM_options_set(o, "schema", options_.schema.constData());
    } else {
        // A catalogue of code page 1251 names its databases in it too.
        const QByteArray database = options_.termCharset == "cp1251" ? QStringEncoder("windows-1251").encode(c.database) : c.database.toUtf8();
        ZOOM_options_set(o, "databaseName", database.constData());
        if (!options_.termCharset.isEmpty())
            ZOOM_options_set(o, "rpnCharset", options_.termCharset.constData());
        ZOOM_options_set(o, "preferredRecordSyntax", options_.recordSyntax.constData());
        ZOOM_options_set(o, "elementSetName", "F");
    }
    h_->connection = ZOOM_connection_create(o);
    const QByteArray host = options_.sru ? QStringLiteral("http://%1:%2/%3").arg(c.host).arg(c.port).arg(c.database).toUtf8()
                                         : c.host.toUtf8();
    ZOOM_connection_connect(h_->connection, host.constData(), options_.sru ? 0 : c.port);
    h_->query = ZOOM_query_create();
    if (options_.sru)
        ZOOM_query_cql(h_->query, query.constData());
    else
        ZOOM_query_prefix(h_->query, query.constData());
    h_->results = ZOOM_connection_search(h_->connection, h_->query);
    if (!waitUntilIdle(result))
        return result;
    const char *message = nullptr, *addinfo = nullptr, *diagset = nullptr;
    if (const int code = ZOOM_connection_error_x(h_->connection, &message, &addinfo, &diagset)) {
        result.status = SearchStatus::Failed;
        result.error = errorText(code, QString::fromUtf8(message), catalogueText(addinfo, c.charset));
        return result;
    }
    result.hits = int(ZOOM_resultset_size(h_->results));
    const int wanted = std::min(result.hits, maxRecords);
    for (int i = 0; i < wanted && !source_.stopped(); ++i) {
        ZOOM_record record = ZOOM_resultset_record_immediate(h_->results, size_t(i));
        if (!record)
            break;
        if (ZOOM_record_error(record, &message, &addinfo, &diagset)) {
            ReadRecord r;
            r.number = i + 1;
            r.problem = QStringLiteral("каталог не выдал запись: %1").arg(catalogueText(message, source_.config().charset));
            result.records.push_back(std::move(r));
            continue;
        }
        int length = 0;
        const char *syntax = ZOOM_record_get(record, "syntax", &length);
        const QByteArray syntaxName(syntax ? syntax : "", syntax ? length : 0);
        const char *raw = ZOOM_record_get(record, "raw", &length);
        reader(syntaxName, QByteArray(raw ? raw : "", raw ? length : 0), i + 1, result);
    }
    if (source_.stopped())
        result.status = SearchStatus::Cancelled;
    return result;
}

} // namespace marc
