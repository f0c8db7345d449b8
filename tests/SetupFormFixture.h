#pragma once

// The server settings dialog on a connection of its own, with the recording platform and a
// program folder that may hold the creation script.
#include "Connection.h"
#include "ProcessValues.h"
#include "RecordingPlatform.h"
#include "SetupFormUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

inline const QString ConnectionError = QStringLiteral(
    "Ошибка соединения: Не удается подключиться к базе данных, проверьте запущен ли сервер, а также его параметры, "
    "указанные здесь");

struct SetupFormFixture {
    RecordingPlatform platform;
    QTemporaryDir programFolder;
    store::Connection conn;
    TSetupForm form;

    SetupFormFixture()
    {
        store::resetProcess();
        store::process().AppDir = programFolder.path() + u'/';
        ui::setPlatform(&platform);
        form.setConnection(&conn);
    }
    ~SetupFormFixture()
    {
        form.hide();
        ui::setPlatform(nullptr);
        store::resetProcess();
    }

    bool placeInstallScript(const QByteArray &text)
    {
        QFile script(programFolder.filePath(QStringLiteral("install_db.sql")));
        return script.open(QIODevice::WriteOnly) && script.write(text) == text.size();
    }

    // "caption: text" of every box shown, with the icon where it is not the warning's.
    QStringList shown() const
    {
        QStringList boxes;
        for (const auto &m : platform.messages)
            boxes << (m.icon == ui::MsgIcon::Warning ? QString() : QStringLiteral("[icon %1] ").arg(int(m.icon))) +
                         m.caption + QStringLiteral(": ") + m.text;
        return boxes;
    }

    bool showActive()
    {
        form.show();
        form.activateWindow();
        return QTest::qWaitForWindowActive(&form);
    }
};

// Types into the database box as the keyboard would, replacing what it held.
inline void typeDatabaseName(TSetupForm &d, const QString &name)
{
    d.cbDatabase->lineEdit()->selectAll();
    QTest::keyClick(d.cbDatabase->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(d.cbDatabase->lineEdit(), name);
}

// Chooses a name of the list with the arrow keys.
inline void pickDatabaseName(TSetupForm &d, const QString &name)
{
    const int at = d.cbDatabase->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(at >= 0 && d.cbDatabase->count() > 1, qPrintable(name));
    d.cbDatabase->setCurrentIndex(at > 0 ? at - 1 : 1);
    QTest::keyClick(d.cbDatabase, at > 0 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(d.cbDatabase->currentText(), name);
}
