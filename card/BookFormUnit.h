#pragma once

#include <QDialog>

class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTabWidget;
class QToolButton;
class QWidget;
class TCatForm;
class TCatalogueSearchForm;
class TReaderCardForm;

namespace store {
class TDBMod;
struct OpenLoan;
}
namespace ui {
class DatasetModel;
class ReaderCompleter;
}
namespace marc {
struct BookFields;
}

// The record card: the current record of the catalogue on three pages, with its rubrics,
// keywords, electronic version and loans. Created once and shown modally again and again; its
// parts are implemented by page in BookForm*.cpp, and its handlers are public so that the
// program's own tests can drive it.
class TBookForm : public QDialog {
    Q_OBJECT
public:
    explicit TBookForm(QWidget *parent = nullptr);
    ~TBookForm() override;

    // Binds the card to the data module; called once, after the data module's creation.
    void setDataModule(store::TDBMod *module);
    void setCatForm(TCatForm *form) { catForm_ = form; }

    // Life of the window (BookForm.cpp).
    void FormCreate();
    void FormShow();
    void FormHide();
    void OkBtnClick();
    void CancelBtnClick();
    bool PageControl1Changing();
    bool CheckRequiredFields();
    void cbItemKindChange();
    // Makes a page the active one without the page-change check (callers choosing the page).
    void choosePage(QWidget *page);
    // The window's font size, as the main window's font steps set it.
    void setCardFontSize(int points);
    // View mode: the card only shows the record.
    void applyViewOnly();

    // Rubrics (BookFormRubrics.cpp).
    void CatBoxEditButtons0Click();
    // Keywords (BookFormKeywords.cpp).
    void tshDetailsShow();
    void edKeywordsExit();
    // Electronic version (BookFormEbook.cpp).
    void btnEbookClick();
    void btnEbookContextPopup();
    void SpeedButton1Click();
    void N2Click();
    void N3Click();
    // Loans (BookFormLoans.cpp).
    void tshHistoryShow();
    void Button3Click();
    void DBComboBoxEh1Exit();
    // The due date of the current loan, and its extension (BookFormDue.cpp).
    void showDueDate();
    void btnExtendLoanClick();
    // The loan steps of "ОК"; false when the reader is missing and the card must stay open.
    bool postLoan();
    // "Кому" offers the registered readers by name or card number, and the names typed earlier.
    ui::ReaderCompleter *loanerCompleter = nullptr;
    TReaderCardForm *readerCardForm = nullptr; // made at its first use
    // A record from another library's catalogue (BookFormCatalogue.cpp): "Найти в каталогах..."
    // and the boxes filled from the record taken; its keywords are stored with the record.
    void btnCataloguesClick();
    void fillFromCatalogue(const marc::BookFields &fields);
    TCatalogueSearchForm *catalogueForm();

    bool IsNewRecord = false;
    QString InitialLiter;

    QTabWidget *PageControl1;
    QWidget *tshSummary, *tshDetails, *tshHistory;
    QPushButton *OkBtn, *CancelBtn;
    // First page.
    QLineEdit *InvNum, *DBLiter, *edISBN, *edAuthor, *CatBox, *AddNum;
    QComboBox *cbItemKind, *edPublisher, *edLocation, *edSource;
    QPlainTextEdit *edTitle, *edNotes;
    QSpinBox *edYear, *edQuantity;
    QDoubleSpinBox *edPrice;
    QDateEdit *DateReg;
    QToolButton *CatBoxButton;
    QPushButton *btnEbook, *btnCatalogues;
    QToolButton *SpeedButton1;
    QMenu *PopupMenu1;
    QAction *N2, *N3;
    // Second page.
    QPlainTextEdit *edKeywords, *edAnnotation;
    // Third page.
    QTableView *DBGridEh1;
    ui::DatasetModel *loanModel = nullptr;
    QGroupBox *GroupBox1;
    QComboBox *DBComboBoxEh1, *edLoaner;
    QDateEdit *DateOut, *DBDateTimeEditEh1;
    QLineEdit *DBEditEh3;
    QPushButton *Button3;
    QLineEdit *edDueDate;
    QPushButton *btnExtendLoan;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    // Esc and the close box cancel as "Отмена" does, so nothing is left half-edited.
    void reject() override;

private:
    QWidget *buildSummaryPage();
    QWidget *buildDetailsPage();
    QWidget *buildHistoryPage();
    void bindSummaryPage();
    void bindLoanSheet();
    void connectDueDate();
    store::OpenLoan currentLoan() const;
    void pageChanged(int index);
    void runPageShow(QWidget *page);
    void fillItemKinds();
    bool runGuarded(const std::function<void()> &action);

    store::TDBMod *dbMod_ = nullptr;
    TCatForm *catForm_ = nullptr;
    int previousPage_ = 0;
    bool choosingPage_ = false;
    bool kindHandlerAttached_ = false;
    bool loansChanged_ = false; // a loan row was saved or deleted in the grid during this showing
    void offerRegisteredReaders();
    void takeRegisteredLoaner();
    void mergeCatalogueKeywords();
    void storeCatalogueKeywords();
    TCatalogueSearchForm *catalogueForm_ = nullptr;
    QStringList catalogueKeywords_; // taken from a catalogue, stored when the card is saved
};
