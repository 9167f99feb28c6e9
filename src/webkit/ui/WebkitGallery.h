#pragma once

class Gallery;

// Adds the sign-in windows to the gallery.
void registerWebkitWindows(Gallery &gallery);
