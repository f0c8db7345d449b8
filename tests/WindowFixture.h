#pragma once

#include "DatasetModel.h"
#include "DemoCatalogue.h"
#include "Program.h"
#include "ProcessValues.h"
#include "RecordingPlatform.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

// A program folder in a temporary directory with a catalogue, the recording platform installed
// and the program's objects created as the program entry creates them. start() shows the main
// window, which runs its first-show handler.
struct WindowFixture {
    QTemporaryDir dir;
    RecordingPlatform platform;
    Program program;

    WindowFixture()
    {
        store::resetProcess();
        ui::setPlatform(&platform);
    }
    ~WindowFixture()
    {
        if (program.MainForm)
            program.MainForm->close();
        program.finish();
        program.destroy();
        ui::setPlatform(nullptr);
        store::resetProcess();
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    // The demonstration catalogue, small.
    void makeDemoCatalogue(int holdings = 120)
    {
        DemoOptions options;
        options.holdings = holdings;
        options.loans = holdings;
        options.keywords = holdings * 2;
        options.electronicVersions = 5;
        options.filesDir = dir.path() + QStringLiteral("//files/");
        generateDemoCatalogue(path(QStringLiteral("library.sdb")), options);
    }

    void writeSettings(const QByteArray &text)
    {
        QFile f(path(QStringLiteral("library.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    void create() { program.create(path(QStringLiteral("library"))); }

    // Creates the objects and shows the main window (edit mode unless the settings say otherwise).
    TMainForm &start()
    {
        if (!program.MainForm)
            create();
        program.MainForm->show();
        return *program.MainForm;
    }

    // Starts with AutoAdminLogon=1: edit mode with no dialog.
    TMainForm &startInEditMode()
    {
        writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
        return start();
    }

    store::TDBMod &db() { return *program.DBMod; }
    TMainForm &form() { return *program.MainForm; }
};

// The inventory numbers the grid shows, in ascending order.
inline QList<int> shownInvNums(const TMainForm &w)
{
    QList<int> nums;
    for (int row = 0; row < w.gridModel->rowCount(); ++row)
        nums << w.gridModel->index(row, 0).data().toInt();
    std::sort(nums.begin(), nums.end());
    return nums;
}

// The first value of a query run on the program's connection.
inline qint64 scalar(store::TDBMod &db, const QString &sql)
{
    data::Dataset query(&db.MyServer);
    query.setSql(sql);
    query.open();
    return query.field(0).asInteger();
}
