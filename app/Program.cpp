#include "Program.h"

#include "ErrorBox.h"
#include "Platform.h"
#include "StoreError.h"

#include <QApplication>
#include <exception>

namespace {

void runCreationHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const store::StoreError &e) {
        ui::showApplicationError(e.message());
    } catch (const std::exception &e) {
        ui::showApplicationError(QString::fromLocal8Bit(e.what()));
    }
}

// Without a usable database the program cannot go on; say why, in the librarian's words.
bool reportUnopenableDatabase(store::TDBMod &module, const store::StoreError &error)
{
    ui::platform().messageBox(nullptr,
                              QStringLiteral("Не удается открыть базу данных «%1»:\n%2")
                                  .arg(module.MyServer.database(), ui::applicationErrorText(error.message())),
                              QApplication::applicationName(), ui::MsgIcon::Warning, ui::Ok);
    return false;
}

} // namespace

void Program::create(const QString &programFile)
{
    MainForm = std::make_unique<TMainForm>();
    SetupForm = std::make_unique<TSetupForm>();
    DBMod = std::make_unique<store::TDBMod>(programFile);
    DBMod->showSetupForm = [this](store::TDBMod &module, const store::StoreError &error) {
        const bool opened = reportUnopenableDatabase(module, error);
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
    AboutForm = std::make_unique<TAboutForm>(MainForm.get());
    CatForm = std::make_unique<TCatForm>(BookForm.get());
    CatForm->setDataModule(DBMod.get());
    BookForm->setCatForm(CatForm.get());
    LoginForm = std::make_unique<TLoginForm>(DBMod.get());
    PasswordForm = std::make_unique<TPasswordForm>(DBMod.get(), MainForm.get());
    ItemKindsForm = std::make_unique<TItemKindsForm>(MainForm.get());
    MainForm->setDataModule(DBMod.get());
    MainForm->setLoginForm(LoginForm.get());
    MainForm->setPasswordForm(PasswordForm.get());
    MainForm->setBookForm(BookForm.get());
}

void Program::finish()
{
    if (DBMod)
        DBMod->DataModuleDestroy();
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
}
