#pragma once

class RunHost;
struct RunSession;
struct RunState;

// The percentage, the progress bar and the four status bar counters while a
// run goes on: the run's name count, and the free, taken and unchecked counts
// of the last rebuild (they stay 0 until the run's own rebuild).
void showRunProgress(RunHost &host, const RunState &run, const RunSession &session);

// The counters between runs: the rows of the list and what the last rebuild counted.
void showIdleCounters(RunHost &host, const RunState &run, int rows);

// What waits for the servers' pace: the server with most waiting names and
// when it is next asked, and how many more servers have names waiting
// ("12 waiting for SERVER (next in 3 s) +2 more servers"); empty when none.
QString waitingText(const RunSession &session);
