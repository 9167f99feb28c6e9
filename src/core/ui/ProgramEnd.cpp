#include "core/ui/ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

void EndProgram(int exitCode)
{
    std::fflush(nullptr);
    // quick_exit skips the destructors of statics, which would otherwise run
    // while the application object is still alive on main's stack.
    std::quick_exit(exitCode);
}

EndProgramAction endProgramAction(int exitCode)
{
    return [exitCode] { EndProgram(exitCode); };
}
