// Output names and directories: the check of the input and output
// directories before a run, the names each file of the batch is written
// under (output directory, name, extension and the diagnostic files), the
// creation of folder paths for /TREE, and the refusal to overwrite an
// input file. The per-file driver and the detag pass call these.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/directory.h"
#include "run/file_batch.h"

namespace orv {

struct QualifierSettings;

// One line for the status window.
using LineReportFn = std::function<void(std::string_view line)>;

// The first two entries of a folder, by name (ListDirectoryStart).
std::vector<DirEntry> ListDirectoryFirstTwo(std::string_view directory);

// Checks that `directory` may be used: as input (`is_input`) it must exist;
// as output it must also be writeable. Every finding goes to `report` as
// one line; the messages speak of the "output" in both cases. Returns true
// when the check passes. Only the count of entries up to two matters, so
// by default only the first two are read, whatever the folder holds.
bool DirectoryCheck(std::string_view directory, bool is_input, const LineReportFn& report,
                    const DirectoryLister& lister = ListDirectoryFirstTwo);


// Everything OutputNames needs for one file.
struct OutputNameInputs {
  std::string input_path;          // full path of the input file
  std::string input_spec;          // the input specification with its directory
  std::string single_output_name;  // output name of a one-file selection, may be "" or hold "*"
  bool tree = false;
  bool debug = false;
  bool list = false;
  bool dos = false;
  // The /OUTPUT specification's parts.
  std::string output_spec_directory;
  std::string output_spec_name;
  std::string output_spec_extension;
  // The dialog's separate output directory and whether it is in use.
  std::string chosen_output_directory;
  bool chosen_output_directory_in_use = false;
  bool diagnostics_asked = false;        // the policy set asks for diagnostic files
  bool output_is_text = true;            // text output, else HTML (/DETAG)
  std::string html_extension = ".html";  // for HTML output of an input without extension
};

// The copy of the qualifier settings that OutputNames reads, into `inputs`.
void TakeQualifiers(const QualifierSettings& qualifiers, OutputNameInputs& inputs);

struct OutputNameResult {
  std::string input_directory;
  std::string output_directory;
  std::string output_name;
  std::string output_extension;
  std::string lis1_name;   // "" unless diagnostics are asked for
  std::string lis_name;    // "" unless diagnostics are asked for
  std::string stats_name;  // "" unless /DEBUG or the policies ask for it
  // False when /TREE had to create the output folder and could not.
  bool directory_ready = true;

  std::string OutputPath() const { return output_directory + output_name + output_extension; }
};

// Works out the output names of one file; with /TREE creates the output
// folder that mirrors the input file's sub-folder.
OutputNameResult OutputNames(const OutputNameInputs& inputs);

// Creates every missing folder of `path` ("/"-separated; a relative path is
// taken against the current directory). An existing path is success.
// Returns false at the first folder that cannot be created.
bool MakeDirectoryPath(std::string_view path);

// Refuses to let an output overwrite its input: when the output path equals
// the input path (letter case ignored, after folding "." and "..") or both
// name the same existing file, the two overwrite errors are reported at
// level 10 and false is returned, unless `overwrite_allowed` (/OVERWRITE)
// or `to_clipboard`. Returns true when the output may be written.
bool CheckOverwrite(std::string_view input_path, std::string_view output_path,
                    bool overwrite_allowed, bool to_clipboard, const LevelReportFn& report);

}  // namespace orv
