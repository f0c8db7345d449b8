#pragma once

#include <QString>
#include <vector>

namespace demo {

struct ElectronicFile {
    int kind = 0;
    int invNum = 0;
    QString extension; // ".pdf", ".doc", ".txt" or empty
    QString author;
    QString title;
};

// Where the program looks for an item's electronic version: folder, kind, "/", number, extension.
QString electronicFilePath(const QString &folder, const ElectronicFile &file);

// Writes a small document of the right format for each file, creating folders as needed;
// throws std::runtime_error when one cannot be written.
void writeElectronicFiles(const QString &folder, const std::vector<ElectronicFile> &files);

} // namespace demo
