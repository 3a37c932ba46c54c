// Filtering and routing of levelled and plain messages.
#include "common/messages.h"

#include <iostream>

#include "common/text.h"
#include "common/ascii_file.h"

namespace orv {

MessageSink::MessageSink() : out_(&std::cout), err_(&std::cerr) {}

void MessageSink::CopyFrom(const MessageSink& other) {
  level_callback_ = other.level_callback_;
  plain_callback_ = other.plain_callback_;
  settings_ = other.settings_;
}

void MessageSink::Reset() {
  level_callback_ = nullptr;
  plain_callback_ = nullptr;
  settings_ = SinkSettings{};
  settings_.level = 0;
  settings_.display = true;
  settings_.suppress_url = false;
  log_ = nullptr;
  log_name_.clear();
}

bool MessageSink::IsSuppressedByPrefix(std::string_view message) const {
  if (settings_.suppress_url && FindNoCase(message, "URL:") != std::string_view::npos) return true;
  if (settings_.suppress_info && FindNoCase(message, "INFO:") != std::string_view::npos) return true;
  if (settings_.suppress_warning && FindNoCase(message, "WARNING:") != std::string_view::npos)
    return true;
  if (settings_.suppress_program_error &&
      FindNoCase(message, "PROGRAM ERROR:") != std::string_view::npos)
    return true;
  if (settings_.suppress_tag_error && FindNoCase(message, "TAG ERROR:") != std::string_view::npos)
    return true;
  return false;
}

bool MessageSink::IsSuppressedByLevel(int level) const {
  return level < 10 - settings_.level || !settings_.display;
}

bool MessageSink::IsLogOpen() const { return log_ != nullptr && log_->IsOpen(); }

void MessageSink::WriteToLog(std::string_view text) {
  if (IsLogOpen()) log_->WriteLine(text);
}

void MessageSink::Report(std::string_view message, int level) {
  last_message_.assign(message);
  const bool by_level = IsSuppressedByLevel(level);
  // A message that no log takes and its level hides goes nowhere (a link's
  // "URL:" line in a quiet run, thousands a document).
  if (by_level && !IsLogOpen()) return;
  const bool by_prefix = IsSuppressedByPrefix(message);
  if (!by_prefix) WriteToLog(message);
  if (by_prefix || by_level) return;
  if (level_callback_) {
    level_callback_(last_message_);
  } else {
    *err_ << message << '\n';
    err_->flush();
  }
}

void MessageSink::ReportAgain(int level) {
  std::string message = last_message_;
  Report(message, level);
}

void MessageSink::ReportPlain(std::string_view message) {
  if (settings_.level <= 0) return;
  last_message_.assign(message);
  if (IsSuppressedByPrefix(message)) return;
  WriteToLog(message);
  if (plain_callback_) {
    plain_callback_(last_message_);
  } else if (settings_.display) {
    *out_ << message << '\n';
    out_->flush();
  }
}

void MessageSink::ReportAgainPlain() {
  std::string message = last_message_;
  ReportPlain(message);
}

void MessageSink::AttachLog(std::string name, ASCIIFile* file) {
  log_name_ = std::move(name);
  log_ = file;
}

void MessageSink::DetachLog() {
  log_ = nullptr;
  log_name_.clear();
}

void MessageSink::SetStreams(std::ostream* out, std::ostream* err) {
  out_ = out != nullptr ? out : &std::cout;
  err_ = err != nullptr ? err : &std::cerr;
}

}  // namespace orv
