#pragma once

#include "Platform.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

// Stands in for the desktop in window tests: records every call and answers it as the test
// says, so that no test ever waits on a real modal window.
class RecordingPlatform : public ui::Platform {
public:
    struct Message {
        QString text;
        QString caption;
        ui::MsgIcon icon;
        int buttons;
    };
    QList<Message> messages;
    QList<ui::MsgButton> messageAnswers; // taken in order; when none is left: Yes if offered, else Ok
    QList<std::optional<QString>> promptAnswers; // taken in order; when none is left: cancelled
    QStringList prompts;                         // captions of the prompts asked
    QStringList shellOpened;
    QStringList wordProcessorFiles;
    QString fileAnswer;
    // Runs a modal dialog: the test fills it in and returns Accepted or Rejected. The dialog is
    // shown (offscreen) first, as the real run would.
    std::function<int(QDialog &)> onModal = [](QDialog &) { return int(QDialog::Rejected); };
    QStringList modalDialogs; // object names of the dialogs run

    ui::MsgButton messageBox(QWidget *, const QString &text, const QString &caption, ui::MsgIcon icon,
                             int buttons) override
    {
        messages.push_back({text, caption, icon, buttons});
        if (!messageAnswers.isEmpty())
            return messageAnswers.takeFirst();
        return (buttons & ui::Yes) ? ui::Yes : ui::Ok;
    }
    std::optional<QString> prompt(QWidget *, const QString &caption, const QString &, const QString &) override
    {
        prompts << caption;
        return promptAnswers.isEmpty() ? std::nullopt : promptAnswers.takeFirst();
    }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override { return fileAnswer; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &, const QString &) override
    {
        return fileAnswer;
    }
    int runModal(QDialog &dialog) override
    {
        modalDialogs << dialog.objectName();
        dialog.show();
        const int result = onModal(dialog);
        if (dialog.result() == 0 && result == QDialog::Accepted)
            dialog.setResult(result);
        dialog.hide();
        return result;
    }
    bool shellOpen(const QString &fileOrUrl) override
    {
        shellOpened << fileOrUrl;
        return true;
    }
    bool startWordProcessor(const QString &file) override
    {
        wordProcessorFiles << file;
        return true;
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const Message &m : messages)
            texts << m.text;
        return texts;
    }
};
