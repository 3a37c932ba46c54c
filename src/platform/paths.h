// Full paths of names on Linux: a name made absolute against a base
// directory (the current one by default) with "." and ".." folded lexically.
// Symbolic links are not resolved. Used by the file parameters, the batch
// expansion and the output names.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// The current working directory, ending in "/" ("/" when it is unknown).
std::string CurrentDirectory();

// `name` made absolute against `base` (an absolute directory, with or
// without a final "/"), with empty, "." and ".." components folded. A final
// "/" of `name` is kept, so a directory stays a directory. ".." above the
// root stays at the root. Linear in the length of the texts.
std::string FullPathFrom(std::string_view name, std::string_view base);

// `name` made absolute against the current directory; see FullPathFrom.
std::string FullPath(std::string_view name);

// True when `path` begins with "/".
inline bool IsFullPath(std::string_view path) { return !path.empty() && path[0] == '/'; }

}  // namespace orv
