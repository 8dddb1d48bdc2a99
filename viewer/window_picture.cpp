#include "viewer/window_picture.h"

#include <QPixmap>
#include <QWidget>

namespace corvex::viewer {

bool save_window_picture(QWidget& window, const QString& path) {
    return window.grab().save(path, "PNG");
}

}  // namespace corvex::viewer
