// A document converted by a pass of its own, in chunks of a given size, on
// one thread or with every step that may run side by side forced on, with
// a fixed time stamp: the two ways a file can go, for tests that compare
// them.
#pragma once

#include <string>

#include "convert/detag.h"

namespace orv::testing {

// Converts `input` to `output_path` in chunks of `chunk_limit` bytes (0:
// the usual size); `report` gets the messages. Returns whether the file
// was converted.
inline bool ConvertInChunks(const std::string& input, const std::string& output_path,
                            size_t chunk_limit, bool side_by_side, const DetagOptions& options,
                            const ReportFunction& report) {
  TagCatalogue catalogue;
  DetagPass pass(catalogue);
  pass.SetSideBySideStages(side_by_side);
  pass.SetChunkingForTests(chunk_limit, side_by_side);
  pass.SetTimestampSource([] { return std::string("2026-01-01 00:00:00"); });
  ASCIIFile output;
  DetagRequest request;
  request.input_path = input;
  request.output_path = output_path;
  const bool ok = pass.ConvertFile(options, request, output, report);
  output.Close();
  return ok;
}

}  // namespace orv::testing
