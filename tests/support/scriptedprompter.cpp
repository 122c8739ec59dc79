#include "scriptedprompter.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

void failRunningTest(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    if (::testing::UnitTest::GetInstance()->current_test_info() != nullptr) {
        ADD_FAILURE() << bytes.constData();
    } else if (QTest::currentTestFunction() != nullptr) {
        QTest::qFail(bytes.constData(), __FILE__, __LINE__);
    } else {
        std::fprintf(stderr, "FAIL outside a test: %s\n", bytes.constData());
        std::abort();
    }
}

ScriptedPrompter::~ScriptedPrompter()
{
    if (!m_answers.isEmpty())
        failRunningTest(
            QStringLiteral("ScriptedPrompter: %1 queued answer(s) never asked for").arg(m_answers.size()));
    if (!m_files.isEmpty())
        failRunningTest(
            QStringLiteral("ScriptedPrompter: %1 queued file name(s) never asked for").arg(m_files.size()));
}

bool ScriptedPrompter::askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes)
{
    m_log.append({Kind::Question, title, text, icon, defaultYes});
    if (m_answers.isEmpty()) {
        failRunningTest(QStringLiteral("ScriptedPrompter: unexpected question: ") + text);
        return false;
    }
    return m_answers.dequeue();
}

QString ScriptedPrompter::chooseFile(Kind kind, const QString &title, const QString &filter)
{
    m_log.append({kind, title, filter});
    if (m_files.isEmpty()) {
        failRunningTest(QStringLiteral("ScriptedPrompter: unexpected file choice: ") + title);
        return {};
    }
    return m_files.dequeue();
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
