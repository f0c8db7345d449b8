#pragma once

#include "RecordForms.h"

#include <QString>
#include <yaz/backend.h>

namespace z3950 {

// What the target serves and where, from the [Z3950] section of the catalogue's settings file.
struct TargetSettings {
    QString iniPath;
    OwnDatabase database; // Database= and Format= (MARC21 or RUSMARC)
    QString listener;     // "tcp:@:2100", from Port= and Listen= (an address; all of them when empty)
};
TargetSettings readTargetSettings(const QString &iniPath);

// The frontend's handlers. Each association (a forked process, or a thread) opens the catalogue
// for itself in targetInit; searches and fetches run on that session.
void useTargetSettings(const TargetSettings &settings);
bend_initresult *targetInit(bend_initrequest *request);
void targetClose(void *handle);

} // namespace z3950
