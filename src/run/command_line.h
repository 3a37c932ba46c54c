// Reading a whole command line into the run context and the file
// selection: every switch is parsed first (so the order of switches and
// file names does not matter), then the rules that relate qualifiers to
// each other are applied, then the file parameters are handled in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/arguments.h"
#include "platform/message_box.h"
#include "run/file_batch.h"

namespace orv {

class Context;

// Parses `arguments` (already mapped, program name excluded) into
// context.Qualifiers() and `selection`. File parameters are skipped when
// help was asked for. `base_directory` is where relative names are taken
// from. Problems are reported and reading goes on. Besides the qualifier
// table, --version and --jobs=N are read (QualifierSettings); file
// parameters are skipped after either help or --version. With standard
// input ("-") and no output file named, the output goes to standard output
// as under /CONSOLE.
void ReadCommandLine(const std::vector<MappedArgument>& arguments, Context& context,
                     FileSelection& selection, const MessageBoxFn& message_box,
                     std::string_view base_directory);

// True when the selection names no input file (empty or a single space).
bool NoInputFile(const FileSelection& selection);

}  // namespace orv
