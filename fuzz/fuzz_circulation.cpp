// The loan periods and the letterhead read from any settings file, and the circulation pages
// made of any readers, titles and counts: periods stay whole days in range, every reader keeps
// its loans, no stored text adds markup to a page, and the chart is well-formed XML.
#include "CirculationPages.h"
#include "FuzzCheck.h"
#include "IniFile.h"
#include "LoanChart.h"
#include "ReaderNames.h"
#include "data/text/TextCodec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::consumeText;
using fuzzcheck::shown;

namespace {

store::LoanPeriods readPeriods(const QByteArray &file, store::LibraryLetterhead &letterhead)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("library.ini"));
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(file) == file.size(), "the settings file is written");
    f.close();
    store::IniFile ini(path);
    letterhead = store::readLetterhead(&ini);
    return store::readLoanPeriods(&ini);
}

QList<store::OverdueLoan> consumeLoans(FuzzedDataProvider &in)
{
    QList<store::OverdueLoan> loans;
    const int count = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < count; ++i) {
        store::OverdueLoan l;
        l.reader = consumeText(in, 12);
        l.title = consumeText(in, 20);
        l.author = consumeText(in, 8);
        l.invNum = QString::number(i);
        l.lent = QDate(2024, 1, 1).addDays(in.ConsumeIntegralInRange(0, 400));
        l.due = l.lent.addDays(in.ConsumeIntegralInRange(0, 60));
        l.daysOverdue = in.ConsumeIntegralInRange(1, 900);
        loans.push_back(l);
    }
    return loans;
}

int occurrences(const QString &page, const QString &tag) { return int(page.count(tag)); }

void checkPages(const QList<store::OverdueLoan> &loans, const store::LibraryLetterhead &letterhead)
{
    const QList<store::ReaderDebt> debts = store::groupByReader(loans);
    qsizetype kept = 0, named = 0;
    for (qsizetype i = 0; i < debts.size(); ++i) {
        kept += debts[i].loans.size();
        const bool unnamed = debts[i].reader.trimmed().isEmpty();
        named += unnamed ? 0 : 1;
        check(!unnamed || i == debts.size() - 1, "the loans without a reader come last");
    }
    check(kept == loans.size(), "every loan is in one reader's group");
    QSet<QString> keys;
    for (const store::ReaderDebt &d : debts)
        keys.insert(store::readerNameKey(d.reader));
    check(keys.size() == debts.size(), "names that differ only in case, Ё or blanks are one reader");
    const QDate day(2025, 6, 1);
    const QString list = data::decodeText(reports::overdueReportPage(day, debts), data::TextEncoding::Cp1251);
    check(occurrences(list, QStringLiteral("<tr>")) == int(loans.size() + debts.size()), "one row per loan, one heading per table",
          shown(list));
    check(occurrences(list, QStringLiteral("<h2>")) == int(debts.size()), "one heading per reader", shown(list));
    const QString letters =
        data::decodeText(reports::reminderLettersPage(day, debts, letterhead), data::TextEncoding::Cp1251);
    check(occurrences(letters, QStringLiteral("<div class=\"letter\">")) == int(named), "one letter per named reader",
          shown(letters));
    check(occurrences(letters, QStringLiteral("<p>")) + occurrences(letters, QStringLiteral("<p style=")) == int(named) * (letterhead.name.isEmpty() ? 5 : 6) + (named ? 0 : 1),
          "the letterhead adds no paragraph of its own", shown(letters));
}

void checkChart(FuzzedDataProvider &in)
{
    QList<store::MonthLoans> months(in.ConsumeIntegralInRange(0, 40));
    int segments = 0;
    for (qsizetype i = 0; i < months.size(); ++i) {
        months[i].year = 2000 + int(i / 12);
        months[i].month = int(i % 12) + 1;
        for (qint64 &n : months[i].byKind) {
            n = in.ConsumeIntegralInRange<qint64>(0, in.ConsumeBool() ? 3 : 100000000);
            segments += n > 0;
        }
    }
    const QString svg = reports::loanChartSvg(months);
    check(months.isEmpty() == svg.isEmpty(), "a chart whenever there is a month");
    if (svg.isEmpty())
        return;
    QXmlStreamReader xml(svg);
    int bars = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rect" &&
            xml.attributes().value(QStringLiteral("stroke-width")).isEmpty() == false)
            ++bars;
    check(!xml.hasError(), "the chart is well-formed XML", xml.errorString() + u'\n' + svg);
    const qsizetype widths = months.size();
    check(bars == segments || (760.0 - 68) / double(widths) * 0.7 < 3, "one outlined rectangle per non-empty count", svg);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string file = in.ConsumeRandomLengthString(300);
    store::LibraryLetterhead letterhead;
    const store::LoanPeriods periods = readPeriods(QByteArray(file.data(), qsizetype(file.size())), letterhead);
    for (int days : periods.days)
        check(days >= 0 && days <= store::LongestLoanPeriod, "a period is whole days in range", shown(QString::fromStdString(file)));
    check(letterhead.name == letterhead.name.trimmed(), "the library's name has no blanks at its ends");
    checkPages(consumeLoans(in), letterhead);
    checkChart(in);
    return 0;
}
