// Directory check, output names, folder creation and overwrite protection.
#include "run/output_names.h"

#include "common/text.h"
#include "platform/paths.h"
#include "run/qualifiers.h"

namespace orv {

std::vector<DirEntry> ListDirectoryFirstTwo(std::string_view directory) {
  return ListDirectoryStart(directory, 2);
}

bool DirectoryCheck(std::string_view directory, bool is_input, const LineReportFn& report,
                    const DirectoryLister& lister) {
  auto say = [&](std::string_view line) {
    if (report) report(line);
  };
  std::string dir(directory.empty() ? std::string_view("./") : directory);
  if (dir.back() != '/') dir += '/';

  // No drive types here: every drive is valid and writeable when the
  // absolute directory reads like one. The root "/" is as good a directory
  // as any.
  const std::string absolute = FullPath(dir);
  bool drive_valid = absolute == "/" || absolute.size() > 2;
  bool drive_writeable = drive_valid;
  if (!drive_valid) say("ERROR: Selected output drive name is in unexpected format");

  bool dir_valid = true;
  bool dir_writeable = true;
  const size_t entries = lister(dir).size();
  if (entries == 0) {
    say("ERROR: Selected output directory has unexpected format");
    dir_valid = false;
    dir_writeable = false;
  } else if (entries == 1) {
    say("ERROR: Selected output directory seems to hold no files");
    dir_valid = false;
  }

  if (!(drive_valid && dir_valid && drive_writeable && dir_writeable)) {
    say(drive_valid ? "INFO: Output drive is valid" : "WARNING: Output drive is invalid");
    say(dir_valid ? "INFO: Output directory is valid" : "WARNING: Output directory is invalid");
    say(drive_writeable ? "INFO: Output drive is writeable"
                        : "WARNING: Output drive is not writeable");
    if (!dir_writeable) say("WARNING: Output directory is not writeable");
  }

  const bool passed = drive_valid && dir_valid && (is_input || (drive_writeable && dir_writeable));
  if (!passed) say(dir);
  return passed;
}

void TakeQualifiers(const QualifierSettings& qualifiers, OutputNameInputs& inputs) {
  inputs.tree = qualifiers.tree;
  inputs.debug = qualifiers.debug;
  inputs.list = qualifiers.list;
  inputs.dos = qualifiers.dos;
  inputs.output_spec_directory = qualifiers.output_directory;
  inputs.output_spec_name = qualifiers.output_name;
  inputs.output_spec_extension = qualifiers.output_extension;
}

OutputNameResult OutputNames(const OutputNameInputs& in) {
  OutputNameResult out;
  const PathParts input = SplitPath(in.input_path);
  out.input_directory = input.directory;

  // Output directory.
  std::string input_root;
  if (in.tree) {
    const size_t quote = in.input_spec.find('"');
    input_root = quote != std::string::npos ? in.input_spec.substr(0, quote)
                                            : SplitPath(in.input_spec).directory;
    out.output_directory = input_root;
  } else {
    out.output_directory = input.directory;
  }
  if (!in.output_spec_directory.empty()) out.output_directory = in.output_spec_directory;
  if (in.chosen_output_directory_in_use) out.output_directory = in.chosen_output_directory;
  if (in.tree) {
    // Only a file below the input root has a sub-folder to mirror; any
    // other file is written straight into the output directory, never
    // outside it.
    if (input.directory.starts_with(input_root) && !input_root.empty()) {
      out.output_directory += input.directory.substr(input_root.size());
    }
    out.directory_ready = MakeDirectoryPath(out.output_directory);
  }

  // Output name.
  if (EqualsNoCase(in.input_path, "in.asc")) {
    out.output_name = "out";
  } else if (!in.output_spec_name.empty() && in.output_spec_name != "*") {
    out.output_name = in.output_spec_name;
  } else {
    out.output_name = input.name;
  }

  // Diagnostic files beside the output.
  if (in.debug || in.list || in.diagnostics_asked) {
    out.lis_name = out.output_directory + input.name + ".lis";
    out.lis1_name = out.output_directory + input.name + (in.dos ? ".ls1" : ".lis1");
  }
  if (in.debug || in.diagnostics_asked)
    out.stats_name = out.output_directory + input.name + (in.dos ? ".sts" : ".stats");

  // Output extension.
  if (!in.output_spec_extension.empty() && in.output_spec_extension != ".*")
    out.output_extension = in.output_spec_extension;

  // The output name of a one-file selection overrides what it names.
  if (!in.single_output_name.empty()) {
    const PathParts single = SplitPath(in.single_output_name);
    auto usable = [](const std::string& part) {
      return !part.empty() && part.find('*') == std::string::npos;
    };
    if (usable(single.directory)) out.output_directory = single.directory;
    if (usable(single.name)) out.output_name = single.name;
    if (usable(single.extension)) out.output_extension = single.extension;
  }

  if (out.output_extension.empty()) {
    if (in.output_is_text) {
      out.output_extension = ".txt";
    } else {
      out.output_extension = input.extension.empty() ? in.html_extension : input.extension;
    }
  }
  return out;
}

bool MakeDirectoryPath(std::string_view path) {
  const std::string full = FullPath(path);
  switch (MakeDirectory(full)) {
    case MakeDirResult::kCreated:
    case MakeDirResult::kExists: return IsDirectory(full);
    case MakeDirResult::kFailed: return false;
    case MakeDirResult::kMissingParent: break;
  }
  // Walk the parts from the top, creating each prefix in turn.
  std::string prefix;
  for (const std::string& part : Split(full, '/')) {
    if (part.empty()) continue;
    prefix += '/';
    prefix += part;
    MakeDirResult result = MakeDirectory(prefix);
    if (result == MakeDirResult::kCreated) continue;
    if (result == MakeDirResult::kExists && IsDirectory(prefix)) continue;
    return false;
  }
  return true;
}

bool CheckOverwrite(std::string_view input_path, std::string_view output_path,
                    bool overwrite_allowed, bool to_clipboard, const LevelReportFn& report) {
  if (overwrite_allowed || to_clipboard) return true;
  const bool same = EqualsNoCase(FullPath(input_path), FullPath(output_path)) ||
                    SameFile(input_path, output_path);
  if (!same) return true;
  if (report) {
    report("ERROR: Output file is overwriting input file - " + std::string(input_path), 10);
    report("ERROR: Choose a different output directory", 10);
  }
  return false;
}

}  // namespace orv
