// frmAbout: the viewer's title and version, the version of the log module
// file the viewer uses, the maker's identification and a copyright warning.
// Each showing is a new box, so the module version is read every time.
#pragma once

#include <QDialog>

namespace corvex::viewer {

class ModuleVersion;
class UserDialogs;

class AboutBox final : public QDialog {
    Q_OBJECT

public:
    // Reads the log module's version while it loads; a file without version
    // information is reported through `dialogs` ("No Version Info available!").
    AboutBox(UserDialogs& dialogs, ModuleVersion& module_version, QWidget* parent);
};

// "version 1.2.6": the viewer's own version.
QString viewer_version_text();

}  // namespace corvex::viewer
