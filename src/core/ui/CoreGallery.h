#pragma once

class Gallery;

// The application core's windows: message windows, splash, error window.
void registerCoreWindows(Gallery &gallery);
