#include "Program.h"

#include "ErrorBox.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "data/DataError.h"

#include "CatalogueSearchForm.h"
#include "MainGridView.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QTreeWidget>
#include <exception>

namespace {

// The help contexts of the windows and controls; everything else carries none.
void assignHelpContexts(Program &p)
{
    TMainForm &m = *p.MainForm;
    setHelpContext(&m, 1040);
    setHelpContext(m.MainGrid, 1040);
    setHelpContext(m.gbSearch, 1060);
    setHelpContext(m.edSearch, 1060);
    setHelpContext(m.tvRubrics, 1050);
    setHelpContext(m.tvAuthors, 1102);
    setHelpContext(m.gbKeywords, 1103);
    setHelpContext(p.BookForm.get(), 1070);
    setHelpContext(p.BookForm->tshSummary, 1070);
    setHelpContext(p.BookForm->tshDetails, 1101);
    setHelpContext(p.BookForm->tshHistory, 1080);
    setHelpContext(p.LoginForm.get(), 1100);
    setHelpContext(p.BookForm->catalogueForm(), 1110);
}

void runCreationHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const data::DataError &e) {
        ui::showApplicationError(e);
    } catch (const std::exception &e) {
        ui::showApplicationError(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace

void Program::create(const QString &programFile)
{
    Help = std::make_unique<HelpViewer>(QFileInfo(programFile).absolutePath() + QStringLiteral("/help"));
    setHelpViewer(Help.get());
    MainForm = std::make_unique<TMainForm>();
    SetupForm = std::make_unique<TSetupForm>();
    DBMod = std::make_unique<store::TDBMod>(programFile);
    // The error itself is not shown: the dialog is the answer to it.
    DBMod->showSetupForm = [this](store::TDBMod &module, const data::DataError &) {
        bool opened = false;
        if (SetupForm) {
            SetupForm->setConnection(&module.MyServer);
            opened = ui::platform().runModal(*SetupForm) == QDialog::Accepted;
        }
        SetupForm.reset(); // used at most once in a run
        return opened;
    };
    runCreationHandler([this] { DBMod->DataModuleCreate(); });
    BookForm = std::make_unique<TBookForm>(MainForm.get());
    runCreationHandler([this] {
        BookForm->setDataModule(DBMod.get());
        BookForm->FormCreate();
    });
    PeriodFm = std::make_unique<TPeriodFm>(MainForm.get());
    PeriodFm->setDataModule(DBMod.get());
    AboutForm = std::make_unique<TAboutForm>(MainForm.get());
    CatForm = std::make_unique<TCatForm>(BookForm.get());
    CatForm->setDataModule(DBMod.get());
    BookForm->setCatForm(CatForm.get());
    LoginForm = std::make_unique<TLoginForm>(DBMod.get());
    PasswordForm = std::make_unique<TPasswordForm>(DBMod.get(), MainForm.get());
    ItemKindsForm = std::make_unique<TItemKindsForm>(DBMod.get(), MainForm.get());
    MainForm->setDataModule(DBMod.get());
    MainForm->setLoginForm(LoginForm.get());
    MainForm->setPasswordForm(PasswordForm.get());
    MainForm->setBookForm(BookForm.get());
    MainForm->setPeriodForm(PeriodFm.get());
    MainForm->setItemKindsForm(ItemKindsForm.get());
    MainForm->setAboutForm(AboutForm.get());
    assignHelpContexts(*this);
}

void Program::finish()
{
    if (!DBMod)
        return;
    DBMod->DataModuleDestroy();
    if (DBMod->ExitCopyFailed)
        ui::showApplicationError(
            QStringLiteral("Копия каталога в папку «%1» не записана: на диске нет места или папка недоступна для записи. "
                           "Каталог и прежние копии не изменены.")
                .arg(store::process().BackupDir));
}

void Program::destroy()
{
    ItemKindsForm.reset();
    PasswordForm.reset();
    LoginForm.reset();
    CatForm.reset();
    AboutForm.reset();
    PeriodFm.reset();
    BookForm.reset();
    SetupForm.reset();
    MainForm.reset();
    DBMod.reset();
    Help.reset();
}
