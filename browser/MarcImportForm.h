#pragma once

#include "CatalogueExchange.h"
#include "Duplicates.h"
#include "MarcReader.h"

#include <QDialog>
#include <QStringList>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace store {
class TDBMod;
}

// "Импорт записей MARC": the records of a file, each with a box to leave it out and a mark when
// the catalogue already holds it or the file gave it before; the format and the character set
// read it again when changed; "Импортировать" puts the ticked ones into the chosen item kind in
// one transaction. Reading and importing run on a thread of their own with "Отмена".
class TMarcImportForm : public QDialog {
    Q_OBJECT
public:
    TMarcImportForm(store::TDBMod *module, QWidget *parent = nullptr);
    ~TMarcImportForm() override;

    // The item kinds, the one to offer first at the top.
    void setItemKinds(const QStringList &names, const QStringList &ids, int first);
    // Reads the file; a file that is not MARC raises data::DataError and the window keeps nothing.
    // False when the reading was cancelled.
    bool openFile(const QString &fileName);

    void cbFormatChange();
    void btnImportClick();
    int importedCount() const { return imported_; }
    const std::vector<marc::ReadRecord> &records() const { return records_; }

    QLabel *lblFile, *lblSummary;
    QComboBox *cbFormat, *cbCharset, *cbKind;
    QTreeWidget *grRecords;
    // The chosen record's box in the list as a control of its own, for the keyboard and screen readers.
    QCheckBox *chbInclude;
    QPushButton *btnImport, *btnClose;

private:
    bool readFile(const QString &fileName);
    void fillList();
    void showIncluded();

    store::TDBMod *dbMod_;
    QString fileName_;
    // The records as listed: their fields, not the records (a large file is not held twice).
    std::vector<marc::ReadRecord> records_;
    std::vector<marc::DuplicateMarks::Mark> marks_;
    int imported_ = 0;
};
