// A picture of a window as it shows now, saved as PNG: the viewer's hidden
// picture mode (CORVEX_VIEWER_SCREENSHOT=FILE.png) renders its own window
// with a log, so the picture in the README is made by the program itself
// and stays current (scripts/screenshot.sh).
#pragma once

#include <QString>

class QWidget;

namespace corvex::viewer {

// Renders `window` with its children into `path`; false when it cannot be saved.
bool save_window_picture(QWidget& window, const QString& path);

}  // namespace corvex::viewer
