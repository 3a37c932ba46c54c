// Two passes over the command line: switches, then file parameters.
#include "run/command_line.h"

#include <charconv>

#include "common/text.h"
#include "run/context.h"
#include "run/qualifiers.h"

namespace orv {
namespace {

// The most files a batch converts side by side, whatever --jobs asks.
constexpr int kMaxJobs = 256;

// A switch value as the argument mapping hands it over: in double quotes
// or angle brackets, or bare.
std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '<' && value.back() == '>')))
    return value.substr(1, value.size() - 2);
  return value;
}

// The switches this platform adds to the qualifier table (--version,
// --jobs=N), taken whole and never abbreviated. Returns false for any
// other switch, which goes to the qualifier parser.
bool TakeExtensionSwitch(std::string_view text, Context& context) {
  const size_t equals = text.find('=');
  const std::string_view name = text.substr(0, equals);
  QualifierSettings& q = context.Qualifiers();
  if (EqualsNoCase(name, "/version") && equals == std::string_view::npos) {
    q.version = true;
    return true;
  }
  if (!EqualsNoCase(name, "/jobs")) return false;
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : Unquoted(text.substr(equals + 1));
  int jobs = -1;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
  if (error != std::errc() || end != value.data() + value.size() || jobs < 1) {
    context.Report("Illegal value for qualifier /JOBS : \"" + std::string(value) +
                   "\" (a number of files from 1 up is expected)");
    return true;
  }
  q.jobs = std::min(jobs, kMaxJobs);
  return true;
}

}  // namespace

void ReadCommandLine(const std::vector<MappedArgument>& arguments, Context& context,
                     FileSelection& selection, const MessageBoxFn& message_box,
                     std::string_view base_directory) {
  for (const MappedArgument& argument : arguments)
    if (argument.is_switch && !TakeExtensionSwitch(argument.text, context))
      ParseQualifierArgument(argument.text, context);
  FinishQualifiers(context);
  if (context.Qualifiers().help || context.Qualifiers().version) return;

  const LevelReportFn report = [&context](std::string_view message, int) {
    context.Report(message);
  };
  for (const MappedArgument& argument : arguments) {
    if (argument.is_switch) continue;
    HandleFileParameter(argument.text, selection, context.Qualifiers().subfolders, message_box,
                        base_directory, report);
  }
  // A filter writes to standard output unless an output file is named.
  if (selection.standard_input && context.Qualifiers().output_spec.empty() &&
      !context.Qualifiers().console)
    ParseQualifierArgument("/CONSOLE", context);
}

bool NoInputFile(const FileSelection& selection) {
  return selection.input_spec.empty() || selection.input_spec == " ";
}

}  // namespace orv
