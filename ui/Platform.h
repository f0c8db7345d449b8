#pragma once

#include <QString>
#include <optional>

class QWidget;
class QDialog;

namespace ui {

enum class MsgIcon { None, Information, Warning, Question, Error };

// Buttons of a message box; the answer is one of them.
enum MsgButton { Ok = 1, Cancel = 2, Yes = 4, No = 8 };

// Everything the windows take from the desktop: message boxes, the text prompt, file dialogs,
// modal dialogs of our own, the shell's "open" and the word processor. The program installs the
// Qt implementation; tests install one that records each call and answers it.
class Platform {
public:
    virtual ~Platform() = default;

    virtual MsgButton messageBox(QWidget *owner, const QString &text, const QString &caption, MsgIcon icon,
                                 int buttons) = 0;
    // The modal text prompt; nullopt when cancelled.
    virtual std::optional<QString> prompt(QWidget *owner, const QString &caption, const QString &label,
                                          const QString &initial) = 0;
    virtual QString openFileName(QWidget *owner, const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *owner, const QString &caption, const QString &folder,
                                 const QString &filter, const QString &defaultExtension) = 0;
    // Runs one of our dialogs modally; returns QDialog::Accepted or Rejected.
    virtual int runModal(QDialog &dialog) = 0;
    // Opens a file or a link with the program the desktop associates with it.
    virtual bool shellOpen(const QString &fileOrUrl) = 0;
    // Starts the word processor (LibreOffice Writer when installed) with a file.
    virtual bool startWordProcessor(const QString &file) = 0;
};

// The one place the windows reach the platform through.
Platform &platform();
void setPlatform(Platform *platform); // not owned; nullptr puts the Qt one back

// The Qt implementation.
class QtPlatform : public Platform {
public:
    MsgButton messageBox(QWidget *owner, const QString &text, const QString &caption, MsgIcon icon,
                         int buttons) override;
    std::optional<QString> prompt(QWidget *owner, const QString &caption, const QString &label,
                                  const QString &initial) override;
    QString openFileName(QWidget *owner, const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(QWidget *owner, const QString &caption, const QString &folder, const QString &filter,
                         const QString &defaultExtension) override;
    int runModal(QDialog &dialog) override;
    bool shellOpen(const QString &fileOrUrl) override;
    bool startWordProcessor(const QString &file) override;
};

// Windows file-type filters ("text|*.sql|...") as Qt writes them ("text (*.sql);;...").
QString qtFileFilter(const QString &windowsFilter);

} // namespace ui
