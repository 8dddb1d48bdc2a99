// Paths between the file system and the viewer's Qt texts.
//
// Paths are bytes and need not be UTF-8; the viewer keeps them as bytes. Qt 6
// decodes file names lossily (each invalid byte becomes U+FFFD), so a QString
// from Qt cannot always name a file exactly. The viewer shows paths with
// path_display() and hands QStrings to the log module only through the
// lossless mapping of corvex/platform/text.h.
#pragma once

#include <string>
#include <string_view>

#include <QString>

#include "corvex/platform/expected.h"

namespace corvex::viewer {

// A path for people (window title, status lines, the exported "File Name"):
// valid UTF-8 as it is, each invalid byte as U+FFFD.
QString path_display(std::string_view bytes);

// A path as Qt's file dialogs show it, for the folder and name they start with.
QString dialog_text(std::string_view bytes);

// The bytes of the path a file dialog returned. A component holding U+FFFD may
// stand for a name that is not UTF-8: it is found by listing its folder and
// taking the one entry whose name Qt shows the same way. Refused, with one line
// saying why, when no entry or several match; with `may_be_new` (a save
// dialog), a last component that matches no entry is a new file and keeps the
// name as shown.
Expected<std::string, std::string> dialog_path_bytes(const QString& chosen, bool may_be_new);

}  // namespace corvex::viewer
