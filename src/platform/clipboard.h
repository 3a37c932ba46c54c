// The clipboard on Linux: the text is handed to a clipboard tool (wl-copy,
// else xclip) found on the PATH, run with an argument vector, never through
// a shell. The run puts the lines of a clipboard output here.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Puts `text` on the clipboard as plain text. Returns false when no
// clipboard tool is installed or the tool failed; the caller reports it.
// Starts one process and waits for it.
bool PutOnClipboard(std::string_view text);

// The full path of the clipboard tool that PutOnClipboard would use, or ""
// when none is installed.
std::string FindClipboardTool();

}  // namespace orv
