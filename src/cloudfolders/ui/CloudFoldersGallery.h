#pragma once

class Gallery;

// The desktop-client prompts.
void registerCloudFoldersWindows(Gallery &gallery);
