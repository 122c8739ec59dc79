#pragma once

#include "config/programoptions.h"
#include "config/settingsfile.h"
#include "config/tldservertable.h"
#include "support/scriptedprompter.h"
#include "support/tempdatafolder.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <functional>

// One run of quorvane-cli as a user starts it.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs quorvane-cli with `args` and `input` on standard input, waiting up to 60 s
// in this thread's event loop, which keeps the test's loopback servers
// answering. `setUp` prepares the process, `whileRunning` acts on it once it
// runs. A program that did not exit normally gives exit code -1.
inline CliRun runCli(const QStringList &args, const QByteArray &input = {},
                     const std::function<void(QProcess &)> &whileRunning = {},
                     const std::function<void(QProcess &)> &setUp = {})
{
    QProcess p;
    if (setUp)
        setUp(p);
    p.start(QStringLiteral(QV_CLI_PATH), args);
    CliRun run;
    if (!p.waitForStarted())
        return run;
    p.write(input);
    p.closeWriteChannel();
    if (whileRunning)
        whileRunning(p);
    if (!QTest::qWaitFor([&p] { return p.state() == QProcess::NotRunning; }, 60000))
        return run;
    if (p.exitStatus() == QProcess::NormalExit)
        run.exitCode = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

// A data folder whose settings.ini points .com at `com` and .net at `net` (by
// default `com` too), with "no match for" free and "limit exceeded" an error.
inline void writeCliSettings(const TempDataFolder &folder, const QString &com, bool retry = false,
                             const QString &net = {})
{
    WhoisConfig config;
    config.table.AddTldEntry(QStringLiteral("com"), com, QString());
    config.table.AddTldEntry(QStringLiteral("net"), net.isEmpty() ? com : net,
                             QStringLiteral("$domain$ is available"));
    config.freeResponses = {QStringLiteral("no match for")};
    config.errorResponses = {QStringLiteral("limit exceeded")};
    ProgramOptions options;
    options.retry = retry;
    options.checkSelected = true; // a saved tick must not limit the command line to a selection
    ScriptedPrompter prompter;
    QVERIFY(SaveSettings(folder.path(), config, options, prompter));
}
