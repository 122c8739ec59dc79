#pragma once

#include <QString>

#include "base/version.h"

// Every modal message, question and file choice of the program goes through one
// Prompter, handed to windows and routines by reference. The window program uses
// message boxes and file dialogs, the command-line program answers on the console,
// and tests script the answers and read back every text that was shown.
enum class PromptIcon { Information, Exclamation, Critical };

class Prompter
{
public:
    virtual ~Prompter() = default;

    // Yes/No question. Returns true for Yes. `defaultYes` picks the default button.
    virtual bool askYesNo(const QString &title, const QString &text,
                          PromptIcon icon = PromptIcon::Information, bool defaultYes = true) = 0;
    virtual void inform(const QString &title, const QString &text) = 0; // information icon
    virtual void warn(const QString &title, const QString &text) = 0;   // exclamation icon
    virtual void fail(const QString &title, const QString &text) = 0;   // critical icon

    // `filter` uses the "Text files (*.txt)|*.txt|All files (*.*)|*.*" form.
    // An empty result means the user cancelled.
    virtual QString chooseOpenFile(const QString &title, const QString &filter) = 0;
    virtual QString chooseSaveFile(const QString &title, const QString &filter) = 0;
};

// The title of the program's own message boxes.
inline const QString kProgramTitle = QStringLiteral("Quorvane");
inline const QString kProductName = QStringLiteral("Quorvane");
inline const QString kVersionText = QStringLiteral(QUORVANE_VERSION);
