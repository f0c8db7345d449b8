#pragma once

#include "CatalogueExchange.h"
#include "MarcReader.h"

#include <QByteArray>
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
// the catalogue already holds it; the format and the character set read it again when changed;
// "Импортировать" puts the ticked ones into the chosen item kind in one transaction.
class TMarcImportForm : public QDialog {
    Q_OBJECT
public:
    TMarcImportForm(store::TDBMod *module, QWidget *parent = nullptr);
    ~TMarcImportForm() override;

    // The item kinds, the one to offer first at the top.
    void setItemKinds(const QStringList &names, const QStringList &ids, int first);
    // Reads the file; a file that is not MARC raises data::DataError and the window keeps nothing.
    void openFile(const QString &fileName);

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
    void readAgain();
    void fillList();
    void showIncluded();

    store::TDBMod *dbMod_;
    QByteArray bytes_;
    std::vector<marc::ReadRecord> records_;
    std::unique_ptr<marc::HeldRecords> held_;
    int imported_ = 0;
};
