#pragma once

#include <QDir>
#include <QProcess>
#include <QStringList>

// The PDF a test wrote, looked at with the tools a person would use: drawn at 300 dpi by
// pdftoppm, its barcodes read by zbarimg, its text taken out by pdftotext.
namespace pdftools {

inline QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(300000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every barcode on every page, one entry per symbol found.
inline QStringList decodedBarcodes(const QString &pdf, const QString &workFolder)
{
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"),
                                     QStringLiteral("-png"), pdf, workFolder + QStringLiteral("/page")});
    QStringList codes;
    const QDir dir(workFolder);
    for (const QString &page : dir.entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name)) {
        const QString out = run(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"),
                                                            QStringLiteral("-Sdisable"), QStringLiteral("-Scode128.enable"),
                                                            dir.filePath(page)});
        codes << out.split(u'\n', Qt::SkipEmptyParts);
    }
    return codes;
}

inline int pageCount(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(u'\n'))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The text of one page, laid out as it stands.
inline QString pageText(const QString &pdf, int page)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                                             QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
}

} // namespace pdftools
