#pragma once

#include "base/prompter.h"

#include <functional>

// Messages of the engine on standard error. The command-line program never
// waits for an answer: a question is printed with the answer taken for it
// (its default button). With `quiet`, information messages are left out;
// warnings and failures always show.
class CliPrompter : public Prompter
{
public:
    explicit CliPrompter(bool quiet = false)
        : m_quiet(quiet)
    {
    }

    // Called before anything is printed, so a progress line can make room.
    void setBeforePrint(std::function<void()> hook) { m_beforePrint = std::move(hook); }

    bool askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes) override;
    void inform(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;
    void fail(const QString &title, const QString &text) override;
    QString chooseOpenFile(const QString &title, const QString &filter) override;
    QString chooseSaveFile(const QString &title, const QString &filter) override;

    static void printError(const QString &text);

private:
    void print(const QString &text);

    bool m_quiet;
    std::function<void()> m_beforePrint;
};
