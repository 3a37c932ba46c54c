// Messages kept for later: a sink that records every report with the
// settings it was made under, and the replay that hands them to another
// sink, which then filters, shows and logs them exactly as if they had
// been reported to it at the time. A batch converted on several threads
// records each file's messages and replays them in batch order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/messages.h"

namespace orv {

struct RecordedMessage {
  bool plain = false;  // a plain (progress) report, else a levelled one
  std::string text;
  int level = 0;
  SinkSettings settings;  // the reporting set's settings at the time
};

class MessageRecord : public MessageSink {
 public:
  void Report(std::string_view message, int level) override;
  void ReportPlain(std::string_view message) override;

  // Hands the messages over, leaving the record empty.
  std::vector<RecordedMessage> Take();

 private:
  std::vector<RecordedMessage> messages_;
};

// Reports `messages` to `sink` in order, each under its own settings.
void Replay(const std::vector<RecordedMessage>& messages, MessageSink& sink);

}  // namespace orv
