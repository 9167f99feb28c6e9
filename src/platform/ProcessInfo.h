#pragma once

#include <cstdio>

// Facts about this process that the command-line tool and the benchmarks
// report. Each answers 0 (or false) where the platform cannot tell.
namespace platform {

// Peak resident memory since start (or since resetPeakMemory()), in MiB.
double peakMemoryMiB();

// Starts a new peak measurement where the platform allows it (Linux); a
// no-op elsewhere, where the peak then counts from the process start.
void resetPeakMemory();

// CPU seconds used by all threads of this process so far. On a shared
// machine this says more about cost than the wall clock.
double cpuSeconds();

// Whether `stream` is an interactive terminal (progress is drawn only then).
bool isTerminal(std::FILE *stream);

// Turns the echo of typed characters on standard input off (false) or back
// on (true) when standard input is a terminal, so a password typed there
// stays off the screen; nothing happens otherwise. True when echo was
// changed.
bool setInputEcho(bool on);

} // namespace platform
