// The viewer's name, title and version.
#pragma once

namespace corvex::viewer {

inline constexpr char kApplicationTitle[] = "Corvex Viewer";
// The settings store is kept under the executable's base name.
inline constexpr char kApplicationName[] = "CorvexViewer";

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 2;
inline constexpr int kVersionRevision = 6;

}  // namespace corvex::viewer
