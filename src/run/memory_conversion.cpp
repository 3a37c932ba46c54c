// One document converted in memory: the policy sets of a command-line run
// for `orvtext - -console`, the detag pass reading the caller's bytes, and
// the console output and the log caught in strings.
#include "run/memory_conversion.h"

#include <cstdio>
#include <exception>
#include <sstream>

#include "common/ascii_file.h"
#include "common/messages.h"
#include "convert/detag.h"
#include "convert/fill_detag_options.h"
#include "html/tag_catalogue.h"
#include "policy/policy_set.h"
#include "run/context.h"
#include "run/qualifier_policies.h"

namespace orv {
namespace {

// A message sink whose log is a list of lines: it records what a log file
// would, and shows nothing.
class RecordingSink : public MessageSink {
 public:
  explicit RecordingSink(std::vector<std::string>& lines) : lines_(lines) {
    SetLevelCallback([](const std::string&) {});
    SetPlainCallback([](const std::string&) {});
  }
  bool IsLogOpen() const override { return true; }
  void WriteToLog(std::string_view text) override { lines_.emplace_back(text); }

 private:
  std::vector<std::string>& lines_;
};

// Reads `text` as a policy file into `policies`, as the run loads its
// master policy file: the sections and the set start from their defaults.
void ReadPolicyText(std::string_view text, Context& context, PolicySet& policies) {
  context.ResetAllSections();
  policies.Reset();
  // The text is read through a stream, so its lines are split exactly as a
  // file's are. The stream only reads, whatever its buffer's constness.
  std::FILE* stream =
      text.empty() ? nullptr : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (stream == nullptr) return;
  ASCIIFile reader;
  reader.Push(stream, "");
  std::string error_text;
  policies.ReadPolicyFile(reader, error_text);
  reader.Close();
}

bool Convert(const MemoryConversionRequest& request, Context& context, std::string& output) {
  // What the command line `orvtext - -console [-detag] [policies.pol]`
  // leaves in the run context.
  context.SetEcho(false);
  QualifierSettings& q = context.Qualifiers();
  q.console = true;
  q.detag = request.markup_removal;

  // The master set: the policy file, with the qualifiers written over it;
  // the output set: the master set merged with its set flags.
  PolicySet master;
  AttachWithQualifiers(context, master);
  if (!request.policy_text.empty()) ReadPolicyText(request.policy_text, context, master);
  AttachWithQualifiers(context, master);
  PolicySet output_set;
  AttachWithQualifiers(context, output_set);
  output_set.Merge(master, true);

  DetagRequest detag;
  detag.input_path = request.name;
  detag.output_path = request.name;
  detag.input_text = request.html;
  detag.header_file_name = request.name;
  detag.console = true;

  const TagCatalogue catalogue;
  DetagPass pass(catalogue);
  if (request.timestamp_source) pass.SetTimestampSource(request.timestamp_source);
  std::ostringstream stream;
  ASCIIFile out;
  out.SetConsoleStream(&stream);
  const bool ok = pass.ConvertFile(
      FillDetagOptions(output_set), detag, out,
      [&output_set](const std::string& message, int level) { output_set.Report(message, level); });
  out.Close();
  output = std::move(stream).str();
  return ok;
}

}  // namespace

MemoryConversionResult ConvertInMemory(const MemoryConversionRequest& request) {
  MemoryConversionResult result;
  RecordingSink sink(result.messages);
  try {
    Context context(sink);
    result.ok = Convert(request, context, result.output);
  } catch (const std::exception& failure) {
    // Out of memory, mostly: the caller hears of it as a failed conversion.
    result.ok = false;
    result.output.clear();
    result.messages.push_back(std::string("ERROR: Conversion failed: ") + failure.what());
  }
  return result;
}

}  // namespace orv
