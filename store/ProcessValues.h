#pragma once

#include <QString>

namespace store {

class IniFile;

// The values the whole program shares, set once at start (ViewOnly at the main window's first
// show). They live in one place so that each test can start from a clean slate.
struct ProcessValues {
    QString AppDir;    // folder of the program file, with its trailing "/"
    QString TempDir;   // folder for output files
    QString BackupDir; // folder of the exit-time copy of the database
    bool AutoLogon = false;
    bool ConnectFailed = false;
    bool ViewOnly = false;
    quint16 ThisYear = 0;
    IniFile *SettingsFile = nullptr; // owned by the data module
};

ProcessValues &process();
void resetProcess();

// Separates a filter condition's name from its text.
inline constexpr QChar ConditionSeparator = u'|';

} // namespace store
