// Test helper for the list, heading and emphasis handlers: runs a document
// through a detag pass as the program does (chunk pass, whole-text pass,
// line layout) and keeps the messages, so tests can look at the marked-up
// text of the chunk pass or at the laid-out lines.
#pragma once

#include <string>
#include <vector>

#include "convert/detag.h"
#include "html/tag_catalogue.h"
#include "textout/layout.h"

namespace orv::testing {

struct ConvertedText {
  TagCatalogue catalogue;
  DetagPass pass{catalogue};
  std::vector<std::string> messages;

  explicit ConvertedText(DetagOptions options = {}) {
    pass.BeginFile(options, DetagRequest{},
                   [this](const std::string& message, int) { messages.push_back(message); });
  }

  // The chunk pass alone: list, heading and emphasis tags become marks,
  // statements and plain text.
  std::string Chunk(std::string html, int number = 1) {
    pass.ChunkPass(number, html);
    return html;
  }

  // The laid-out lines of `html`, trailing empty lines dropped.
  std::vector<std::string> Lines(std::string html) {
    pass.ChunkPass(1, html);
    pass.WholeTextPass(html);
    LayoutFileInputs inputs;
    inputs.typical_line_length = pass.AverageLineLength();
    ProgramLayoutState state;
    std::vector<std::string> lines = LayOutText(html, pass.Options(), inputs, state);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }

  // Messages that begin with "PROGRAM ERROR:".
  std::vector<std::string> ProgramErrors() const {
    std::vector<std::string> errors;
    for (const std::string& message : messages)
      if (message.rfind("PROGRAM ERROR:", 0) == 0) errors.push_back(message);
    return errors;
  }
};

}  // namespace orv::testing
