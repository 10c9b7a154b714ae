// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), turned into an event the
// program's loop reads: the handler only writes the signal's number into a pipe, which is all
// a signal handler may safely do, and the loop ends the program in its own time. A second
// signal while the first is being handled ends the program at once, as the signal would.
#pragma once

namespace tessel {

// Installs the handlers; a signal the program ignores (nohup) keeps being ignored. Returns the
// descriptor to watch for reading, -1 when the pipe cannot be made (the signals then keep
// their default action).
int watch_ending_signals();

// Reads the signal that arrived from the descriptor (0 when none is waiting).
int take_ending_signal();

// Ends the process by signal as the default action would (status 128 + signal in a shell).
[[noreturn]] void end_by_signal(int signal);

}  // namespace tessel
