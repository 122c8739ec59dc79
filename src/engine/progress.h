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
