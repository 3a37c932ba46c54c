// One document converted in memory: the policy sets of a command-line run
// for `orvtext - -console`, the detag pass reading the caller's bytes, and
// the console output and the log caught in strings.
#include "run/memory_conversion.h"

#include <cstdio>
#include <exception>
#include <memory>
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

}  // namespace

// What a converter keeps between documents: its own message record,
// context and master policies, and the pass with its pattern lists.
struct MemoryConverter::State {
  std::vector<std::string> messages;
  RecordingSink sink{messages};
  Context context{sink};
  PolicySet master;
  // What reading the policy text reported; every result starts with it.
  std::vector<std::string> policy_messages;
  TagCatalogue catalogue;
  std::unique_ptr<DetagPass> pass;
};

MemoryConverter::MemoryConverter(std::string_view policy_text, bool markup_removal)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  // What the command line `orvtext - -console [-detag] [policies.pol]`
  // leaves in the run context.
  s.context.SetEcho(false);
  QualifierSettings& q = s.context.Qualifiers();
  q.console = true;
  q.detag = markup_removal;
  // The master set: the policy file, with the qualifiers written over it.
  AttachWithQualifiers(s.context, s.master);
  if (!policy_text.empty()) ReadPolicyText(policy_text, s.context, s.master);
  AttachWithQualifiers(s.context, s.master);
  s.policy_messages.swap(s.messages);
  s.pass = std::make_unique<DetagPass>(s.catalogue);
}

MemoryConverter::~MemoryConverter() = default;

MemoryConversionResult MemoryConverter::Convert(
    std::string_view html, const std::string& name,
    const std::function<std::string()>& timestamp_source) {
  State& s = *state_;
  MemoryConversionResult result;
  s.messages = s.policy_messages;
  try {
    // The output set: the master set merged with its set flags, afresh for
    // every document, as the run builds it for every file.
    PolicySet output_set;
    AttachWithQualifiers(s.context, output_set);
    output_set.Merge(s.master, true);

    DetagRequest detag;
    detag.input_path = name;
    detag.output_path = name;
    detag.input_text = html;
    detag.header_file_name = name;
    detag.console = true;

    // Every document starts from the layout state a run starts from.
    s.pass->MutableLayoutState() = ProgramLayoutState{};
    s.pass->SetTimestampSource(timestamp_source);
    std::ostringstream stream;
    ASCIIFile out;
    out.SetConsoleStream(&stream);
    result.ok = s.pass->ConvertFile(FillDetagOptions(output_set), detag, out,
                                    [&output_set](const std::string& message, int level) {
                                      output_set.Report(message, level);
                                    });
    out.Close();
    result.output = std::move(stream).str();
  } catch (const std::exception& failure) {
    // Out of memory, mostly: the caller hears of it as a failed conversion,
    // and the next document gets a pass that starts clean.
    result.ok = false;
    result.output.clear();
    s.messages.push_back(std::string("ERROR: Conversion failed: ") + failure.what());
    s.pass = std::make_unique<DetagPass>(s.catalogue);
  }
  result.messages.swap(s.messages);
  return result;
}

MemoryConversionResult ConvertInMemory(const MemoryConversionRequest& request) {
  try {
    MemoryConverter converter(request.policy_text, request.markup_removal);
    return converter.Convert(request.html, request.name, request.timestamp_source);
  } catch (const std::exception& failure) {
    MemoryConversionResult result;
    result.messages.push_back(std::string("ERROR: Conversion failed: ") + failure.what());
    return result;
  }
}

}  // namespace orv
