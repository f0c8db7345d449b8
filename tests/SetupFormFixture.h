#pragma once

// The server settings dialog on a connection of its own, with the recording platform and a
// program folder that may hold the creation script.
#include "ProcessValues.h"
#include "RecordingPlatform.h"
#include "SetupFormUnit.h"
#include "data/Connection.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

// How the warning begins; the reason follows it.
inline const QString ConnectionError = QStringLiteral(
    "Ошибка соединения: Не удается подключиться к базе данных, проверьте запущен ли сервер, а также его параметры, "
    "указанные здесь.");

struct SetupFormFixture {
    RecordingPlatform platform;
    QTemporaryDir programFolder;
    data::Connection conn;
    TSetupForm form;

    SetupFormFixture()
    {
        store::resetProcess();
        store::process().AppDir = programFolder.path() + u'/';
        ui::setPlatform(&platform);
        form.setConnection(&conn);
    }
    ~SetupFormFixture() { ui::setPlatform(nullptr); }

    bool placeInstallScript(const QString &from)
    {
        return QFile::copy(from, programFolder.filePath(QStringLiteral("install_db.sql")));
    }

    // True when exactly one box was shown and it was the connection warning.
    bool shownConnectionWarning() const { return shown().size() == 1 && shown()[0].startsWith(ConnectionError); }

    // "caption: text" of every box shown; boxes without the warning icon say which icon they had.
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
    QTest::keyClicks(d.cbDatabase->lineEdit(), name);
}

// Chooses a name of the list with the arrow keys.
inline void pickDatabaseName(TSetupForm &d, const QString &name)
{
    const int at = d.cbDatabase->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(at > 0, qPrintable(name));
    d.cbDatabase->setCurrentIndex(at - 1);
    QTest::keyClick(d.cbDatabase, Qt::Key_Down);
}
