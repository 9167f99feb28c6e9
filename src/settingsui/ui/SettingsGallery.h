#pragma once

class Gallery;

// The Settings window and the call-out.
void registerSettingsWindows(Gallery &gallery);
