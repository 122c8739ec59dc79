#include "scriptedprompter.h"

#include <QtDebug>

bool ScriptedPrompter::askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes)
{
    m_log.append({Kind::Question, title, text, icon, defaultYes});
    if (m_answers.isEmpty()) {
        ++m_unanswered;
        qWarning("ScriptedPrompter: unexpected question: %s", qPrintable(text));
        return false;
    }
    return m_answers.dequeue();
}

void ScriptedPrompter::inform(const QString &title, const QString &text)
{
    m_log.append({Kind::Inform, title, text, PromptIcon::Information});
}

void ScriptedPrompter::warn(const QString &title, const QString &text)
{
    m_log.append({Kind::Warn, title, text, PromptIcon::Exclamation});
}

void ScriptedPrompter::fail(const QString &title, const QString &text)
{
    m_log.append({Kind::Fail, title, text, PromptIcon::Critical});
}

QString ScriptedPrompter::chooseOpenFile(const QString &title, const QString &filter)
{
    m_log.append({Kind::OpenFile, title, filter});
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedPrompter::chooseSaveFile(const QString &title, const QString &filter)
{
    m_log.append({Kind::SaveFile, title, filter});
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Entry &e : m_log)
        out << e.text;
    return out;
}

int ScriptedPrompter::count(Kind kind) const
{
    int n = 0;
    for (const Entry &e : m_log)
        n += e.kind == kind;
    return n;
}
