// Program start: maps the shell's arguments, reads the command line into
// the run context, prints the usage text or the missing-input error, and
// hands a named input over to the conversion run, whose outcome is the
// exit status.
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/arguments.h"
#include "platform/directory.h"
#include "platform/exit_status.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/signals.h"
#include "platform/status_window.h"
#include "run/command_line.h"
#include "run/context.h"
#include "run/conversion_run.h"
#include "run/file_batch.h"
#include "run/qualifiers.h"
#include "textout/fragments.h"

int main(int argc, char** argv) {
  using namespace orv;
  ConfigureAllocator();
  InstallSignalCleanup();

  StoredSettings settings;
  settings.Load(nullptr);
  for (const std::string& problem : settings.Problems()) std::cerr << problem << '\n';

  Context context;
  std::vector<MappedArgument> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(MapArgument(argv[i], PathExists));

  FileSelection selection;
  const MessageBoxFn message_box = StreamMessageBox(std::cerr);
  ReadCommandLine(arguments, context, selection, message_box, CurrentDirectory());
  if (context.Qualifiers().version) {
    std::cout << ProgramVersionText() << '\n';
    return kExitSuccess;
  }
  if (context.Qualifiers().help) return kExitSuccess;

  if (NoInputFile(selection)) {
    std::cout << UsageText();
    std::cout.flush();
    std::cerr << "ERROR: No input file given\n";
    return kExitNoInputFile;
  }

  StatusWindow status(&std::cerr);
  RunSettings run_settings = RunSettings::FromStored(settings);
  run_settings.ReadEnvironment(nullptr);
  ConversionRun run(context, status, std::move(run_settings), message_box);
  return run.RunCommandLine(selection);
}
