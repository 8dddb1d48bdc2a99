// CorvexViewer: shows a log's header and units and exports the chosen units
// as delimited text or as a workbook.
//
// The whole command line after the program's name is one log path, opened at
// start. Qt is given no arguments, so none of them is taken as a Qt option.
#include <span>
#include <string>

#include <QApplication>

#include "corvex/platform/program_guards.h"
#include "viewer/command_line.h"
#include "viewer/main_window.h"
#include "viewer/settings_store.h"
#include "viewer/system_dialogs.h"
#include "viewer/viewer_identity.h"

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
    window.show();
    if (!path.empty()) window.open_path(path);
    return QApplication::exec();
}
