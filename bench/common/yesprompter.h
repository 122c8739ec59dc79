#pragma once

#include "base/prompter.h"

#include <cstdio>

// Answers every question Yes and prints warnings and failures: for benchmarks
// and tools that drive the program's routines without a user.
class YesPrompter : public Prompter
{
public:
    bool askYesNo(const QString &, const QString &, PromptIcon, bool) override
    {
        ++questions;
        return true;
    }
    void inform(const QString &, const QString &) override {}
    void warn(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    void fail(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    QString chooseOpenFile(const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &) override { return {}; }
    int questions = 0;
};
