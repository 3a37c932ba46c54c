// Mapping of shell arguments onto switches and file parameters.
#include "platform/arguments.h"

#include "common/text.h"

namespace orv {
namespace {

// "/" + name, then "=" and the value put in double quotes or angle brackets
// when it is not empty and does not begin with a blank.
std::string SwitchText(std::string_view body) {
  std::string text = "/";
  const size_t equals = body.find('=');
  if (equals == std::string_view::npos) {
    text += body;
    return text;
  }
  text += body.substr(0, equals + 1);
  std::string_view value = body.substr(equals + 1);
  if (value.empty() || IsBlank(value[0])) {
    text += value;
  } else if (value.find('"') != std::string_view::npos) {
    text += '<';
    text += value;
    text += '>';
  } else {
    text += '"';
    text += value;
    text += '"';
  }
  return text;
}

}  // namespace

MappedArgument MapArgument(std::string_view argument, const PathExistsFn& path_exists) {
  MappedArgument mapped;
  // "-" alone names standard input, as it does for other filters.
  if (argument.starts_with("-") && argument != "-") {
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    mapped.is_switch = true;
    mapped.text = SwitchText(argument);
    return mapped;
  }
  if (argument.starts_with("/")) {
    const std::string_view name = argument.substr(0, argument.find('='));
    const bool is_path =
        (path_exists && path_exists(argument)) || name.find('/', 1) != std::string_view::npos;
    if (!is_path) {
      mapped.is_switch = true;
      mapped.text = SwitchText(argument.substr(1));
      return mapped;
    }
  }
  mapped.text = std::string(argument);
  return mapped;
}

}  // namespace orv
