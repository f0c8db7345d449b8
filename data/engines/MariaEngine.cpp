#include "data/engines/MariaEngine.h"

#include "data/DataError.h"
#include "data/engines/MariaStatement.h"
#include "data/engines/ServerGreeting.h"
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
           QByteArray::number(seconds) + ", lock_wait_timeout = " + QByteArray::number(seconds) +
           // A reader refuses changes even on an account that could make them.
           (s.readOnly ? ", tx_read_only = 1" : "");
}

ErrorKind serverErrorKind(unsigned code, const QString &text)
{
    switch (code) {
    case 1205: return ErrorKind::Busy; // lock wait timeout
    case 1213: return ErrorKind::Deadlock;
    case 1406: // data too long for its column
    case 1153: // a packet larger than max_allowed_packet
        return ErrorKind::TooLong;
    case 1021: // disk full
    case 1114: // table full
        return ErrorKind::DiskFull;
    case 1036: // table read-only
    case 1290: // server running read-only
    case 1792: // a session for reading only
        return ErrorKind::ReadOnly;
    case 1062: // duplicate entry
    case 1586:
        return ErrorKind::Duplicate;
    case 1366: // incorrect string value
    case 1300: // invalid character string
        return ErrorKind::BadText;
    case 1044: // no access to the database
    case 1045: // wrong user or password
    case 1142: // command denied on a table
    case 1143:
    case 1227: // a privilege is needed
    case 1698:
        return ErrorKind::AccessDenied;
    case 1049: return ErrorKind::NoDatabase;
    case 1040: // too many connections
    case 1203: // the account's own limit
    case 1226:
        return ErrorKind::TooManyConnections;
    case 1048: // a column that cannot be NULL
    case 1452: // a foreign key
    case 4025: // a CHECK constraint
        return ErrorKind::Constraint;
    default: break;
    }
    // "Errcode: 28" is ENOSPC, whatever statement met it.
    if (text.contains(QLatin1String("Errcode: 28")) || text.contains(QLatin1String("No space left")))
        return ErrorKind::DiskFull;
    return code >= 2000 && code < 3000 ? ErrorKind::ServerGone : ErrorKind::Other;
}

const QString NoTlsMessage = QStringLiteral(
    "Сервер базы данных не предлагает шифрованного соединения (TLS), а настройки требуют его (RequireTLS=1): "
    "подключение отменено, имя пользователя и пароль не отправлены.");

// Where the server listens: a TCP host and port, or a socket on this computer.
struct Endpoint {
    QByteArray host, socket;
    unsigned port = 0;
    bool local() const { return !socket.isEmpty() || host.isEmpty(); }
};

Endpoint endpointOf(const ConnectionSettings &s)
{
    Endpoint e;
    e.host = s.server.trimmed().toUtf8();
    if (e.host.startsWith('/')) {
        e.socket = e.host;
        e.host = "localhost";
    } else if (const qsizetype colon = e.host.lastIndexOf(':'); colon > 0 && !e.host.contains('[')) {
        bool ok = false;
        e.port = e.host.mid(colon + 1).toUInt(&ok);
        if (!ok || e.port > 65535)
            throw DataError(QStringLiteral("Неверный номер порта в имени сервера «%1»").arg(s.server));
        e.host.truncate(colon);
    }
    return e;
}

QString certificateDetails(const ServerGreeting &g)
{
    return QStringLiteral("Отпечаток SHA-256 сертификата: %1. Владелец: %2; выдан: %3.")
        .arg(fingerprintText(g.sha256), g.subject, g.issuer);
}

