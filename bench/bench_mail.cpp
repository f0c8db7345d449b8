// mail_100: 100 reminder letters sent to the loopback SMTP server (STARTTLS, login), from the
// letters made to the last one accepted, against Python's smtplib sending the same 100 letters,
// built by Python's own e-mail package, in one session.
// Usage: bench_mail [--rounds N] SMTP_PORT SMTP_DIR   (scripts/test-smtp start SMTP_DIR gives both)
#include "BenchUtil.h"
#include "MailBatch.h"
#include "ProgramFolder.h"
#include "ReminderMail.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int Letters = 100;

// Each reader's letter as the overdue dialog makes it: three late loans each.
QList<store::MailLetter> reminders()
{
    const store::LibraryLetterhead letterhead{QStringLiteral("Научная библиотека института"),
                                              QStringLiteral("Заведующая библиотекой И.И. Петрова")};
    QList<store::MailLetter> letters;
    for (int i = 0; i < Letters; ++i) {
        store::ReaderDebt debt;
        debt.reader = QStringLiteral("Читатель Номер %1").arg(i);
        for (int k = 0; k < 3; ++k) {
            store::OverdueLoan loan;
            loan.invNum = QString::number(i * 3 + k);
            loan.author = QStringLiteral("Толстой Л. Н.");
            loan.title = QStringLiteral("Война и мир. Том %1").arg(k + 1);
            loan.lent = QDate(2024, 1, 15);
            loan.due = QDate(2024, 2, 14);
            loan.daysOverdue = 16;
            debt.loans << loan;
        }
        letters << reports::reminderMail(QDate(2024, 3, 1), debt, letterhead, QStringLiteral("reader-%1@example.ru").arg(i));
    }
    return letters;
}

// The same letters for Python: name, address, subject and both texts.
QByteArray lettersJson(const QList<store::MailLetter> &letters)
{
    QJsonArray array;
    for (const store::MailLetter &l : letters)
        array.append(QJsonObject{{"name", l.recipientName}, {"address", l.address}, {"subject", l.subject},
                                 {"plain", l.plainText}, {"html", l.html}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

// Python times itself, from reading the letters to the session's end, and prints milliseconds.
const char *const Reference = R"(
import json, smtplib, ssl, sys, time
from email.message import EmailMessage
from email.headerregistry import Address
letters = json.load(open(sys.argv[3], encoding='utf-8'))
start = time.perf_counter()
tls = ssl.create_default_context(cafile=sys.argv[2])
with smtplib.SMTP('127.0.0.1', int(sys.argv[1]), local_hostname='localhost', timeout=60) as s:
    s.starttls(context=tls)
    s.login('library', 'library-test')
    for l in letters:
        m = EmailMessage()
        m['From'] = Address('Научная библиотека института', addr_spec='library@example.ru')
        m['To'] = Address(l['name'], addr_spec=l['address'])
        m['Subject'] = l['subject']
        m.set_content(l['plain'], cte='quoted-printable')
        m.add_alternative(l['html'], subtype='html', cte='quoted-printable')
        s.send_message(m)
print((time.perf_counter() - start) * 1000)
)";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 3);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: bench_mail [--rounds N] SMTP_PORT SMTP_DIR\n");
        return 2;
    }
    store::MailSettings settings;
    settings.server = QStringLiteral("127.0.0.1");
    settings.port = args[0].toInt();
    settings.user = QStringLiteral("library");
    settings.password = QStringLiteral("library-test");
    settings.from = QStringLiteral("Научная библиотека института <library@example.ru>");
    settings.caCertificate = args[1] + QStringLiteral("/tls/ca.pem");
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("mail.log"));
    const QString json = dir.filePath(QStringLiteral("letters.json"));
    QFile jsonFile(json);
    if (!jsonFile.open(QIODevice::WriteOnly) || jsonFile.write(lettersJson(reminders())) < 0)
        return 1;
    jsonFile.close();

    bench::Samples samples;
    for (int r = 0; r < rounds; ++r) {
        int sent = 0;
        samples.ours.push_back(bench::timeMs([&] {
            const QList<store::LetterResult> results = store::sendLetters(*store::makeMailer(settings), reminders(), log);
            for (const store::LetterResult &result : results)
                sent += result.outcome == store::LetterResult::Outcome::Sent;
        }));
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"), QString::fromUtf8(Reference), args[0], settings.caCertificate, json});
        python.waitForFinished(120000);
        bool ok = false;
        samples.ref.push_back(python.readAllStandardOutput().trimmed().toDouble(&ok));
        if (sent != Letters || !ok) {
            std::fprintf(stderr, "bench_mail: %d of %d letters sent; reference: %s\n", sent, Letters,
                         python.readAllStandardError().constData());
            return 1;
        }
    }
    bench::printFigure("mail_100", samples, 1);
    return 0;
}
