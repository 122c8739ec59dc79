#include "cliprompter.h"

#include <cstdio>

void CliPrompter::printError(const QString &text)
{
    QString out = text;
    // Message texts use CR LF between their lines; the console wants LF.
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out += u'\n';
    const QByteArray bytes = out.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void CliPrompter::print(const QString &text)
{
    if (m_beforePrint)
        m_beforePrint();
    printError(text);
}

bool CliPrompter::askYesNo(const QString &, const QString &text, PromptIcon, bool defaultYes)
{
    print(text + (defaultYes ? QStringLiteral(" [answered Yes]") : QStringLiteral(" [answered No]")));
    return defaultYes;
}

void CliPrompter::inform(const QString &, const QString &text)
{
    if (!m_quiet)
        print(text);
}

void CliPrompter::warn(const QString &, const QString &text)
{
    print(text);
}

void CliPrompter::fail(const QString &, const QString &text)
{
    print(text);
}

QString CliPrompter::chooseOpenFile(const QString &, const QString &)
{
    return {};
}

QString CliPrompter::chooseSaveFile(const QString &, const QString &)
{
    return {};
}
