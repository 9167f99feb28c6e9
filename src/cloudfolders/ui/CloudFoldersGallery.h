#pragma once

class Gallery;

// The cloud-folder windows, as the gallery draws them.
void registerCloudFoldersWindows(Gallery &gallery);
