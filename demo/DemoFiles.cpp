#include "DemoFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace demo {

namespace {

QString plainText(const ElectronicFile &file)
{
    QString text = file.title + QStringLiteral("\r\n");
    if (!file.author.isEmpty())
        text = file.author + QStringLiteral("\r\n") + text;
    return text + QStringLiteral("\r\nЭлектронная версия издания, инв. № %1.\r\n").arg(file.invNum);
}

// One page of Helvetica text. The standard fonts have no Cyrillic, so the page names the item
// by number; the offsets table is what readers check first.
QByteArray pdfDocument(const ElectronicFile &file)
{
    const QByteArray line = "Electronic version, inventory number " + QByteArray::number(file.invNum);
    const QByteArray content = "BT /F1 14 Tf 72 770 Td (" + line + ") Tj ET\n";
    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
        " /Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 6\n0000000000 65535 f \n";
    for (int i = 0; i < 5; ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(pdf.size());
    return pdf + xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

// Rich text, which word processors open under the .doc name as well; non-ASCII as \uN escapes.
QByteArray rtfDocument(const ElectronicFile &file)
{
    QByteArray body;
    for (QChar c : plainText(file)) {
        if (c == u'\r')
            continue;
        if (c == u'\n')
            body += "\\par\n";
        else if (c.unicode() < 128 && c != u'\\' && c != u'{' && c != u'}')
            body += char(c.unicode());
        else
            body += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24\n" + body + "}\n";
}

QByteArray documentFor(const ElectronicFile &file)
{
    if (file.extension == QStringLiteral(".pdf"))
        return pdfDocument(file);
    if (file.extension == QStringLiteral(".doc"))
        return rtfDocument(file);
    return plainText(file).toUtf8();
}

} // namespace

QString electronicFilePath(const QString &folder, const ElectronicFile &file)
{
    QString base = folder;
    if (!base.endsWith(u'/') && !base.endsWith(u'\\'))
        base += u'/';
    return base + QString::number(file.kind) + u'/' + QString::number(file.invNum) + file.extension;
}

void writeElectronicFiles(const QString &folder, const std::vector<ElectronicFile> &files)
{
    for (const ElectronicFile &file : files) {
        const QString path = electronicFilePath(folder, file);
        const QString parent = QFileInfo(path).absolutePath();
        if (!QDir().mkpath(parent))
            throw std::runtime_error(QStringLiteral("Cannot create the folder %1").arg(parent).toStdString());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(documentFor(file)) < 0 || !out.flush()) {
            throw std::runtime_error(
                QStringLiteral("Cannot write the electronic version %1: %2").arg(path, out.errorString()).toStdString());
        }
    }
}

} // namespace demo
