// CorvexViewer: shows a log's header, units, records and statistics and
// exports the chosen units as delimited text or as a workbook.
//
// The whole command line after the program's name is one log path, opened at
// start. Qt is given no arguments, so none of them is taken as a Qt option.
// With CORVEX_VIEWER_SCREENSHOT=FILE.png in the environment the program
// saves a picture of its window once the log has been read, and ends.
#include <cstdlib>
#include <span>
#include <string>

#include <QApplication>
#include <QTimer>

#include "corvex/platform/program_guards.h"
#include "viewer/command_line.h"
#include "viewer/main_window.h"
#include "viewer/settings_store.h"
#include "viewer/system_dialogs.h"
#include "viewer/viewer_identity.h"
#include "viewer/window_picture.h"

namespace {

// Saves the window's picture once its data views show the log (at once
// without a log), then ends the program; a log that never shows ends it
// after a minute with status 1.
void take_picture_when_shown(corvex::viewer::MainWindow& window, const QString& file, bool with_log) {
    window.resize(1280, 860);
    const auto take = [&window, file] {
        QApplication::exit(corvex::viewer::save_window_picture(window, file) ? 0 : 1);
    };
    if (with_log) QObject::connect(&window, &corvex::viewer::MainWindow::dataShown, &window, take, Qt::QueuedConnection);
    else QTimer::singleShot(0, &window, take);
    QTimer::singleShot(60'000, &window, [] { QApplication::exit(1); });
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvex::viewer;
    corvex::platform::guard_program();
    const std::span<const char* const> arguments(argv + (argc > 0 ? 1 : 0), argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
    // The path is bytes: it is opened exactly as given, whatever its encoding.
    const std::string path = command_line_path(arguments);

    int qt_argc = argc > 0 ? 1 : 0;
    QApplication app(qt_argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kApplicationName));

    SettingsStore settings(SettingsStore::default_path(kApplicationName));
    SystemDialogs dialogs;
    MainWindow window(settings, dialogs);
    if (const char* picture = std::getenv("CORVEX_VIEWER_SCREENSHOT"); picture && *picture)
        take_picture_when_shown(window, QString::fromLocal8Bit(picture), !path.empty());
    window.show();
    if (!path.empty()) window.open_path(path);
    return QApplication::exec();
}
