// The item kinds dialog, help and the about dialog, as the menus open them.
#include "Main.h"

#include "HelpViewer.h"
#include "Platform.h"

#include <QDialog>

void TMainForm::N4Click()
{
    if (itemKindsForm_)
        ui::platform().runModal(*itemKindsForm_);
}

// "Помощь" opens the help at its fixed context, whatever control has the focus.
void TMainForm::N18Click()
{
    if (HelpViewer *help = helpViewer())
        help->showContext(1000);
}

void TMainForm::miAboutClick()
{
    if (aboutForm_)
        ui::platform().runModal(*aboutForm_);
}
