#pragma once

// The main window's destinations that are not online services, numbered by
// their places among its eight buttons; each service's place is in its
// descriptor.
enum class LocalDestination
{
    Zip = 2,
    Printer = 3,
    Skype = 5
};

// One destination's flow, run to its end when its button is pressed and the
// photo set is not empty (the main window checks that first). Flows are
// plugged into the main window by the program's start-up, so the window knows
// nothing of any destination's work.
class DestinationFlow
{
public:
    virtual ~DestinationFlow() = default;
    virtual void run() = 0;
};
