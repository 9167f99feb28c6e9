#pragma once

#include "core/UserPrompt.h"

#include <QString>

// Asks the user where Skype is when the program could not find it: the Skype
// locator window, whose one button opens the file dialog `request`. Returns
// the program chosen, or empty when none was.
class SkypeLocator
{
public:
    virtual ~SkypeLocator() = default;
    virtual QString locateSkype(const FileDialogRequest &request) = 0;
};
