// Fuzz target: a policy file read into a policy set, which is then written
// out and read back.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "common/ascii_file.h"
#include "common/messages.h"
#include "fuzz_support.h"
#include "policy/policy_set.h"
#include "policy/shared_policies.h"

namespace {

struct Quiet {
  orv::MessageSink sink;
  orv::SharedPolicies shared{&sink};
  std::ostringstream discard;
  Quiet() { sink.SetStreams(&discard, &discard); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace orv;
  static Quiet quiet;
  const std::string path = fuzz::ScratchFolder() + "in.pol";
  fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes), size));
  quiet.shared.ResetAllSections();
  PolicySet set;
  set.AttachContext(&quiet.shared);

  ASCIIFile reader;
  if (reader.OpenRead(path)) {
    std::string error;
    set.ReadPolicyFile(reader, error);
    reader.Close();
  }
  std::vector<std::string> lines;
  ASCIIFile writer;
  writer.AttachLineList(&lines);
  set.WritePolicyFile(writer, /*write_all=*/true);
  writer.Close();

  std::string written;
  for (const std::string& line : lines) written += line + "\n";
  fuzz::WriteFile(path, written);
  PolicySet again;
  again.AttachContext(&quiet.shared);
  if (reader.OpenRead(path)) {
    std::string error;
    again.ReadPolicyFile(reader, error);
    reader.Close();
  }
  quiet.discard.str("");
  return 0;
}
