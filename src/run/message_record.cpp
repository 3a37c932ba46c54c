// Recording and replaying messages.
#include "run/message_record.h"

namespace orv {

void MessageRecord::Report(std::string_view message, int level) {
  messages_.push_back({false, std::string(message), level, Settings()});
}

void MessageRecord::ReportPlain(std::string_view message) {
  messages_.push_back({true, std::string(message), 0, Settings()});
}

std::vector<RecordedMessage> MessageRecord::Take() {
  std::vector<RecordedMessage> taken;
  taken.swap(messages_);
  return taken;
}

void Replay(const std::vector<RecordedMessage>& messages, MessageSink& sink) {
  for (const RecordedMessage& message : messages) {
    sink.ApplySettings(message.settings);
    if (message.plain) {
      sink.ReportPlain(message.text);
    } else {
      sink.Report(message.text, message.level);
    }
  }
}

}  // namespace orv
