#pragma once

// The private SMTP servers that ctest starts for the test_mail* programs (scripts/test-smtp):
// one with STARTTLS, one without; the letters they received, read back by Python's own e-mail
// parser, so that what we sent is judged by a reader that is not ours.
#include "MailSettings.h"
#include "RequireServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

struct MailServer {
    QString dir;
    int port = 0;
    bool available = false;

    static MailServer find(const char *folderVariable)
    {
        MailServer s;
        s.dir = qEnvironmentVariable(folderVariable);
        QFile portFile(s.dir + QStringLiteral("/port"));
        if (s.dir.isEmpty() || !portFile.open(QIODevice::ReadOnly))
            return s;
        s.port = portFile.readAll().trimmed().toInt();
        s.available = s.port > 0;
        return s;
    }
    static MailServer withTls() { return find("LIBRARY_TEST_SMTP_DIR"); }
    static MailServer plain() { return find("LIBRARY_TEST_SMTP_PLAIN_DIR"); }

    // Settings that reach this server as its account, trusting the test authority.
    store::MailSettings settings() const
    {
        store::MailSettings s;
        s.server = QStringLiteral("127.0.0.1");
        s.port = port;
        s.user = QStringLiteral("library");
        s.password = QStringLiteral("library-test");
        s.from = QStringLiteral("Библиотека «Ромашка» <library@example.ru>");
        s.caCertificate = dir + QStringLiteral("/tls/ca.pem");
        s.timeoutSeconds = 10;
        return s;
    }

    // The letters received so far, oldest first, as paths of their files.
    QStringList letters() const
    {
        QStringList files;
        for (const QString &name : QDir(dir + QStringLiteral("/mail")).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
            files << dir + QStringLiteral("/mail/") + name;
        return files;
    }
    // The received letters to one address, as Python's parser reads them.
    QList<QJsonObject> lettersTo(const QString &address) const
    {
        QList<QJsonObject> found;
        for (const QString &file : letters()) {
            const QJsonObject letter = parse(file);
            if (letter.value(QStringLiteral("envelope_to")).toArray().contains(address))
                found << letter;
        }
        return found;
    }
    // The logins tried ("PLAIN library") and the goodbyes ("QUIT") so far, a line each.
    QByteArray sessions() const
    {
        QFile f(dir + QStringLiteral("/session.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // One letter as Python's e-mail package decodes it: headers, parts (type, charset, text),
    // the envelope, and how the raw bytes look (only ASCII, longest line, longest line of the
    // headers we write: libcurl writes the boundary's).
    static QJsonObject parse(const QString &file)
    {
        static const char *script = R"(
import email, email.header, email.policy, json, sys
raw = open(sys.argv[1], 'rb').read()
m = email.message_from_bytes(raw, policy=email.policy.default)
env = json.load(open(sys.argv[1][:-4] + '.json'))
to = m['To'].addresses[0] if m['To'] else None
frm = m['From'].addresses[0] if m['From'] else None
parts = [{'type': p.get_content_type(), 'charset': p.get_content_charset(), 'text': p.get_content()}
         for p in m.walk() if not p.is_multipart()]
# The names as RFC 2047 reads them: the parser above keeps a blank between two encoded words.
header = lambda name: str(email.header.make_header(email.header.decode_header(
    email.message_from_bytes(raw)[name] or '')))
print(json.dumps({'subject': str(m['Subject']), 'to': header('To'), 'from': header('From'),
  'to_address': to.addr_spec if to else '', 'from_address': frm.addr_spec if frm else '', 'content_type': m.get_content_type(), 'parts': parts,
  'headers': [k for k in m.keys()], 'envelope_to': env['to'], 'envelope_from': env['from'],
  'ascii': all(b < 128 for b in raw), 'longest_line': max(len(l) for l in raw.split(b'\r\n')),
  'longest_header_line': max(len(l) for l in raw.split(b'\r\n\r\n')[0].split(b'\r\n')
                             if not l.lower().startswith(b'content-type')),
  'defects': len(m.defects)}))
)";
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(script), file});
        if (!python.waitForFinished(30000) || python.exitCode() != 0)
            qWarning("%s", python.readAllStandardError().constData());
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }
};

#define REQUIRE_MAIL_SERVER(s) REQUIRE_SERVER((s).available, "LIBRARY_TEST_SMTP_DIR")
