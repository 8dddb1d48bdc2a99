// Texts from log files and from the command line, made safe to show.
//
// Labels, symbols and computer names come from the log file, paths from the
// user; printed raw, an ESC, CSI or OSC sequence among them would drive the
// terminal (retitle it, move the cursor, hide what follows). Every human-
// readable output of the tool passes its texts through here; JSON output has
// its own escaping.
#pragma once

#include <string>
#include <string_view>

namespace corvex::cli {

// Appends `text` with every control character shown escaped: C0 controls
// (tab and line ends included) and DEL as \xHH ("\x1B"), C1 controls
// U+0080..U+009F as \uHHHH ("\u009B"), and each byte that is not part of a
// valid UTF-8 sequence as \xHH. Everything else is copied unchanged; the
// result is valid UTF-8 free of control characters.
void append_visible(std::string& out, std::string_view text);
std::string visible(std::string_view text);

}  // namespace corvex::cli
