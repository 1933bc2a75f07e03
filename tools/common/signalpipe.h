// The stand-ins' signal handling: each caught signal's number is written as
// one byte to a pipe, so a poll loop learns of it with its other files and
// nothing but write() runs in the handler.
#pragma once

#include <initializer_list>

// Makes the pipe (close-on-exec, non-blocking), catches the given signals
// and ignores SIGPIPE. Returns false (errno set) when the pipe cannot be made.
bool InstallSignalPipe(std::initializer_list<int> signals);

// The end to poll and read the signal numbers from.
int SignalPipeReadEnd();
