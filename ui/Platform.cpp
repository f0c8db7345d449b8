#include "Platform.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace ui {

namespace {
QtPlatform &qtPlatform()
{
    static QtPlatform instance;
    return instance;
}
Platform *current = nullptr;
} // namespace

Platform &platform() { return current ? *current : qtPlatform(); }
void setPlatform(Platform *p) { current = p; }

MsgButton QtPlatform::messageBox(QWidget *owner, const QString &text, const QString &caption, MsgIcon icon, int buttons)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    const std::pair<MsgButton, QMessageBox::StandardButton> map[] = {
        {Ok, QMessageBox::Ok}, {Cancel, QMessageBox::Cancel}, {Yes, QMessageBox::Yes}, {No, QMessageBox::No}};
    QMessageBox::StandardButtons standard;
    for (const auto &[ours, theirs] : map)
        if (buttons & ours)
            standard |= theirs;
    box.setStandardButtons(standard ? standard : QMessageBox::Ok);
    // Russian captions on the buttons, whatever the desktop's language.
    if (auto *b = box.button(QMessageBox::Yes))
        b->setText(QStringLiteral("Да"));
    if (auto *b = box.button(QMessageBox::No))
        b->setText(QStringLiteral("Нет"));
    if (auto *b = box.button(QMessageBox::Cancel))
        b->setText(QStringLiteral("Отмена"));
    const int answer = box.exec();
    for (const auto &[ours, theirs] : map)
        if (answer == theirs)
            return ours;
    return (buttons & Cancel) ? Cancel : (buttons & No) ? No : Ok;
}

std::optional<QString> QtPlatform::prompt(QWidget *owner, const QString &caption, const QString &label,
                                          const QString &initial)
{
    QInputDialog dialog(owner);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("ОК"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtPlatform::openFileName(QWidget *owner, const QString &caption, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(owner, caption, folder, qtFileFilter(filter));
}

QString QtPlatform::saveFileName(QWidget *owner, const QString &caption, const QString &folder, const QString &filter,
                                 const QString &defaultExtension)
{
    QFileDialog dialog(owner, caption, folder, qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

int QtPlatform::runModal(QDialog &dialog) { return dialog.exec(); }

bool QtPlatform::shellOpen(const QString &fileOrUrl)
{
    const QUrl url = QFileInfo::exists(fileOrUrl) ? QUrl::fromLocalFile(fileOrUrl) : QUrl(fileOrUrl);
    return QDesktopServices::openUrl(url);
}

bool QtPlatform::startWordProcessor(const QString &file)
{
    for (const char *writer : {"lowriter", "libreoffice", "soffice"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(writer));
        if (program.isEmpty())
            continue;
        QStringList args;
        if (program.endsWith(QStringLiteral("libreoffice")) || program.endsWith(QStringLiteral("soffice")))
            args << QStringLiteral("--writer");
        args << file;
        return QProcess::startDetached(program, args);
    }
    // No LibreOffice: whatever the desktop opens the file with.
    return shellOpen(file);
}

QString qtFileFilter(const QString &windowsFilter)
{
    const QStringList parts = windowsFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        // "*.*" means every file; here it would leave out names without a point.
        filters << parts[i] + QStringLiteral(" (") +
                       QString(parts[i + 1]).replace(u';', u' ').replace(QStringLiteral("*.*"), QStringLiteral("*")) + u')';
    return filters.join(QStringLiteral(";;"));
}

} // namespace ui
