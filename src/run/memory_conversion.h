// Converting one document held in memory, for callers that are not the
// command line (a library, a Python module, the standard-input filter):
// the policies come from a policy file's text or are the defaults, and the
// output and the messages come back as strings. It lives with the run
// because the policy sets are built exactly as a command-line run builds
// them (the master set from the policy file, the qualifiers written over
// it), so the bytes equal what `orvtext - -console` writes for the same
// document and policies; the detag pass itself is the one that converts
// files (convert/detag.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct MemoryConversionRequest {
  // The document's bytes, in any of the encodings a file may have.
  std::string_view html;
  // The text of a policy file; "" converts under the default policies.
  // Include and switch lines in it are taken relative to the current
  // directory.
  std::string_view policy_text;
  // Markup removal (the -detag qualifier): selected markup goes and the
  // output is HTML. Otherwise the output is laid-out text.
  bool markup_removal = false;
  // The file name the text header shows, and the name messages give the
  // document ("" none; the program's standard-input filter gives
  // "(standard input)").
  std::string name;
  // Where the text header's date comes from; empty: the local time now.
  std::function<std::string()> timestamp_source;
};

struct MemoryConversionResult {
  // False when the document could not be converted; `messages` say why.
  bool ok = false;
  // The converted document, byte for byte what the program writes.
  std::string output;
  // What a log file of the conversion would record, in order: every
  // message the message policies do not suppress by kind, whatever its
  // level ("POLICY:" lines for refused policy lines among them).
  std::vector<std::string> messages;
};

// Converts one document. Touches no file: no log, no policy file is
// written, nothing is read but what the policies name (a fragments file,
// policy include files). Every call builds its own policy sets, catalogue
// and pass, so calls may run at the same time on different threads. The
// cost beyond the conversion itself is reading the policies and building
// the pattern lists, about a millisecond: to convert many small documents,
// use a MemoryConverter.
MemoryConversionResult ConvertInMemory(const MemoryConversionRequest& request);

// Converts many documents under one set of policies, keeping the policies
// read and the pattern lists built from one document to the next. Each
// Convert gives exactly what ConvertInMemory gives for the same document,
// policies and mode: every document starts from the state a run starts
// from, and its messages begin with those of reading the policy text. A
// converter is used by one thread at a time; converters on different
// threads share nothing.
class MemoryConverter {
 public:
  // `policy_text` and `markup_removal` as in MemoryConversionRequest.
  MemoryConverter(std::string_view policy_text, bool markup_removal);
  ~MemoryConverter();
  MemoryConverter(const MemoryConverter&) = delete;
  MemoryConverter& operator=(const MemoryConverter&) = delete;

  // `name` and `timestamp_source` as in MemoryConversionRequest.
  MemoryConversionResult Convert(std::string_view html, const std::string& name = "",
                                 const std::function<std::string()>& timestamp_source = {});

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace orv
