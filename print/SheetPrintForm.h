#pragma once

#include "LabelSheet.h"
#include "PrintOutput.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace print {

// What a print window of sheets is asked to print and how.
struct SheetPrintRequest {
    QString caption;
    QString settingsSection; // the section of library.ini the layout is remembered in; empty: not kept
    QList<store::SheetPreset> presets;
    bool customLayout = false; // the librarian may give page, margins, gaps, rows and columns
    double minWidth = 10, minHeight = 10;
    int shownCount = 0;
    int selectedCount = 0; // above 1: "only those selected" is offered
    // The run for the records chosen on the layout chosen, once everything that must be asked was
    // asked; an empty run prints nothing.
    std::function<SheetRun(QWidget *owner, bool selectedOnly, const store::SheetLayout &layout)> prepare;
};

// Asks whether to print the rest when some records cannot be printed (Yes only counts), or says
// that none can; refused lines name the records and why.
bool confirmRefused(QWidget *owner, const QString &caption, const QStringList &refused, int remaining);

// The print window of labels and cards: the sheet (a common one or one's own, remembered), the
// label of a partly used sheet to start from, which records, then preview, printer or PDF.
class TSheetPrintForm : public QDialog {
    Q_OBJECT
public:
    explicit TSheetPrintForm(const SheetPrintRequest &request, QWidget *parent = nullptr);

    store::SheetLayout chosenLayout() const;
    // The layout's fault in words; empty when it can be printed.
    QString layoutProblem() const;

    void btnPreviewClick();
    void btnPrintClick();
    void btnPdfClick();

    QComboBox *cbLayout;
    QComboBox *cbWhich;
    QDoubleSpinBox *edPageWidth, *edPageHeight, *edMarginLeft, *edMarginTop, *edMarginRight, *edMarginBottom,
        *edGapX, *edGapY;
    QSpinBox *edColumns, *edRows, *edFirstCell;
    QLabel *lblSummary;
    QPushButton *btnPreview, *btnPrint, *btnPdf, *btnClose;

private:
    void buildFields();
    void showLayout(const store::SheetLayout &layout);
    void layoutChosen();
    void updateSummary();
    void remember();
    // The run for the current choices; empty (with the librarian told why) when there is none.
    SheetRun prepared();

    SheetPrintRequest request_;
    bool showing_ = false; // fields being filled from a preset, not typed
};

} // namespace print
