// What the Export button does: stores the export options as the defaults of
// the next start (before any check, so they are kept also when the export is
// refused or fails), hands them to the window, checks that at least one unit
// and a known format are chosen, and runs the chosen export.
#pragma once

namespace corvex::viewer {

class ExportRunner;
class MainWindow;

class ExportCommand {
public:
    ExportCommand(MainWindow& window, ExportRunner& runner) : window_(window), runner_(runner) {}

    // The button's click: options, progress bar reset, then export_log().
    void click();

    // Validation and dispatch: "Please select atleast 1 unit from the list"
    // comes before "Please select a valid export format from the list".
    void export_log();

private:
    MainWindow& window_;
    ExportRunner& runner_;
};

}  // namespace corvex::viewer
