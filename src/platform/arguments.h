// How the shell's arguments become orvtext's switches and file parameters.
// A "-" or "--" argument is a switch written with "/" ("-" alone is a file
// parameter: standard input); a "/" argument is a
// switch unless it is a path; a switch's value after "=" is handed on in
// double quotes (or angle brackets when it holds a double quote) so that a
// Linux path in it is taken whole. The command-line reader (run/
// command_line.h) takes the result.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orv {

struct MappedArgument {
  bool is_switch = false;
  std::string text;  // the qualifier text for a switch, else the parameter
};

// Whether a path names an existing file or directory.
using PathExistsFn = std::function<bool(std::string_view path)>;

// Maps one shell argument. Linear in its length, plus one `path_exists`
// call for an argument that begins with "/".
MappedArgument MapArgument(std::string_view argument, const PathExistsFn& path_exists);

}  // namespace orv
