#pragma once

#include "base/prompter.h"

#include <QUrl>

#include <functional>

class QWidget;

// The Prompter of the window program: message boxes and file dialogs, each
// parented to whichever window is in front so they stay on top of modal windows.
class WidgetPrompter : public Prompter
{
public:
    bool askYesNo(const QString &title, const QString &text, PromptIcon icon = PromptIcon::Information,
                  bool defaultYes = true) override;
    void inform(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;
    void fail(const QString &title, const QString &text) override;
    QString chooseOpenFile(const QString &title, const QString &filter) override;
    QString chooseSaveFile(const QString &title, const QString &filter) override;

    // "Text files (*.txt)|*.txt|All files (*.*)|*.*" -> "Text files (*.txt);;All files (*)".
    // The pattern after each bar is the one that filters; "*.*" becomes "*" so
    // files without an extension are not hidden on systems that allow them.
    static QString toQtFilter(const QString &filter);

private:
    static QWidget *dialogParent();
};

// Opens web and mail addresses with the desktop's default program. Windows take
// the opener as a parameter so tests can record the addresses instead.
using UrlOpener = std::function<void(const QUrl &)>;
void openUrlInShell(const QUrl &url);
