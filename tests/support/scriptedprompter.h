#pragma once

#include "base/prompter.h"

#include <QList>
#include <QQueue>
#include <QString>

// A Prompter for tests: records every message and question in order, answers
// questions and file choices from queues. A question with no queued answer
// fails the running test (and is answered No); so does an answer still queued
// when the prompter goes away, because the question it was meant for never came.
class ScriptedPrompter : public Prompter
{
public:
    enum class Kind { Question, Inform, Warn, Fail, OpenFile, SaveFile };
    struct Entry {
        Kind kind;
        QString title;
        QString text;
        PromptIcon icon = PromptIcon::Information;
        bool defaultYes = true;
    };

    ScriptedPrompter() = default;
    ScriptedPrompter(const ScriptedPrompter &) = delete;
    ScriptedPrompter &operator=(const ScriptedPrompter &) = delete;
    ~ScriptedPrompter() override;

    void queueAnswer(bool yes) { m_answers.enqueue(yes); }
    void queueFile(const QString &path) { m_files.enqueue(path); }

    bool askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes) override;
    void inform(const QString &title, const QString &text) override
    {
        m_log.append({Kind::Inform, title, text, PromptIcon::Information});
    }
    void warn(const QString &title, const QString &text) override
    {
        m_log.append({Kind::Warn, title, text, PromptIcon::Exclamation});
    }
    void fail(const QString &title, const QString &text) override
    {
        m_log.append({Kind::Fail, title, text, PromptIcon::Critical});
    }
    QString chooseOpenFile(const QString &title, const QString &f) override
    {
        return chooseFile(Kind::OpenFile, title, f);
    }
    QString chooseSaveFile(const QString &title, const QString &f) override
    {
        return chooseFile(Kind::SaveFile, title, f);
    }

    const QList<Entry> &log() const { return m_log; }
    QStringList texts() const; // every text shown, in order
    QString lastText() const { return m_log.isEmpty() ? QString() : m_log.last().text; }
    int count(Kind kind) const;
    void clearLog() { m_log.clear(); }

private:
    QString chooseFile(Kind kind, const QString &title, const QString &filter);
    QList<Entry> m_log;
    QQueue<bool> m_answers;
    QQueue<QString> m_files;
};

// Fails the running test, GoogleTest or QtTest alike; outside a test it prints
// the text and ends the process, so the failure cannot go unseen.
void failRunningTest(const QString &text);
