#pragma once

// The eight destinations, in the order of the main window's buttons.
enum class Destination
{
    Facebook,
    Flickr,
    Zip,
    Printer,
    SkyDrive,
    Skype,
    Dropbox,
    Google
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
