// The batch command's work in a child process, so that the command returns
// as soon as its files are written. Freeing the memory of a large run (some
// 50 MB at 1000 objects, several milliseconds of the system's time) then
// happens after the caller has its answer instead of before. Killing the
// command kills the work.
#pragma once

namespace ca::batch {

// To be called first in main, while the process has one thread. Forks: the
// process the caller started waits until the child reports (ReportFinished)
// and then ends at once with the reported status; a child that ends without
// reporting ends it the same way (its exit status, or its signal). SIGINT,
// SIGTERM and SIGHUP that reach the waiting process are handed on to the
// child, so the command ends after the child has. Returns in the child,
// which is sent SIGTERM (SIGKILL where SIGTERM is ignored or blocked) should
// its parent end first. Where no child can be made, returns in this process
// and nothing changes.
//
// Once reported, the child is left for the system to collect: a container
// whose first process collects no children keeps one finished process per
// run (the command's --no-fork avoids it).
void ContinueInChild();

// Has `handler` take SIGINT, SIGTERM and SIGHUP (an interrupt or an end of
// the command), all three held while it runs; a signal the caller had
// ignored (nohup, a background job) stays ignored.
void HandleEndSignals(void (*handler)(int));

// The work is done: every file written and closed. Flushes standard output
// and error, tells the waiting process `status`, and lets go of the standard
// streams so that a reader of them sees their end now. What remains of the
// process (its exit) no longer holds the caller up. Does nothing outside a
// child of ContinueInChild.
void ReportFinished(int status);

}  // namespace ca::batch
