// The conversion run: from a command line that named input files to the
// exit status. StartRun checks the directories and loads the master
// policies, RunBatch expands the input specification and converts the
// files in order until one fails, ConvertFile and RunOneFile build the
// policy sets of one file and hand it to the detag pass (convert/detag.h).
// Messages go through the Context's sink to the status window.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/ascii_file.h"
#include "convert/detag.h"
#include "html/tag_catalogue.h"
#include "platform/directory.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "platform/status_window.h"
#include "policy/policy_set.h"
#include "run/context.h"
#include "run/file_batch.h"

namespace orv {

// The stored settings a run reads, with this platform's defaults.
struct RunSettings {
  std::string default_policy_file;          // DefaultPolicy\File
  bool always_reload = false;               // DefaultPolicy\AlwaysReload
  bool view_status_window = true;           // DragAndDrop\ViewStatusWindow
  bool display_status_dialog = true;        // Dialogs\DisplayStatusDialog
  bool auto_dismiss_status_dialog = false;  // Dialogs\AutoDismissStatusDialog
  bool output_to_source = false;            // OutputFile\OutputToSource
  // The settings file these came from ("" for none): it is read by the run,
  // so no output may replace it.
  std::string settings_file;
  // Whether a file may take a second thread for its own conversion (the
  // two stages of the chunk pass, the halves of a large text's scans);
  // ORVTEXT_THREADS=1 in the environment turns it off, so that each file
  // is converted on one thread (--jobs still sets how many files at once).
  bool second_thread_per_file = true;

  static RunSettings FromStored(const StoredSettings& stored);
  // Reads the settings that come from the environment (ORVTEXT_THREADS)
  // through `get_env` (std::getenv when empty).
  void ReadEnvironment(const StoredSettings::EnvLookup& get_env);
};

// The name of the policy file that /POLICY (or "Output policy file") writes
// for one input file: the set's "Output policy filename" when given, else
// the /POLICY value's folder, name and extension, each falling back to the
// output directory (or the input file's folder), the input file's name and
// ".pol"; a relative result is taken against the set's output directory
// (or the input file's folder). `policy_value` is the /POLICY value.
std::string PolicyOutputPath(const PolicySet& output_set, std::string_view policy_value,
                             const PathParts& input);

class ConversionRun {
 public:
  // Puts text on the clipboard; false when it could not.
  using ClipboardFn = std::function<bool(const std::string& text)>;
  // Told about every file once its output set is ready, just before the
  // output pass (tests look at the set, and may change it).
  using FileObserver = std::function<void(const std::string& input_path, PolicySet& output_set)>;

  // `context`, `status` and whatever `message_box` writes to must outlive
  // the run.
  ConversionRun(Context& context, StatusWindow& status, RunSettings settings,
                MessageBoxFn message_box);
  // Unhooks the Context's message sink from the status window.
  ~ConversionRun();
  ConversionRun(const ConversionRun&) = delete;
  ConversionRun& operator=(const ConversionRun&) = delete;

  // The command-line path of program start, for a selection that names
  // input files: a stored default policy file replaces the one named on
  // the command line, the input specification is joined to the input directory,
  // the policy file is loaded into the main set, the status window is
  // shown (unless messages are not echoed) and StartRun converts. A failed
  // run shows the "Conversion failed" box. Returns the exit status
  // (platform/exit_status.h).
  int RunCommandLine(FileSelection selection);

  // Loads the policy file at `path` into the main set (the Context's
  // sections are reset with it). A file that cannot be opened is shown in
  // a "Policy File Error" box and the main set keeps its policies. Returns
  // whether the file was read.
  bool LoadPolicyFile(const std::string& path);

  // One run over the current selection: checks the input and output
  // directories, loads the master policy file when the settings ask for
  // it, runs the batch and reports the completion message. Returns false
  // when a directory was invalid or a file failed.
  bool StartRun();

  // Opens the log (/LOG), expands the input specification into the Context's
  // batch and converts each file in order; the first file that fails sets
  // `abort` and stops the batch. Returns false only when no file was found.
  bool RunBatch(PolicySet& run_set, const std::string& policy_file, bool& abort);

  // Prepares the output sets of one file and converts it. Returns the
  // file's success.
  bool ConvertFile(const std::string& input_path, const std::string& input_name);

  // What RunOneFile needs besides the policy sets.
  struct FileJob {
    std::string input_path;
    std::string input_spec;
    std::string output_file_name;  // may be "" or hold "*" parts
    size_t append_size = 0;
    std::vector<std::string>* line_list = nullptr;  // clipboard output
    bool last_of_batch = true;
  };
  // Builds the working set of one file (the master policies, then the
  // dialog's `changes`), reports it, builds the output set `c` the same way
  // with the file's directories, writes its policy file when asked and runs
  // the output pass on `c`. Returns false when the output pass fails.
  bool RunOneFile(PolicySet& main, PolicySet& changes, PolicySet& c, const FileJob& job);

