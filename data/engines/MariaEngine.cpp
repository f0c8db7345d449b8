#include "data/engines/MariaEngine.h"

#include "data/DataError.h"
#include "data/engines/MariaStatement.h"
#include "data/engines/ServerSql.h"

#include <QFile>
#include <errmsg.h>
#include <mysql.h>

namespace data {

namespace {

// The session's dialect, and lock waits as short as the busy timeout of the embedded engine.
QByteArray sessionSetup(const ConnectionSettings &s)
{
    const int seconds = std::max(1, (s.busyTimeoutMs + 500) / 1000);
    return "SET SESSION sql_mode = 'ANSI_QUOTES,PIPES_AS_CONCAT,NO_BACKSLASH_ESCAPES,STRICT_TRANS_TABLES,"
           "ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION', innodb_lock_wait_timeout = " +
           QByteArray::number(seconds) + ", lock_wait_timeout = " + QByteArray::number(seconds);
}

ErrorKind serverErrorKind(unsigned code)
{
    switch (code) {
    case 1205: // lock wait timeout
    case 1213: // deadlock
        return ErrorKind::Busy;
    case 1406: // data too long for its column
        return ErrorKind::TooLong;
    case 1021: // disk full
    case 1114: // table full
        return ErrorKind::DiskFull;
    case 1036: // table read-only
    case 1290: // server running read-only
        return ErrorKind::ReadOnly;
    default: return code >= 2000 && code < 3000 ? ErrorKind::ServerGone : ErrorKind::Other;
    }
}

const QString NoTlsMessage = QStringLiteral(
    "Сервер базы данных не предлагает шифрованного соединения (TLS), а настройки требуют его (RequireTLS=1): "
    "подключение отменено, пароль не отправлен.");

[[noreturn]] void raiseFrom(MYSQL *db, bool connecting)
{
    const unsigned code = mysql_errno(db);
    const QString text = QString::fromUtf8(mysql_error(db));
    if (connecting && code == CR_SSL_CONNECTION_ERROR)
        throw DataError(QStringLiteral("Не удается установить шифрованное соединение с сервером базы данных: %1")
                            .arg(text),
                        int(code), ErrorKind::ServerGone);
    if (connecting && code >= 2000 && code < 3000 && code != CR_SERVER_LOST)
        throw DataError(QStringLiteral("Не удается подключиться к серверу базы данных: %1").arg(text), int(code),
                        ErrorKind::ServerGone);
    throw DataError(text, int(code), serverErrorKind(code));
}

// The first word of a statement, upper-cased, past blanks and comments.
QByteArray firstWord(const QByteArray &sql)
{
    qsizetype i = 0;
    while (i < sql.size()) {
        if (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n' || sql[i] == '(') {
            ++i;
        } else if (sql.mid(i, 2) == "--" || sql[i] == '#') {
            while (i < sql.size() && sql[i] != '\n')
                ++i;
        } else if (sql.mid(i, 2) == "/*") {
            const qsizetype end = sql.indexOf("*/", i + 2);
            i = end < 0 ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    qsizetype end = i;
    while (end < sql.size() && isalpha(static_cast<unsigned char>(sql[end])))
        ++end;
    return sql.mid(i, end - i).toUpper();
}

// Statements that change nothing stored: a lost reply to one of them lost nothing.
bool changesNothing(const QByteArray &word)
{
    static const QList<QByteArray> reading = {"SELECT", "SHOW", "SET", "DESCRIBE", "DESC", "EXPLAIN", "USE",
                                              "START", "BEGIN", "ROLLBACK", "VALUES", "TABLE"};
    return reading.contains(word);
}

} // namespace

MariaEngine::~MariaEngine() { close(); }

MYSQL *MariaEngine::connect(const ConnectionSettings &s, bool withDatabase)
{
    MYSQL *db = mysql_init(nullptr);
    if (!db)
        throw DataError(QStringLiteral("out of memory"));
    // Never wait without end for a server that does not answer.
    const unsigned connectTimeout = 5, ioTimeout = 60;
    mysql_optionsv(db, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_optionsv(db, MYSQL_OPT_READ_TIMEOUT, &ioTimeout);
    mysql_optionsv(db, MYSQL_OPT_WRITE_TIMEOUT, &ioTimeout);
    mysql_optionsv(db, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // The password and the catalogue cross the library's network: encrypted whenever the server
    // can, and only so when the settings ask for it or name the authority to check the server by.
    const QByteArray ca = QFile::encodeName(s.caCertificate);
    const my_bool on = 1;
    if (!ca.isEmpty()) {
        mysql_optionsv(db, MYSQL_OPT_SSL_CA, ca.constData());
        mysql_optionsv(db, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &on);
    }
    if (s.requireTls || !ca.isEmpty())
        mysql_optionsv(db, MYSQL_OPT_SSL_ENFORCE, &on);
    else
        mysql_ssl_set(db, nullptr, nullptr, nullptr, nullptr, nullptr);
    QByteArray host = s.server.trimmed().toUtf8(), socket;
    unsigned port = 0;
    if (host.startsWith('/')) {
        socket = host;
        host = "localhost";
    } else if (const qsizetype colon = host.lastIndexOf(':'); colon > 0 && !host.contains('[')) {
        bool ok = false;
        port = host.mid(colon + 1).toUInt(&ok);
        if (!ok || port > 65535) {
            mysql_close(db);
            throw DataError(QStringLiteral("Неверный номер порта в имени сервера «%1»").arg(s.server));
        }
        host.truncate(colon);
    }
    const QByteArray user = s.user.toUtf8(), password = s.password.toUtf8(), database = s.database.toUtf8();
    if (!mysql_real_connect(db, host.isEmpty() ? nullptr : host.constData(), user.constData(), password.constData(),
                            withDatabase && !database.isEmpty() ? database.constData() : nullptr, port,
                            socket.isEmpty() ? nullptr : socket.constData(), CLIENT_FOUND_ROWS)) {
        try {
            raiseFrom(db, true);
        } catch (...) {
            mysql_close(db);
            throw;
        }
    }
    if ((s.requireTls || !ca.isEmpty()) && !mysql_get_ssl_cipher(db)) {
        mysql_close(db);
        throw DataError(NoTlsMessage, 0, ErrorKind::ServerGone);
    }
    const QByteArray setup = sessionSetup(s);
    if (mysql_real_query(db, setup.constData(), setup.size()) != 0) {
        try {
            raiseFrom(db, false);
        } catch (...) {
            mysql_close(db);
            throw;
        }
    }
    return db;
}

void MariaEngine::open(const ConnectionSettings &settings)
{
    if (open_)
        return;
    settings_ = settings;
    db_ = connect(settings_, true);
    open_ = true;
}

void MariaEngine::close()
{
    if (db_)
        mysql_close(db_);
    db_ = nullptr;
    open_ = false;
}

void MariaEngine::raise()
{
    const unsigned code = mysql_errno(db_);
    // Over TLS a cut session shows as a TLS read or write error rather than a lost server.
    const bool lostOverTls = code == CR_SSL_CONNECTION_ERROR;
    if (code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST || code == CR_CONNECTION_ERROR || lostOverTls) {
        // The next statement connects again; nothing is sent again behind the librarian's back.
        const QString text = QString::fromUtf8(mysql_error(db_));
        mysql_close(db_);
        db_ = nullptr;
        // A change the server received may have been stored before the reply was lost; one inside
        // an open transaction was undone with the session.
        const bool maybeStored = (code == CR_SERVER_LOST || lostOverTls) && lastWrites_ && (!inTransaction_ || lastCommits_);
        inTransaction_ = false;
        if (maybeStored)
            throw DataError(QStringLiteral("Связь с сервером базы данных прервалась после того, как изменение было "
                                            "отправлено (%1). Оно могло быть сохранено: проверьте запись, прежде чем "
                                            "повторять действие.").arg(text),
                            int(code), ErrorKind::MaybeApplied);
        throw DataError(QStringLiteral("Связь с сервером базы данных прервана (%1). Действие не выполнено; "
                                        "повторите его.").arg(text), int(code), ErrorKind::ServerGone);
    }
    raiseFrom(db_, false);
}

MYSQL *MariaEngine::liveSession()
{
    if (!open_)
        throw DataError(QStringLiteral("Operation is not allowed when the connection is closed"));
    if (!db_)
        db_ = connect(settings_, true);
    return db_;
}

void MariaEngine::query(const QByteArray &sql)
{
    const QByteArray word = firstWord(sql);
    lastWrites_ = !changesNothing(word);
    lastCommits_ = word == "COMMIT";
    MYSQL *db = liveSession();
    // A session that went away while idle is found before a change is sent, so that a reply lost
    // afterwards really means the change may have been stored.
    if (lastWrites_ && !inTransaction_ && mysql_ping(db) != 0) {
        lastWrites_ = false;
        raise();
    }
    if (mysql_real_query(db, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        raise();
    if (word == "START" || word == "BEGIN")
        inTransaction_ = true;
    else if (word == "COMMIT" || word == "ROLLBACK")
        inTransaction_ = false;
}

void MariaEngine::noteResult()
{
    const my_ulonglong affected = mysql_affected_rows(db_);
    changes_ = affected == my_ulonglong(-1) ? 0 : int(affected);
    if (const my_ulonglong id = mysql_insert_id(db_))
        lastInsertId_ = qint64(id);
}

void MariaEngine::addFunction(const QString &name, int, SqlScalarFunction, const InlineCall &onServer)
{
    if (!onServer.isEmpty())
        inlineCalls_.push_back({name.toUtf8(), onServer});
}

QByteArray MariaEngine::withCallsInline(const QString &sql) const
{
    QByteArray utf8 = sql.toUtf8();
    for (const auto &[name, form] : inlineCalls_)
        utf8 = inlineCalls(utf8, name, form);
    return utf8;
}

std::unique_ptr<EngineStatement> MariaEngine::prepare(const QString &sql)
{
    const QByteArray utf8 = withCallsInline(sql);
    if (onlyBlanksAndComments(utf8))
        throw DataError(QStringLiteral("The SQL text holds no statement"));
    return std::make_unique<MariaStatement>(*this, utf8);
}

void MariaEngine::run(const QString &sql, const QVariantList &params)
{
    const QByteArray utf8 = withCallsInline(sql);
    qsizetype rest = 0;
    QList<SqlPiece> pieces = splitServerStatements(utf8, &rest);
    if (!onlyBlanksAndComments(utf8, rest))
        pieces.push_back({rest, utf8.size() - rest});
    qsizetype bound = 0;
    for (const SqlPiece &p : pieces) {
        const QByteArray text = utf8.mid(p.start, p.size);
        const QList<SqlPlaceholder> marks = serverPlaceholders(text);
        const QByteArray sent = withLiterals(text, marks, params.mid(bound, marks.size()));
        bound += marks.size();
        query(sent);
        if (MYSQL_RES *res = mysql_store_result(db_))
            mysql_free_result(res);
        else if (mysql_field_count(db_) != 0)
            raise();
        noteResult();
    }
}

QString MariaEngine::serverVersion()
{
    return QString::fromUtf8(mysql_get_server_info(liveSession()));
}

QString MariaEngine::tlsCipher()
{
    const char *cipher = db_ ? mysql_get_ssl_cipher(db_) : nullptr;
    return cipher ? QString::fromLatin1(cipher) : QString();
}

QString MariaEngine::clientVersion() { return QString::fromUtf8(mysql_get_client_info()); }

QStringList MariaEngine::tableNames(bool withViews)
{
    auto stmt = prepare(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE()"
                                       " AND table_type IN ('BASE TABLE'%1) ORDER BY BINARY table_name")
                            .arg(withViews ? QStringLiteral(", 'VIEW'") : QString()));
    return firstColumnTexts(*stmt);
}

QStringList MariaEngine::databaseNames(const ConnectionSettings &settings)
{
    MYSQL *db = connect(settings, false);
    QStringList names;
    const bool ok = mysql_real_query(db, "SHOW DATABASES", 14) == 0;
    MYSQL_RES *res = ok ? mysql_store_result(db) : nullptr;
    if (!res) {
        try {
            raiseFrom(db, false);
        } catch (...) {
            mysql_close(db);
            throw;
        }
    }
    while (MYSQL_ROW row = mysql_fetch_row(res))
        names << QString::fromUtf8(row[0]);
    mysql_free_result(res);
    mysql_close(db);
    return names;
}

QByteArray MariaEngine::sqlName(const QByteArray &name)
{
    const bool plain = isPlainSqlName(name);
    if (plain && keywords_.isEmpty()) {
        try {
            auto stmt = prepare(QStringLiteral("SELECT word FROM information_schema.keywords"));
            for (const QString &word : firstColumnTexts(*stmt))
                keywords_.insert(word.toUpper().toUtf8());
        } catch (const DataError &) {
            keywords_.insert(QByteArray()); // an older server: plain names go bare
        }
    }
    if (plain && !keywords_.contains(name.toUpper()))
        return name;
    return quotedServerName(QString::fromUtf8(name));
}

} // namespace data
