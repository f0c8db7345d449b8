#include "Program.h"
#include "QtTranslations.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Библиотека"));
    // Dates and numbers as a Russian librarian writes them, unless the desktop says otherwise.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    ui::installQtTranslations(app);

    Program program;
    program.create(QCoreApplication::applicationFilePath());
    program.MainForm->show();
    const int rc = app.exec();
    program.finish();
    return rc;
}
