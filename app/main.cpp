#include "DBModUnit.h"
#include "ErrorBox.h"
#include "Main.h"
#include "StoreError.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <exception>
#include <memory>

namespace {

// An error inside a creation handler ends that handler only: it is shown and start-up goes on.
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
    QMessageBox::warning(nullptr, QApplication::applicationName(),
                         QStringLiteral("Не удается открыть базу данных «%1»:\n%2")
                             .arg(module.MyServer.database(), ui::applicationErrorText(error.message())));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Библиотека"));
    // Dates and numbers as a Russian librarian writes them, unless the desktop says otherwise.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    auto mainForm = std::make_unique<TMainForm>();
    auto dbMod = std::make_unique<store::TDBMod>(QCoreApplication::applicationFilePath());
    dbMod->showSetupForm = reportUnopenableDatabase;
    runCreationHandler([&] { dbMod->DataModuleCreate(); });
    mainForm->setDataModule(dbMod.get());

    mainForm->show();
    const int rc = app.exec();
    dbMod->DataModuleDestroy();
    return rc;
}
