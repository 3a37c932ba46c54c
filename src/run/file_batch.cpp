// File parameters, wildcard search with sub-folders, and the expansion of
// an input specification into the batch.
#include "run/file_batch.h"

#include <algorithm>
#include <set>

#include "common/text.h"
#include "platform/directory.h"
#include "platform/paths.h"
#include "run/context.h"
#include "run/message_table.h"

namespace orv {
namespace {

constexpr int kEmptyFileLevel = 7;
constexpr int kErrorLevel = 10;
// Appended to pattern and name so that a match must run to the end.
constexpr std::string_view kNameEndMark = "_()_()_";

void SearchDirectory(const std::string& directory, NameMatcher& matcher, bool subfolders,
                     std::set<FileId>& visited, MatchResult& result) {
  if (subfolders) {
    // A folder reached again through a link would make the search endless.
    std::optional<FileId> id = IdentifyFile(directory.empty() ? "." : directory);
    if (id && !visited.insert(*id).second) return;
  }
  std::vector<DirEntry> entries = ListDirectory(directory);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  for (const DirEntry& entry : entries) {
    if (entry.is_directory) {
      if (subfolders && !entry.name.empty() && entry.name[0] != '.')
        SearchDirectory(directory + entry.name + "/", matcher, subfolders, visited, result);
      continue;
    }
    if (!matcher.Matches(entry.name)) continue;
    // A dangling link is kept, so that it is reported as a file that
    // cannot be opened rather than as an empty one.
    if (entry.size == 0 && !entry.missing) {
      result.empty_files.push_back(directory + entry.name);
    } else {
      result.paths.push_back(directory + entry.name);
    }
  }
}

// The names of a double-quoted list, in order; an unterminated last name
// runs to the end of the text.
std::vector<std::string> QuotedNames(std::string_view list) {
  std::vector<std::string> names;
  size_t pos = 0;
  while ((pos = list.find('"', pos)) != std::string_view::npos) {
    size_t close = list.find('"', pos + 1);
    std::string_view name = list.substr(
        pos + 1, close == std::string_view::npos ? std::string_view::npos : close - pos - 1);
    if (!TrimView(name).empty()) names.emplace_back(name);
    if (close == std::string_view::npos) break;
    pos = close + 1;
  }
  return names;
}

size_t ExpandOne(const std::string& spec, std::string_view policy_file, bool subfolders,
                 FileBatch& batch, const LevelReportFn& report, const FoundMatches* found) {
  const auto known = found != nullptr ? found->find(spec) : FoundMatches::const_iterator();
  const MatchResult matches =
      found != nullptr && known != found->end() ? known->second : FindMatches(spec, subfolders);
  for (const std::string& empty : matches.empty_files)
    if (report) report("WARNING: File is empty " + empty, kEmptyFileLevel);
  size_t added = 0;
  for (const std::string& path : matches.paths) {
    PathParts parts = SplitPath(path);
    const std::string name = parts.name + parts.extension;
    if (name == "." || name == "..") continue;
    if (!CanOpenForReading(path)) {
      if (report) report("ERROR: Can't find or open " + path, kErrorLevel);
      continue;
    }
    batch.Add(path, spec, std::string(policy_file));
    ++added;
  }
  return added;
}

}  // namespace

void FileBatch::Add(std::string path, std::string spec, std::string policy_file) {
  paths.push_back(std::move(path));
  specs.push_back(std::move(spec));
  policy_files.push_back(std::move(policy_file));
  spares.emplace_back();
}

void FileBatch::Clear() {
  paths.clear();
  specs.clear();
  policy_files.clear();
  spares.clear();
}

NameMatcher::NameMatcher(std::string_view pattern) {
  // In the pattern-list language "**" is any run of characters and "%*"
  // any one character; "?" and "|" are special there, so a name's own are
  // escaped with "|".
  std::string text;
  for (char c : pattern) {
    switch (c) {
      case '*': text += "**"; break;
      case '%': text += "%*"; break;
      case '?':
      case '|':
        text += '|';
        text += c;
        break;
      default: text += c;
    }
  }
  text += kNameEndMark;
  valid_ = list_.AddReplace(text, "");
}

bool NameMatcher::Matches(std::string_view file_name) {
  if (!valid_) return false;
  std::string text(file_name);
  text += kNameEndMark;
  list_.Apply(text);
  return list_.Result().empty();
}

bool NameMatches(std::string_view pattern, std::string_view file_name) {
  return NameMatcher(pattern).Matches(file_name);
}

MatchResult FindMatches(std::string_view spec, bool subfolders) {
  PathParts parts = SplitPath(spec);
  MatchResult result;
  // A plain name in one folder is looked up directly: one stat, not a
  // listing of a folder that may hold thousands of files. Only a name that
  // no entry has exactly is looked for in the listing, which ignores case.
  const std::string name = parts.name + parts.extension;
  if (!subfolders && name.find_first_of("*%") == std::string::npos) {
    if (std::optional<DirEntry> entry = StatEntry(spec)) {
      if (!entry->is_directory) (entry->size == 0 ? result.empty_files : result.paths).emplace_back(spec);
      return result;
    }
  }
  std::set<FileId> visited;
  NameMatcher matcher(name);
  SearchDirectory(parts.directory, matcher, subfolders, visited, result);
  std::sort(result.paths.begin(), result.paths.end());
  std::sort(result.empty_files.begin(), result.empty_files.end());
  return result;
}

FileParameterKind HandleFileParameter(std::string_view parameter, FileSelection& selection,
                                      bool subfolders, const MessageBoxFn& message_box,
                                      std::string_view base_directory,
                                      const LevelReportFn& report) {
  const std::string_view caption = MessageText(kMsgCaptionFileSelectionError);
  if (EndsWithNoCase(parameter, ".pol")) {
    selection.policy_file_path = std::string(parameter);
    return FileParameterKind::kPolicyFile;
  }
  if (parameter.find('@') != std::string_view::npos) {
    if (message_box) message_box(caption, "Steering files not yet supported");
    return FileParameterKind::kSteering;
  }
  if (parameter == "-" || selection.standard_input) {
    if (selection.input_spec.empty()) {
      selection.standard_input = true;
      selection.input_spec = std::string(kStandardInputName);
      selection.input_directory = selection.output_directory = std::string(base_directory);
      if (!selection.input_directory.empty() && selection.input_directory.back() != '/')
        selection.input_directory = selection.output_directory = selection.input_directory + '/';
      return FileParameterKind::kStandardInput;
    }
    if (message_box) message_box(caption, "Standard input (-) cannot be mixed with input files");
    return FileParameterKind::kNotFound;
  }
  const std::string full = FullPathFrom(parameter, base_directory);
  MatchResult matches = FindMatches(full, subfolders);
  // A listing is kept for the run's expansion; a plain name costs a stat.
  const PathParts looked_up = SplitPath(full);
  if (subfolders || (looked_up.name + looked_up.extension).find_first_of("*%") != std::string::npos)
    selection.found[full] = matches;
  if (matches.paths.empty()) {
    for (const std::string& empty : matches.empty_files)
      if (report) report("WARNING: File is empty " + empty, kEmptyFileLevel);
    if (message_box) message_box(caption, MessageWith(kMsgUnableToLocateFile, parameter));
    return FileParameterKind::kNotFound;
  }

  PathParts parts = SplitPath(full);
  if (selection.input_spec.empty()) {
    selection.input_spec = parts.name + parts.extension;
    selection.input_directory = parts.directory;
    selection.output_directory = parts.directory;
    return FileParameterKind::kInput;
  }
  // A later name is listed relative to the input directory when it lies
  // below it, so a list of files from one folder reads as plain names;
  // otherwise its full path keeps it from being looked for in the wrong
  // folder.
  std::string listed = full;
  if (!selection.input_directory.empty() && full.starts_with(selection.input_directory))
    listed = full.substr(selection.input_directory.size());
  if (selection.input_spec.front() != '"') selection.input_spec = '"' + selection.input_spec + '"';
  selection.input_spec += " \"" + listed + "\"";
  return FileParameterKind::kInput;
}

size_t ExpandFileSpec(std::string_view spec, std::string_view policy_file, bool subfolders,
                      FileBatch& batch, const LevelReportFn& report, const FoundMatches* found) {
  const size_t quote = spec.find('"');
  if (quote == std::string_view::npos)
    return ExpandOne(std::string(spec), policy_file, subfolders, batch, report, found);
  const std::string directory(spec.substr(0, quote));
  size_t added = 0;
  for (const std::string& name : QuotedNames(spec.substr(quote))) {
    const std::string one = IsFullPath(name) ? name : directory + name;
    added += ExpandOne(one, policy_file, subfolders, batch, report, found);
  }
  return added;
}

size_t ExpandFileSpec(std::string_view spec, std::string_view policy_file, Context& context) {
  return ExpandFileSpec(
      spec, policy_file, context.Qualifiers().subfolders, context.Batch(),
      [&context](std::string_view message, int level) { context.Sink().Report(message, level); });
}

}  // namespace orv
