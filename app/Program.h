#pragma once

#include "AboutFormUnit.h"
#include "BookFormUnit.h"
#include "CatFormUnit.h"
#include "DBModUnit.h"
#include "HelpViewer.h"
#include "ItemKindsFormUnit.h"
#include "LoginFormUnit.h"
#include "Main.h"
#include "PasswordFromUnit.h"
#include "PeriodFormUnit.h"
#include "SetupFormUnit.h"

#include <memory>

// The objects the program entry creates, in their order, and owns until the end. Declared so
// that the windows go before the data module they use.
struct Program {
    std::unique_ptr<HelpViewer> Help; // set up before every window, gone after them
    std::unique_ptr<store::TDBMod> DBMod;
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TSetupForm> SetupForm;
    std::unique_ptr<TBookForm> BookForm;
    std::unique_ptr<TPeriodFm> PeriodFm;
    std::unique_ptr<TAboutForm> AboutForm;
    std::unique_ptr<TCatForm> CatForm;
    std::unique_ptr<TLoginForm> LoginForm;
    std::unique_ptr<TPasswordForm> PasswordForm;
    std::unique_ptr<TItemKindsForm> ItemKindsForm;

    // Creates every object, each running its creation handler before the next is created; an
    // error inside a handler is shown and creation goes on.
    void create(const QString &programFile);
    // After the main window has closed: the data module's own end.
    void finish();
    // Frees the windows, then the data module.
    void destroy();
};
