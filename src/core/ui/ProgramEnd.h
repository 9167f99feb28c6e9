#pragma once

#include <functional>

// What a window does when its rule says the program is over. Windows take
// it as a value so that tests can watch the end instead of living through it.
using EndProgramAction = std::function<void()>;

// Ends the process at once: nothing after the call runs, as the windows that
// end the program expect. The settings file is never held open, so nothing is
// lost by not unwinding.
[[noreturn]] void EndProgram(int exitCode);

// An action that calls EndProgram(exitCode).
EndProgramAction endProgramAction(int exitCode);
