// File parameters of the command line and the batch of input files. A file
// parameter sets the input directory and specification of a run (or its
// policy file); the expansion turns that specification, a name, a wildcard
// pattern or a list of double-quoted names, into the sorted FileBatch the
// run converts, optionally searching sub-folders.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "html/pattern_list.h"
#include "platform/message_box.h"

namespace orv {

class Context;

// The files of one run: four lists appended together, one entry per file.
struct FileBatch {
  std::vector<std::string> paths;         // full path of each input file
  std::vector<std::string> specs;         // the input specification that found it
  std::vector<std::string> policy_files;  // the policy file in force for it
  // A spare string per file: part of the batch's four lists, which nothing
  // in this program fills or reads.
  std::vector<std::string> spares;

  void Add(std::string path, std::string spec, std::string policy_file);
  size_t Size() const { return paths.size(); }
  bool Empty() const { return paths.empty(); }
  void Clear();
};

// The files a specification matches (FindMatches, below).
struct MatchResult {
  std::vector<std::string> paths;
  std::vector<std::string> empty_files;
};

// The matches of wildcard specifications already listed, by the full
// specification, so that the run's expansion lists each folder only once.
using FoundMatches = std::map<std::string, MatchResult, std::less<>>;

// What the file parameters of a command line choose for the run.
struct FileSelection {
  std::string input_directory;   // full path ending in "/"
  std::string output_directory;  // the same as the input directory at first
  std::string input_spec;        // a name, a pattern, or double-quoted names
  std::string policy_file_path;  // a ".pol" parameter
  // The parameter "-": the one document is read from standard input
  // (input_spec is then kStandardInputName).
  bool standard_input = false;
  // What the wildcard parameters matched when they were looked up.
  FoundMatches found;
};

// The name a document read from standard input goes by: in messages, in
// its text header and in the output name rules.
inline constexpr std::string_view kStandardInputName = "(standard input)";

// Levelled report (message, level); the Context's sink by default.
using LevelReportFn = std::function<void(std::string_view message, int level)>;

// Matches file names against the name part of a specification, where "*"
// stands for any run of characters and "%" for any one character, letter
// case ignored. Built once per search: a one-entry pattern list that
// replaces a whole matching name (with an end mark appended to both) by
// nothing.
class NameMatcher {
 public:
  explicit NameMatcher(std::string_view pattern);
  // True when `file_name` matches as a whole. Linear in the name.
  bool Matches(std::string_view file_name);

 private:
  PatternList list_;
  bool valid_ = false;
};

// One-off form of NameMatcher.
bool NameMatches(std::string_view pattern, std::string_view file_name);

// The files that `spec` (directory, then a name that may hold wildcards)
// matches, sorted by plain byte comparison of their paths, and the matching
// files that were left out because they are empty. With `subfolders` the
// folders below the directory are searched too (folders whose name begins
// with "." are not entered, and no folder is entered twice). One directory
// listing per folder searched.
MatchResult FindMatches(std::string_view spec, bool subfolders);

enum class FileParameterKind {
  kPolicyFile,  // a ".pol" name: the run's policy file
  kStandardInput,  // "-": the document comes from standard input
  kSteering,    // holds "@": refused with a message box
  kNotFound,    // matches no file: message 49 in a message box
  kInput,       // an input name or pattern, added to the selection
};

// Handles one file parameter: a ".pol" name becomes the policy file; a name
// holding "@" or one that matches no file is refused with a message box
// and ignored; the first input parameter sets the input specification (its
// name and extension, wildcards kept) and the input and output directories;
// each later one turns the input specification into a list of double-quoted
// names and is added to it, relative to the input directory when it lies
// below it, else as a full path. `base_directory` is the directory relative
// names are taken against (the current directory in the program). When a
// parameter matches only empty files, each is warned about through
// `report` (when set) before the message box. "-" selects standard input
// when it is the first input parameter; it cannot be mixed with input
// files (refused with a message box either way round). A name without
// wildcards is looked up with one stat, not by listing its folder
// (unless sub-folders are searched, or no file has exactly that name).
FileParameterKind HandleFileParameter(std::string_view parameter, FileSelection& selection,
                                      bool subfolders, const MessageBoxFn& message_box,
                                      std::string_view base_directory,
                                      const LevelReportFn& report = nullptr);

// Expands `spec` (the input directory joined in front of the file specification:
// one name or pattern, or a directory followed by double-quoted names) into
// `batch`, each entry carrying `policy_file`. Empty files are warned about
// at level 7 ("WARNING: File is empty " + name) and skipped; a file that
// cannot be opened is reported at level 10 ("ERROR: Can't find or open " +
// path) and skipped. A specification found in `found` is taken from there
// instead of listing its folder again. Returns the number of files added.
size_t ExpandFileSpec(std::string_view spec, std::string_view policy_file, bool subfolders,
                      FileBatch& batch, const LevelReportFn& report,
                      const FoundMatches* found = nullptr);

// The same, with the Context's sub-folder flag, batch and message sink.
size_t ExpandFileSpec(std::string_view spec, std::string_view policy_file, Context& context);

}  // namespace orv
