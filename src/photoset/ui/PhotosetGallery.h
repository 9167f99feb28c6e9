#pragma once

class Gallery;

// The photo set's windows: the main window in its states and the adding
// progress window.
void registerPhotosetWindows(Gallery &gallery);
