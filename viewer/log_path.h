// What the viewer derives from the path of a log: its title, the folder it
// remembers, and the name it proposes for an export.
#pragma once

#include <string>
#include <string_view>

namespace corvex::viewer {

// The last component of `path`: the text after its last "/", the whole path
// when it has none.
std::string log_title(std::string_view path);

// The folder part of `path` that is remembered for the open and save dialogs:
// the text before the title, with its trailing "/"; empty for a bare name.
std::string log_folder(std::string_view path);

// The file name the export save dialogs propose: `path` without the
// extension of its own name (cut at the last "." of the last component, so a
// "." in a folder name stays; a name that only begins with "." keeps it),
// followed by `extension` (".csv").
std::string proposed_export_name(std::string_view path, std::string_view extension);

}  // namespace corvex::viewer