// From what the server showed before any login: whether and how the session is encrypted. Raises
// when nothing of the login may be sent to it.
TlsState settleTls(MYSQL *db, const ConnectionSettings &s, const Endpoint &e)
{
    QByteArray kept;
    if (!s.serverFingerprint.trimmed().isEmpty()) {
        kept = fingerprintFromText(s.serverFingerprint);
        if (kept.isEmpty())
            throw DataError(QStringLiteral("В library.ini значение ServerFingerprint=%1 не является отпечатком SHA-256 "
                                           "(64 шестнадцатеричные цифры, можно через двоеточие). Подключение отменено, "
                                           "имя пользователя и пароль не отправлены.").arg(s.serverFingerprint),
                            0, ErrorKind::ServerGone);
    }
    // An authority named in the settings is a demand for a verified server, as RequireTLS=1 is.
    const bool required = s.requireTls || !s.caCertificate.isEmpty();
    const ServerGreeting g = readServerGreeting({e.host, e.port ? e.port : 3306, s.caCertificate});
    if (!g.offersTls) {
        if (required)
            throw DataError(NoTlsMessage, 0, ErrorKind::ServerGone);
        if (!kept.isEmpty())
            throw DataError(QStringLiteral("Сервер базы данных больше не предлагает шифрованного соединения, хотя прежде "
                                           "предъявлял сертификат, которому вы доверились (ServerFingerprint= в "
                                           "library.ini). Возможно, соединение перехватывает чужой компьютер. "
                                           "Подключение отменено, имя пользователя и пароль не отправлены."),
                            0, ErrorKind::CertificateChanged);
        return TlsState::Plain;
    }
    const bool confirmed = !kept.isEmpty() && kept == g.sha256;
    if (!g.verified && !kept.isEmpty() && !confirmed)
        throw DataError(QStringLiteral("Сертификат сервера базы данных изменился: его отпечаток SHA-256 теперь %1, а "
                                       "тот, которому вы доверились (ServerFingerprint= в library.ini), — %2. Так бывает, "
                                       "когда администратор выпустил серверу новый сертификат, но так же выглядит и "
                                       "перехват соединения чужим компьютером. Подключение отменено, имя пользователя "
                                       "и пароль не отправлены. Спросите администратора, менялся ли сертификат; если "
                                       "да, удалите строку ServerFingerprint= и подключитесь снова, сверив новый "
                                       "отпечаток.").arg(fingerprintText(g.sha256), fingerprintText(kept)),
                        0, ErrorKind::CertificateChanged);
    if (!g.verified && !confirmed && required)
        throw DataError(QStringLiteral("Сертификат сервера базы данных проверить не удалось: %1. %2 Подключение "
                                       "отменено, имя пользователя и пароль не отправлены.")
                            .arg(g.whyUnverified, certificateDetails(g)),
                        0, ErrorKind::UntrustedCertificate, fingerprintText(g.sha256));
    // The session itself must show the very certificate judged here, or the client library stops
    // before the login is sent.
    const QByteArray pin = g.sha1.toHex();
    const my_bool off = 0;
    mysql_optionsv(db, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &off);
    mysql_optionsv(db, MARIADB_OPT_TLS_PEER_FP, pin.constData());
    return g.verified || confirmed ? TlsState::Verified : TlsState::Unverified;
}

[[noreturn]] void raiseFrom(MYSQL *db, bool connecting)
{
    const unsigned code = mysql_errno(db);
    const QString text = QString::fromUtf8(mysql_error(db));
    if (connecting && code == CR_SSL_CONNECTION_ERROR)
        throw DataError(QStringLiteral("Не удается установить шифрованное соединение с сервером базы данных: %1. Имя "
                                       "пользователя и пароль не отправлены.")
                            .arg(text),
                        int(code), ErrorKind::ServerGone);
    if (connecting && code >= 2000 && code < 3000 && code != CR_SERVER_LOST)
        throw DataError(QStringLiteral("Не удается подключиться к серверу базы данных: %1").arg(text), int(code),
                        ErrorKind::ServerGone);
    throw DataError(text, int(code), serverErrorKind(code, text));
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

MYSQL *MariaEngine::connect(const ConnectionSettings &s, bool withDatabase, TlsState *state)
{
    const Endpoint e = endpointOf(s);
    MYSQL *db = mysql_init(nullptr);
    if (!db)
        throw DataError(QStringLiteral("out of memory"));
    // Never wait without end for a server that does not answer.
    const unsigned connectTimeout = 5, ioTimeout = 60;
    mysql_optionsv(db, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_optionsv(db, MYSQL_OPT_READ_TIMEOUT, &ioTimeout);
    mysql_optionsv(db, MYSQL_OPT_WRITE_TIMEOUT, &ioTimeout);
    mysql_optionsv(db, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    TlsState tls = TlsState::Plain;
    const QByteArray ca = QFile::encodeName(s.caCertificate);
    const my_bool on = 1;
    try {
        if (!e.local()) {
            // The password and the catalogue cross the library's network: encrypted whenever the
            // server can, and sent only to a server the settings let the program trust.
            tls = settleTls(db, s, e);
        } else if (s.requireTls || !ca.isEmpty()) {
            // A socket on this computer crosses no network; the settings still hold if they ask.
            if (!ca.isEmpty()) {
                mysql_optionsv(db, MYSQL_OPT_SSL_CA, ca.constData());
                mysql_optionsv(db, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &on);
            }
            mysql_optionsv(db, MYSQL_OPT_SSL_ENFORCE, &on);
        }
    } catch (...) {
        mysql_close(db);
        throw;
    }
    const QByteArray user = s.user.toUtf8(), password = s.password.toUtf8(), database = s.database.toUtf8();
    if (!mysql_real_connect(db, e.host.isEmpty() ? nullptr : e.host.constData(), user.constData(), password.constData(),
                            withDatabase && !database.isEmpty() ? database.constData() : nullptr, e.port,
                            e.socket.isEmpty() ? nullptr : e.socket.constData(), CLIENT_FOUND_ROWS)) {
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
    if (state)
        *state = mysql_get_ssl_cipher(db) ? (tls == TlsState::Plain ? TlsState::Unverified : tls) : TlsState::Plain;
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
    db_ = connect(settings_, true, &tls_);
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
        db_ = connect(settings_, true, &tls_);
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

QStringList MariaEngine::viewNames()
{
    auto stmt = prepare(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE()"
                                       " AND table_type = 'VIEW' ORDER BY BINARY table_name"));
    return firstColumnTexts(*stmt);
}

QStringList MariaEngine::databaseNames(const ConnectionSettings &settings)
{
    MYSQL *db = connect(settings, false, nullptr);
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
