// Two passes over the command line: switches, then file parameters.
#include "run/command_line.h"

#include "run/context.h"
#include "run/qualifiers.h"

namespace orv {

void ReadCommandLine(const std::vector<MappedArgument>& arguments, Context& context,
                     FileSelection& selection, const MessageBoxFn& message_box,
                     std::string_view base_directory) {
  for (const MappedArgument& argument : arguments)
    if (argument.is_switch) ParseQualifierArgument(argument.text, context);
  FinishQualifiers(context);
  if (context.Qualifiers().help) return;

  const LevelReportFn report = [&context](std::string_view message, int) {
    context.Report(message);
  };
  for (const MappedArgument& argument : arguments) {
    if (argument.is_switch) continue;
    HandleFileParameter(argument.text, selection, context.Qualifiers().subfolders, message_box,
                        base_directory, report);
  }
}

bool NoInputFile(const FileSelection& selection) {
  return selection.input_spec.empty() || selection.input_spec == " ";
}

}  // namespace orv
