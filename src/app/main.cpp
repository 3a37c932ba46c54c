// Program start: maps the shell's arguments, reads the command line into
// the run context, prints the usage text or the missing-input error, and
// hands a named input over to the conversion run.
#include <iostream>
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "platform/directory.h"
#include "platform/exit_status.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "run/command_line.h"
#include "run/context.h"
#include "run/file_batch.h"
#include "run/message_table.h"
#include "run/qualifiers.h"

int main(int argc, char** argv) {
  using namespace orv;

  StoredSettings settings;
  settings.Load(nullptr);

  Context context;
  std::vector<MappedArgument> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(MapArgument(argv[i], PathExists));

  FileSelection selection;
  const MessageBoxFn message_box = StreamMessageBox(std::cerr);
  ReadCommandLine(arguments, context, selection, message_box, CurrentDirectory());
  if (context.Qualifiers().help) return kExitSuccess;

  // A stored default policy file wins over one named on the command line.
  const std::string default_policy = settings.GetString("DefaultPolicy\\File");
  if (!default_policy.empty()) selection.policy_file_path = default_policy;

  if (NoInputFile(selection)) {
    std::cerr << UsageText() << "ERROR: No input file given\n";
    return kExitNoInputFile;
  }
  selection.input_spec = selection.input_directory + selection.input_spec;

  // ---------------------------------------------------------------------
  // CONVERSION RUN: StartRun(...) goes here once the run is built. It
  // checks the directories, loads the policies, expands the batch, converts
  // each file and picks the exit status (kExitRunFailed,
  // kExitNoFilesFound, kExitSuccess). Until then the batch is only
  // expanded, so the command line can be tried out.
  // ---------------------------------------------------------------------
  SinkSettings sink_settings;
  sink_settings.display = context.Echo();
  context.Sink().ApplySettings(sink_settings);
  ExpandFileSpec(selection.input_spec, selection.policy_file_path, context);
  if (context.Batch().Empty()) {
    message_box(MessageText(kMsgCaptionFileSelectionError),
                MessageWith(kMsgNoFilesFound, selection.input_spec));
    return kExitNoFilesFound;
  }
  return kExitSuccess;
}