  // The selection the run converts (what the main window holds).
  void SetSelection(FileSelection selection) { selection_ = std::move(selection); }
  const FileSelection& Selection() const { return selection_; }
  // The output file name of a one-file selection ("" lets each file's name
  // come from the output-name rules).
  void SetOutputFileName(std::string name) { output_file_name_ = std::move(name); }
  // Output to the clipboard instead of files.
  void SetOutputToClipboard(bool on) { output_to_clipboard_ = on; }
  void SetClipboard(ClipboardFn clipboard) { clipboard_ = std::move(clipboard); }
  void SetFileObserver(FileObserver observer) { observer_ = std::move(observer); }

  PolicySet& MainSet() { return master_policies_; }

  bool NoFilesFound() const { return no_files_found_; }
  int FilesConverted() const { return files_converted_; }
  const std::string& LastOutputFile() const { return last_output_file_; }

 private:
  // Converts entry `index` of `batch`: the run's directory-index settings
  // and the qualifiers go into the master set, then ConvertFile. Returns
  // the file's success.
  bool ConvertBatchEntry(const FileBatch& batch, size_t index, PolicySet& run_set);
  // A copy of the run that converts files of its batch on another thread.
  struct Worker;
  // How many files of a batch of `size` are converted side by side: the
  // --jobs number (by default one per core), and 1 when the files' outputs
  // or messages cannot be kept apart (one concatenated output, the console,
  // the clipboard, policy files written, standard input, an observer).
  size_t BatchJobs(size_t size) const;
  // Converts the first `size` files of the batch on `jobs` threads
  // (parallel_batch.cpp), with what the user sees exactly as one thread
  // gives it; sets `abort` at the first file that fails.
  void ConvertBatchSideBySide(size_t size, size_t jobs, PolicySet& run_set, bool& abort);
  // Every line of the directory check and the batch errors goes here.
  void StatusLine(std::string_view line);
  // Resets the sections and `set` and reads the file into it; false when
  // the file cannot be opened.
  bool ReadPolicyFileInto(PolicySet& set, const std::string& path);
  void LoadMasterPolicyFile(PolicySet& set, const std::string& path);
  void HookSinkToStatusWindow();
  // Writes the policy file of one file; false when it was refused or could
  // not be written (reported).
  bool WritePolicyOutput(PolicySet& c, const PathParts& input);
  // Whether `path` names a file the run reads: a document of the batch
  // (unless `documents_may_go`), a policy, include, switch or settings file.
  bool IsRunInput(std::string_view path, bool documents_may_go) const;
  // Refuses (reported) an output that an earlier file of this run already
  // wrote; otherwise remembers it as written by `input_path`.
  bool ClaimOutput(const std::string& output_path, const std::string& input_path, PolicySet& c);
  // Whether `path` names the log file of the batch being converted.
  bool IsTheLog(const std::string& path) const;
  // Remembers every file `reader` read, as a file the run must not replace.
  void RememberReadFiles(const ASCIIFile& reader);
  bool RunOutputPass(PolicySet& c, const FileJob& job, const std::string& output_path);

  Context& context_;
  StatusWindow& status_;
  RunSettings settings_;
  MessageBoxFn message_box_;
  ClipboardFn clipboard_;
  FileObserver observer_;

  FileSelection selection_;
  // The selection's specification split for the run: the folder it names
  // and the name, pattern or list of names in it.
  std::string input_directory_;
  std::string input_spec_;
  std::string output_file_name_;
  bool output_to_clipboard_ = false;
  bool command_line_mode_ = false;
  bool no_files_found_ = false;
  int files_converted_ = 0;
  std::string last_output_file_;
  // The batch entry being converted: the input specification that found it and
  // whether it is the last one.
  std::string current_spec_;
  bool last_of_batch_ = true;
  std::string last_output_path_;
  // The document of a run on standard input ("-"), read before the run.
  std::string standard_input_text_;
  // The files of the current batch; no output may replace one of them
  // unless /OVERWRITE allows it.
  std::set<FileId> batch_inputs_;
  // The policy, include, switch and settings files read by the run: no
  // output, log or policy file may replace them, even under /OVERWRITE.
  std::set<FileId> read_inputs_;
  // The outputs written in this run, by full path and by identity, with
  // the input each was written from.
  std::map<std::string, std::string> written_outputs_;
  std::map<FileId, std::string> written_output_ids_;
  // An output the user asked for (log, policy file) could not be written:
  // the run fails even when every file converted.
  bool outputs_failed_ = false;
  // The log file of the batch being converted ("" when none is open).
  std::string log_path_;

  // The master policies: the policy file of the selection, with the
  // directory-index settings of the run carried over to every file.
  PolicySet master_policies_;
  // The master policies as loaded for this run, with the run's folders.
  PolicySet run_policies_;
  // What the dialog changed over the master policies, merged over every
  // file (empty on the command line).
  PolicySet dialog_changes_;
  // The policies in force for the output pass of the file being converted.
  PolicySet output_policies_;
  // The master policies with the dialog's changes, for one file's names and
  // messages (RunOneFile).
  PolicySet working_policies_;

  TagCatalogue catalogue_;
  DetagPass detag_;
  // The output of the file being converted; stays open across the files
  // of a concatenated output.
  ASCIIFile output_;
  std::string concat_output_path_;
};

}  // namespace orv
