// Command-line stage reporting and the batch log file.
#include "run/context.h"

#include <ostream>

#include "common/ascii_file.h"
#include "common/text.h"
#include "platform/directory.h"
#include "run/message_table.h"

namespace orv {

void Context::Report(std::string_view message) {
  if (echo_) {
    Sink().Err() << message << '\n';
    Sink().Err().flush();
  }
  if (!startup_record_.empty()) startup_record_ += '\n';
  startup_record_ += "SESSION: ";
  startup_record_ += message;
  if (Sink().IsLogOpen()) {
    Sink().WriteToLog(startup_record_);
    startup_record_.clear();
  }
}

bool Context::AttachOpenedLog(const std::string& path) {
  Sink().AttachLog(path, &log_file_);
  Sink().ReportPlain("Generating log file " + path);
  if (!startup_record_.empty()) {
    Sink().WriteToLog(startup_record_);
    startup_record_.clear();
  }
  return true;
}

bool Context::OpenLog(std::string_view log_value, const std::string& output_directory,
                      const std::function<bool(const std::string& path)>& is_input) {
  CloseLog();
  std::string path(log_value.empty() ? kDefaultLogName : log_value);
  if (SplitPath(path).directory.empty()) path = output_directory + path;
  // Only a plain file (or a new one) is opened: a pipe would block the run.
  // Opening empties the file, so one that is to be converted is refused.
  auto open = [this, &is_input](const std::string& candidate) {
    if (is_input && is_input(candidate)) {
      Report("ERROR: Log file would overwrite input file - " + candidate);
      return false;
    }
    return (!PathExists(candidate) || IsRegularFile(candidate)) && log_file_.OpenWrite(candidate);
  };
  if (open(path)) return AttachOpenedLog(path);

  Report(MessageWith(kMsgFailedToOpenLog, path));
  path = output_directory + std::string(kDefaultLogName);
  Report(MessageWith(kMsgOpeningInstead, path));
  if (open(path)) AttachOpenedLog(path);
  else Report(MessageWith(kMsgFailedToOpenLog, path));
  return false;
}

void Context::CopySettingsFrom(Context& other) {
  qualifiers_ = other.qualifiers_;
  echo_ = other.echo_;
  for (int number = 1; number <= kPolicySectionCount; ++number) {
    PolicySection& to = PolicySectionAt(number);
    PolicySection& from = other.PolicySectionAt(number);
    for (size_t i = 0; i < to.Count() && i < from.Count(); ++i) to.At(i).Assign(from.At(i));
  }
  SetRuleSet(other.RuleSet());
  SetReportRuleSetOverrides(other.ReportRuleSetOverrides());
  SetIncludeFolder(other.IncludeFolder());
}

bool Context::CloseLog() {
  if (Sink().LogName().empty() && !log_file_.IsOpen()) return true;
  const std::string name = Sink().LogName();
  Sink().DetachLog();
  if (log_file_.Close()) return true;
  Report(WriteErrorMessage(name, log_file_.WriteError()));
  return false;
}

}  // namespace orv
