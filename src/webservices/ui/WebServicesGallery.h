#pragma once

class Gallery;

// The print window, the print service's window in both views.
void registerWebServicesWindows(Gallery &gallery);
