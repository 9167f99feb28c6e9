#pragma once

#include <QString>

// A byte count as people read it: "999 bytes", "0.98 KB", "146 KB",
// "1.00 MB". Units step by 1024; a size moves to the next unit once it would
// need four digits, so the number never shows more than three.
QString FormatSize(double bytes);
