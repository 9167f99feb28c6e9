#pragma once

#include "sandbox/SandboxService.h"

#include <memory>
#include <vector>

// Every service the sandbox serves, in the order of its page. A service joins
// by living in src/sandbox/services/ as <Name>Service.h/.cpp with a class
// <Name>Service that is a SandboxService with a default constructor: the
// build lists those headers, so no line here changes.
std::vector<std::unique_ptr<SandboxService>> sandboxServices();
