// The conversion run: program start's command-line path, StartRun,
// RunBatch, ConvertFile and RunOneFile with their policy-set choreography.
#include "run/conversion_run.h"

#include <cstdlib>
#include <new>
#include <stdexcept>

#include "common/text.h"
#include "convert/fill_detag_options.h"
#include "platform/clipboard.h"
#include "platform/directory.h"
#include "platform/exit_status.h"
#include "platform/paths.h"
#include "run/message_table.h"
#include "run/output_names.h"
#include "run/qualifier_policies.h"

namespace orv {
namespace {

// A batch larger than this is converted with only errors shown.
constexpr size_t kBusyBatchSize = 100;

const std::string kFileSeparator(50, '%');

// The identities of the files of `batch` that exist.
std::set<FileId> IdentitiesOf(const FileBatch& batch) {
  std::set<FileId> ids;
  for (const std::string& path : batch.paths)
    if (std::optional<FileId> id = IdentifyFile(path)) ids.insert(*id);
  return ids;
}

// Reads all of standard input; false when it cannot be read.
bool ReadStandardInput(std::string& text) {
  text.clear();
  char block[1 << 16];
  while (true) {
    const size_t got = std::fread(block, 1, sizeof block, stdin);
    text.append(block, got);
    if (got < sizeof block) return !std::ferror(stdin);
  }
}

bool IsOneOf(const std::set<FileId>& ids, std::string_view path) {
  std::optional<FileId> id = IdentifyFile(path);
  return id && ids.contains(*id);
}

}  // namespace

RunSettings RunSettings::FromStored(const StoredSettings& stored) {
  RunSettings s;
  s.default_policy_file = stored.GetString("DefaultPolicy\\File");
  s.always_reload = stored.GetFlag("DefaultPolicy\\AlwaysReload", s.always_reload);
  s.view_status_window = stored.GetFlag("DragAndDrop\\ViewStatusWindow", s.view_status_window);
  s.display_status_dialog = stored.GetFlag("Dialogs\\DisplayStatusDialog", s.display_status_dialog);
  s.auto_dismiss_status_dialog =
      stored.GetFlag("Dialogs\\AutoDismissStatusDialog", s.auto_dismiss_status_dialog);
  s.output_to_source = stored.GetFlag("OutputFile\\OutputToSource", s.output_to_source);
  s.settings_file = stored.LoadedPath();
  return s;
}

void RunSettings::ReadEnvironment(const StoredSettings::EnvLookup& get_env) {
  const char* threads = get_env ? get_env("ORVTEXT_THREADS") : std::getenv("ORVTEXT_THREADS");
  second_thread_per_file = threads == nullptr || Trim(threads) != "1";
}

std::string PolicyOutputPath(const PolicySet& output_set, std::string_view policy_value,
                             const PathParts& input) {
  const std::string& output_directory = output_set.OutputDirectory();
  std::string name = output_set.OutputPolicyFilename();
  if (name.empty()) {
    const PathParts asked = SplitPath(policy_value);
    std::string directory = asked.directory;
    if (directory.empty()) directory = output_directory;
    if (directory.empty()) directory = input.directory;
    name = directory + (asked.name.empty() ? input.name : asked.name) +
           (asked.extension.empty() ? std::string(".pol") : asked.extension);
  }
  const std::string& base = output_directory.empty() ? input.directory : output_directory;
  return FullPathFrom(name, FullPath(base.empty() ? std::string("./") : base));
}

ConversionRun::ConversionRun(Context& context, StatusWindow& status, RunSettings settings,
                             MessageBoxFn message_box)
    : context_(context),
      status_(status),
      settings_(std::move(settings)),
      message_box_(std::move(message_box)),
      clipboard_([](const std::string& text) { return PutOnClipboard(text); }),
      detag_(catalogue_) {
  if (!settings_.settings_file.empty())
    if (std::optional<FileId> id = IdentifyFile(settings_.settings_file)) read_inputs_.insert(*id);
  // An output appears only once it is complete.
  output_.SetReplaceWhenComplete(true);
  detag_.SetSideBySideStages(settings_.second_thread_per_file);
}

void ConversionRun::RememberReadFiles(const ASCIIFile& reader) {
  for (const std::string& name : reader.ReadNames())
    if (std::optional<FileId> id = IdentifyFile(name)) read_inputs_.insert(*id);
}

bool ConversionRun::IsRunInput(std::string_view path, bool documents_may_go) const {
  std::optional<FileId> id = IdentifyFile(path);
  if (!id) return false;
  return read_inputs_.contains(*id) || (!documents_may_go && batch_inputs_.contains(*id));
}

bool ConversionRun::IsTheLog(const std::string& path) const {
  return !log_path_.empty() && (FullPath(path) == FullPath(log_path_) || SameFile(path, log_path_));
}

bool ConversionRun::ClaimOutput(const std::string& output_path, const std::string& input_path,
                                PolicySet& c) {
  const std::string full = FullPath(output_path);
  std::string earlier;
  if (auto it = written_outputs_.find(full); it != written_outputs_.end()) earlier = it->second;
  if (earlier.empty())
    if (std::optional<FileId> id = IdentifyFile(output_path))
      if (auto it = written_output_ids_.find(*id); it != written_output_ids_.end())
        earlier = it->second;
  if (!earlier.empty()) {
    c.Report("ERROR: \"" + input_path + "\" and \"" + earlier +
                 "\" would both be written to output file " + output_path,
             10);
    return false;
  }
  written_outputs_[full] = input_path;
  return true;
}

ConversionRun::~ConversionRun() {
  context_.Sink().SetLevelCallback(nullptr);
  context_.Sink().SetPlainCallback(nullptr);
}

void ConversionRun::StatusLine(std::string_view line) {
  status_.Append(line);
  // The status window is the run's record; the log gets these lines too.
  if (context_.Sink().IsLogOpen()) context_.Sink().WriteToLog(line);
}

void ConversionRun::HookSinkToStatusWindow() {
  auto append = [this](const std::string& text) { status_.Append(text); };
  context_.Sink().SetLevelCallback(append);
  context_.Sink().SetPlainCallback(append);
}

// ---- Program start ------------------------------------------------------

int ConversionRun::RunCommandLine(FileSelection selection) {
  // A stored default policy file replaces one named on the command line.
  if (!settings_.default_policy_file.empty())
    selection.policy_file_path = settings_.default_policy_file;
  selection.input_spec = selection.input_directory + selection.input_spec;
  selection_ = std::move(selection);
  command_line_mode_ = true;

  // The status window comes up before the policy file is read, so its
  // messages are seen (never while messages are not echoed).
  HookSinkToStatusWindow();
  if (settings_.view_status_window && context_.Echo()) status_.Show();

  if (!selection_.policy_file_path.empty()) LoadPolicyFile(selection_.policy_file_path);
  if (selection_.standard_input && !ReadStandardInput(standard_input_text_)) {
    StatusLine("ERROR: Error reading standard input");
    if (message_box_)
      message_box_(MessageText(kMsgCaptionConvertError), MessageText(kMsgConversionFailed));
    return kExitRunFailed;
  }

  const bool ok = StartRun();
  if (!ok) {
    if (message_box_)
      message_box_(MessageText(kMsgCaptionConvertError), MessageText(kMsgConversionFailed));
    return kExitRunFailed;
  }
  return no_files_found_ ? kExitNoFilesFound : kExitSuccess;
}

bool ConversionRun::ReadPolicyFileInto(PolicySet& set, const std::string& path) {
  context_.ResetAllSections();
  ASCIIFile reader;
  // Only a plain file is read: a pipe or device could block the run.
  if (!reader.OpenReadRegular(path)) return false;
  set.Reset();
  std::string error_text;
  // Every problem of the file has been reported line by line; the values
  // that were accepted stay in force.
  set.ReadPolicyFile(reader, error_text);
  reader.Close();
  RememberReadFiles(reader);
  return true;
}

bool ConversionRun::LoadPolicyFile(const std::string& path) {
  AttachWithQualifiers(context_, master_policies_);
  if (ReadPolicyFileInto(master_policies_, path)) return true;
  if (message_box_)
    message_box_(MessageText(kMsgCaptionPolicyFileError),
                 MessageWith(kMsgCantFindPolicyFile, path));
  return false;
}

void ConversionRun::LoadMasterPolicyFile(PolicySet& set, const std::string& path) {
  if (!ReadPolicyFileInto(set, path)) StatusLine("ERROR: Can't find master policy file " + path);
}

// ---- StartRun -----------------------------------------------------------

bool ConversionRun::StartRun() {
  no_files_found_ = false;
  outputs_failed_ = false;
  const LineReportFn to_status = [this](std::string_view line) { StatusLine(line); };

  if (!DirectoryCheck(selection_.input_directory, true, to_status)) {
    if (message_box_)
      message_box_(MessageText(kMsgCaptionDirectoryError), MessageText(kMsgInvalidInputDirectory));
    return false;
  }
  if (!settings_.output_to_source &&
      !DirectoryCheck(selection_.output_directory, false, to_status)) {
    if (message_box_)
      message_box_(MessageText(kMsgCaptionDirectoryError), MessageText(kMsgInvalidOutputDirectory));
    return false;
  }

  if (!command_line_mode_ || settings_.view_status_window) {
    status_.Clear();
    if (settings_.display_status_dialog && context_.Echo()) status_.Show();
  }

  // A list of quoted names is cut before its first quote, anything else
  // after its last folder separator.
  const std::string& full_spec = selection_.input_spec;
  const size_t quote = full_spec.find('"');
  const size_t cut = quote != std::string::npos ? quote : full_spec.rfind('/') + 1;
  input_directory_ = full_spec.substr(0, cut);
  input_spec_ = full_spec.substr(cut);

  for (PolicySet* set : {&master_policies_, &run_policies_, &dialog_changes_, &output_policies_})
    AttachWithQualifiers(context_, *set);
  HookSinkToStatusWindow();

  const std::string& policy_file = selection_.policy_file_path;
  if (settings_.always_reload && !policy_file.empty()) {
    LoadMasterPolicyFile(run_policies_, policy_file);
    LoadMasterPolicyFile(master_policies_, policy_file);
    AttachWithQualifiers(context_, run_policies_);
    AttachWithQualifiers(context_, master_policies_);
  }

  bool abort = false;
  RunBatch(run_policies_, policy_file, abort);

  master_policies_.ReportPlain(MessageText(kMsgConversionComplete));

  if (!abort && settings_.auto_dismiss_status_dialog) status_.Hide();
  return !abort && !outputs_failed_;
}

// ---- RunBatch -----------------------------------------------------------

bool ConversionRun::RunBatch(PolicySet& run_set, const std::string& policy_file, bool& abort) {
  const QualifierSettings& q = context_.Qualifiers();
  const std::string spec = input_directory_ + input_spec_;
  if (q.log) {
    // The log is opened before the files are listed, so that it records
    // the listing; a quiet look at the files first keeps it off them.
    FileBatch preview;
    if (!selection_.standard_input)
      ExpandFileSpec(spec, policy_file, q.subfolders, preview, nullptr, &selection_.found);
    const std::set<FileId> inputs = IdentitiesOf(preview);
    if (!context_.OpenLog(q.log_file_name, selection_.output_directory,
                          [this, &inputs](const std::string& path) {
                            return IsOneOf(inputs, path) || IsRunInput(path, true);
                          }))
      outputs_failed_ = true;
    log_path_ = context_.IsLogOpen() ? context_.Sink().LogName() : std::string();
  }
  written_outputs_.clear();
  written_output_ids_.clear();

  run_set.SetText(EnginePolicy::kInputDirectory, input_directory_, false);
  run_set.SetText(EnginePolicy::kOutputDirectory, selection_.output_directory, false);

  // The batch of an earlier run is not converted again.
  FileBatch& batch = context_.Batch();
  batch.Clear();
  // Standard input is the one document of its batch.
  if (selection_.standard_input) batch.Add(spec, spec, policy_file);
  const size_t found =
      selection_.standard_input
          ? 1
          : ExpandFileSpec(spec, policy_file, q.subfolders, batch,
                           [this](std::string_view message, int level) {
                             master_policies_.Report(message, level);
                           },
                           &selection_.found);
  batch_inputs_ = IdentitiesOf(batch);

  // A busy batch shows only errors, unless the policies chose a level.
  if (found > kBusyBatchSize && !master_policies_.WasSet(EnginePolicy::kErrorReportingLevel)) {
    master_policies_.SetInteger(EnginePolicy::kErrorReportingLevel, 1, true);
    master_policies_.SetYesNo(EnginePolicy::kSuppressINFOMessages, true, true);
  }

  if (batch.Empty()) {
    no_files_found_ = true;
    const std::string message = MessageWith(kMsgNoFilesFound, spec);
    status_.Hide();
    if (message_box_) message_box_(MessageText(kMsgCaptionFileSelectionError), message);
    StatusLine("ERROR: " + message);
    if (!context_.CloseLog()) outputs_failed_ = true;
    return false;
  }

  files_converted_ = 0;
  // The batch ends at its first empty entry.
  size_t size = 0;
  while (size < batch.Size() && !batch.paths[size].empty()) ++size;
  const size_t jobs = BatchJobs(size);
  if (jobs > 1) {
    ConvertBatchSideBySide(size, jobs, run_set, abort);
  } else {
    for (size_t index = 0; index < size && !abort; ++index) {
      if (ConvertBatchEntry(batch, index, run_set)) {
        ++files_converted_;
      } else {
        abort = true;
      }
    }
  }
  // A concatenated output cut short by a failed file is written out here.
  if (!output_.Close()) {
    StatusLine(WriteErrorMessage(concat_output_path_, output_.WriteError()));
    abort = true;
  }
  output_.DetachLineList();
  if (!context_.CloseLog()) outputs_failed_ = true;
  log_path_.clear();
  return true;
}

bool ConversionRun::ConvertBatchEntry(const FileBatch& batch, size_t index, PolicySet& run_set) {
  const PathParts parts = SplitPath(batch.paths[index]);
  const std::string input_path = parts.directory + parts.name + parts.extension;

  // The directory-index settings of the run carry over to every file.
  for (EnginePolicy policy : {EnginePolicy::kMakeDirectory, EnginePolicy::kDirectoryFilename})
    master_policies_.Engine(policy).Merge(run_set.Engine(policy), true);
  AttachWithQualifiers(context_, master_policies_);

  current_spec_ = batch.specs[index];
  last_of_batch_ = index + 1 == batch.Size();
  return ConvertFile(input_path, parts.name + parts.extension);
}

// ---- ConvertFile --------------------------------------------------------

bool ConversionRun::ConvertFile(const std::string& input_path,
                                [[maybe_unused]] const std::string& input_name) {
  // RunOneFile reports the file under the name its path gives.
  output_policies_.Reset();

  FileJob job;
  job.input_path = input_path;
  job.input_spec = current_spec_.empty() ? input_directory_ + input_spec_ : current_spec_;
  // A list of names or a pattern names no single output file.
  const std::string& spec = input_spec_;
  const bool many = spec.find('"') != std::string::npos || spec.find('*') != std::string::npos ||
                    spec.find('%') != std::string::npos;
  job.output_file_name = many ? "" : output_file_name_;
  std::vector<std::string> clipboard_lines;
  if (output_to_clipboard_) job.line_list = &clipboard_lines;
  job.last_of_batch = last_of_batch_;

  // Running out of memory ends this file, not the program: what it held
  // is gone once the exception has left the conversion.
  bool converted = false;
  try {
    converted = RunOneFile(master_policies_, dialog_changes_, output_policies_, job);
  } catch (const std::bad_alloc&) {
    output_policies_.Report("ERROR: Out of memory converting " + input_path, 10);
  } catch (const std::length_error&) {
    output_policies_.Report("ERROR: Out of memory converting " + input_path, 10);
  }
  if (!converted) return false;

  last_output_file_ = last_output_path_;
  if (job.line_list != nullptr) {
    std::string text;
    for (size_t i = 0; i < clipboard_lines.size(); ++i) {
      if (i > 0) text += '\n';
      text += clipboard_lines[i];
    }
    if (!clipboard_ || !clipboard_(text))
      output_policies_.Report("ERROR: No clipboard available", 10);
  }
  return true;
}

// ---- RunOneFile ---------------------------------------------------------

bool ConversionRun::RunOneFile(PolicySet& main, PolicySet& changes, PolicySet& c,
                               const FileJob& job) {
  const QualifierSettings& q = context_.Qualifiers();

  // The working set: master policies, then the dialog's changes. One set
  // serves every file of the run: resetting it costs far less than
  // building a set.
  PolicySet& working = working_policies_;
  working.Reset();
  AttachWithQualifiers(context_, working);
  working.Merge(main, false);
  working.Merge(changes, false);

  OutputNameInputs inputs;
  inputs.input_path = job.input_path;
  inputs.input_spec = job.input_spec;
  inputs.single_output_name = job.output_file_name;
  TakeQualifiers(q, inputs);
  inputs.chosen_output_directory = selection_.output_directory;
  inputs.chosen_output_directory_in_use =
      !settings_.output_to_source && selection_.output_directory != selection_.input_directory;
  inputs.diagnostics_asked = working.GetYesNo(EnginePolicy::kGenerateDiagnosticsFiles);
  inputs.output_is_text = OutputIsText(q);
  inputs.html_extension = HtmlExtension(q, working);
  const OutputNameResult names = OutputNames(inputs);
  const PathParts input = SplitPath(job.input_path);

  working.ReportPlain(kFileSeparator);
  working.ReportPlain("Processing : \"" + input.name + input.extension + "\"");

  AttachWithQualifiers(context_, c);
  c.SetText(EnginePolicy::kInputDirectory, names.input_directory, false);
  c.SetText(EnginePolicy::kOutputDirectory, names.output_directory, false);
  c.Merge(main, true);
  c.Merge(changes, true);

  // A policy file that cannot be written fails the file, but its text is
  // still converted.
  const bool policy_written = !(q.policy || c.OutputPolicyFile()) || WritePolicyOutput(c, input);

  if (observer_) observer_(job.input_path, c);

  c.ReportPlain("---- Starting Output pass ----");
  if (!names.directory_ready)
    c.Report("ERROR: Can't create output folder " + names.output_directory, 10);
  if (!RunOutputPass(c, job, names.OutputPath())) {
    c.Report("ERROR: Failed to complete output pass", 10);
    return false;
  }
  return policy_written;
}

bool ConversionRun::WritePolicyOutput(PolicySet& c, const PathParts& input) {
  const std::string path = PolicyOutputPath(c, context_.Qualifiers().policy_out_name, input);
  const std::string input_path = input.directory + input.name + input.extension;
  // Policies never replace the document they were written for, any other
  // file of the batch, nor a policy or settings file the run read.
  if (EqualsNoCase(FullPath(path), FullPath(input_path)) || SameFile(path, input_path) ||
      IsRunInput(path, false)) {
    c.Report("ERROR: Policy file would overwrite input file - " + path, 10);
    return false;
  }
  if (IsTheLog(path)) {
    c.Report("ERROR: Policy file would overwrite the log file - " + path, 10);
    return false;
  }
  c.ReportPlain("Generating policy file " + path);
  ASCIIFile out;
  out.SetReplaceWhenComplete(true);
  if ((PathExists(path) && !IsRegularFile(path)) || !out.OpenWrite(path)) {
    c.Report("ERROR: Can't open file \"" + path + "\"", 10);
    return false;
  }
  c.WritePolicyFile(out, true);
  if (!out.Close()) {
    c.Report(WriteErrorMessage(path, out.WriteError()), 10);
    return false;
  }
  return true;
}

bool ConversionRun::RunOutputPass(PolicySet& c, const FileJob& job,
                                  const std::string& output_path) {
  const QualifierSettings& q = context_.Qualifiers();
  const bool concatenate = c.ConcatenateResults() && job.line_list == nullptr;
  const bool appending = concatenate && output_.IsOpen();

  DetagRequest request;
  request.input_path = job.input_path;
  // Every file of a concatenated output is written to the first one's.
  request.output_path = appending ? concat_output_path_ : output_path;
  request.append_size = job.append_size;
  request.line_list = job.line_list;
  request.overwrite_allowed = q.overwrite;
  request.console = q.console;
  if (selection_.standard_input) {
    request.input_text = standard_input_text_;
    request.header_file_name = std::string(kStandardInputName);
  }
  request.first_of_output = !appending;
  request.last_of_output = !concatenate || job.last_of_batch;

  // Appending to an existing output, writing to the caller's line list or
  // to the console cannot overwrite the input.
  const bool overwrite_harmless = request.overwrite_allowed || request.append_size > 0 || request.console;
  if (!CheckOverwrite(request.input_path, request.output_path, overwrite_harmless,
                      request.line_list != nullptr,
                      [&c](std::string_view message, int level) { c.Report(std::string(message), level); }))
    return false;
  // Only a plain file (or a new one) is written: a folder cannot be, and
  // a pipe or device would block the run.
  const bool to_file = !request.console && request.line_list == nullptr && !appending;
  if (to_file && PathExists(request.output_path) && !IsRegularFile(request.output_path)) {
    c.Report("ERROR: Error opening " + request.output_path, 10);
    return false;
  }
  // Writing over another file of the batch would lose it before (or after)
  // it is converted; a policy or settings file the run read is never
  // written over.
  if (to_file && ((!request.overwrite_allowed && !SameFile(request.output_path, job.input_path) &&
                   IsOneOf(batch_inputs_, request.output_path)) ||
                  IsRunInput(request.output_path, true))) {
    c.Report("ERROR: Output file is overwriting input file - " + request.output_path, 10);
    c.Report("ERROR: Choose a different output directory", 10);
    return false;
  }
  // The log is being written: text written over it would be mixed with it.
  if (to_file && IsTheLog(request.output_path)) {
    c.Report("ERROR: Output file would overwrite the log file - " + request.output_path, 10);
    return false;
  }
  // Two inputs of one run must not share an output: the second would
  // silently replace the first one's result.
  if (to_file && !ClaimOutput(request.output_path, job.input_path, c)) return false;

  const DetagOptions options = FillDetagOptions(c);
  const bool ok =
      detag_.ConvertFile(options, request, output_,
                         [&c](const std::string& message, int level) { c.Report(message, level); });
  if (!appending) concat_output_path_ = request.output_path;
  last_output_path_ = request.output_path;
  bool written = !output_.WriteFailed();
  if (!concatenate || request.last_of_output) {
    written = output_.Close() && written;
    output_.DetachLineList();
  }
  if (to_file)
    if (std::optional<FileId> id = IdentifyFile(request.output_path))
      written_output_ids_[*id] = job.input_path;
  if (!written) {
    c.Report(WriteErrorMessage(request.console ? "(standard output)" : request.output_path,
                               output_.WriteError()),
             10);
    return false;
  }
  return ok;
}

}  // namespace orv
