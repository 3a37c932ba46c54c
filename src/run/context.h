// The run context: one per program. It owns the message sink, the log file
// of a batch, the start-up record of command-line stage messages and the
// state that the command line and the batch share. Policy sets attached to
// it report through its sink.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/text.h"
#include "policy/own_policies.h"
#include "run/ascii_file.h"
#include "run/file_batch.h"
#include "run/messages.h"
#include "run/qualifiers.h"

namespace orv {

class Context {
 public:
  Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  MessageSink& Sink() { return sink_; }
  const MessageSink& Sink() const { return sink_; }

  // Command-line stage report: echoed to standard error while the echo flag
  // is on, kept in the start-up record ("SESSION: " lines), and the record
  // is written to the log as soon as a log is open.
  void Report(std::string_view message);

  bool Echo() const { return echo_; }
  void SetEcho(bool echo) { echo_ = echo; }
  const std::string& StartupRecord() const { return startup_record_; }

  // Opens the batch's log file. `log_value` is the /LOG value ("" gives the
  // default name); a value without a directory part is put in the output
  // directory. When the file cannot be created, or `is_input` says it is a
  // file the run is to read (reported: it is never replaced), the default
  // name in the output directory is tried; failing that the run goes on
  // without a log. Returns true when a log is open.
  bool OpenLog(std::string_view log_value, const std::string& output_directory,
               const std::function<bool(const std::string& path)>& is_input = nullptr);
  void CloseLog();
  bool IsLogOpen() const { return log_file_.IsOpen(); }

  static constexpr std::string_view kDefaultLogName = "Tessaly.log";

  // What the command-line qualifiers set (run/qualifiers.h).
  QualifierSettings& Qualifiers() { return qualifiers_; }
  const QualifierSettings& Qualifiers() const { return qualifiers_; }
  // The input files of the run (run/file_batch.h).
  FileBatch& Batch() { return batch_; }
  const FileBatch& Batch() const { return batch_; }
  // orvtext's ten policy sections, shared by every policy set attached to
  // this Context. `number` is 1..10; any other number gives an empty
  // section whose reads return the fallbacks.
  PolicySection& PolicySectionAt(int number);
  PolicySections& Sections() { return policy_sections_; }
  // Resets every policy of the ten sections to its default.
  void ResetAllSections();

  // The rule set named by the last rule-set policy line (0 none,
  // 1 Tarnwell, 2 SEC).
  int RuleSet() const { return rule_set_; }
  void SetRuleSet(int rule_set) { rule_set_ = rule_set; }
  // Whether policies report a user's value that a rule set leaves alone.
  bool ReportRuleSetOverrides() const { return report_rule_set_overrides_; }
  void SetReportRuleSetOverrides(bool on) { report_rule_set_overrides_ = on; }
  // A second folder in which policy include files are looked for; "" none.
  const std::string& IncludeFolder() const { return include_folder_; }
  void SetIncludeFolder(std::string folder) { include_folder_ = std::move(folder); }
  // Starts a new input file: forgets what belonged to the previous one and
  // records the path of this one, split into directory, name and extension.
  void StartNewFile(std::string_view input_path);
  const PathParts& CurrentInput() const { return current_input_; }

  // Which part of the program is running (1 while a policy file is read).
  int CodeLocation() const { return code_location_; }
  void SetCodeLocation(int location) { code_location_ = location; }

 private:
  bool AttachOpenedLog(const std::string& path);

  MessageSink sink_;
  bool echo_ = true;
  std::string startup_record_;
  ASCIIFile log_file_;
  QualifierSettings qualifiers_;
  FileBatch batch_;
  PolicySections policy_sections_;
  PolicySection unknown_section_;
  int rule_set_ = 0;
  bool report_rule_set_overrides_ = false;
  std::string include_folder_;
  int code_location_ = 0;
  PathParts current_input_;
};

}  // namespace orv
