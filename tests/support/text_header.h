// Helpers for tests that read text outputs: every text output opens with
// the boxed text header, whose "Create date" line shows the time of the
// conversion. These mask that time, or take the header off to compare the
// body alone.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace orv::testing {

inline constexpr char kUtf8Marker[] = "\xEF\xBB\xBF";
inline constexpr char kMaskedTime[] = "YYYY-MM-DD hh:mm:ss";

// `text` with the time after every "| Create date  : " replaced by
// kMaskedTime (same width, so the box stays closed). A time that is not of
// the form "dddd-dd-dd dd:dd:dd" is left as it is, and the test fails.
inline std::string MaskTimestamp(std::string text) {
  const std::string label = "| Create date  : ";
  const std::string shape = "dddd-dd-dd dd:dd:dd";
  for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
    const size_t time = at + label.size();
    bool ok = time + shape.size() <= text.size();
    for (size_t i = 0; ok && i < shape.size(); ++i) {
      const char c = text[time + i];
      ok = shape[i] == 'd' ? (c >= '0' && c <= '9') : c == shape[i];
    }
    if (!ok) {
      ADD_FAILURE() << "no time stamp after the label in:\n" << text;
      continue;
    }
    text.replace(time, shape.size(), kMaskedTime);
  }
  return text;
}

// The output without its text header (the boxed lines and the empty line
// after them). A UTF-8 marker in front of the header stays in front. When
// there is no header the test fails and the text is returned whole.
inline std::string Body(const std::string& output) {
  const std::string marker = output.starts_with(kUtf8Marker) ? kUtf8Marker : "";
  const size_t end = output.find("-/\n\n", marker.size());
  if (output.compare(marker.size(), 2, "/-") != 0 || end == std::string::npos) {
    ADD_FAILURE() << "no text header in:\n" << output;
    return output;
  }
  return marker + output.substr(end + 4);
}

}  // namespace orv::testing
