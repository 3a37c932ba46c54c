// Times ReadPolicyFile on generated 100,000-line policy files: a realistic
// file (every policy once, then comments, headers and composite lines) and
// a worst case in which every line repeats a policy and draws two reports.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "policy/policy_set.h"
#include "common/ascii_file.h"
#include "run/context.h"

namespace {

constexpr int kLines = 100000;

double ReadSeconds(const std::string& path, bool& ok, std::string& error) {
  orv::Context context;
  std::ostringstream discard;
  context.Sink().SetStreams(&discard, &discard);
  orv::PolicySet set;
  set.AttachContext(&context);
  auto start = std::chrono::steady_clock::now();
  orv::ASCIIFile reader;
  reader.OpenRead(path);
  ok = set.ReadPolicyFile(reader, error);
  reader.Close();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvbenchXXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  const std::string folder = pattern + "/";

  // Realistic: every written policy once, then a mix of other line kinds.
  std::vector<std::string> lines;
  {
    orv::Context context;
    orv::PolicySet set;
    set.AttachContext(&context);
    for (size_t i = 0; i < orv::kEnginePolicyCount; ++i) set.Engine(static_cast<orv::EnginePolicy>(i)).MarkSet(true);
    orv::ASCIIFile out;
    out.AttachLineList(&lines);
    set.WritePolicyFile(out, true);
  }
  int n = 0;
  while (static_cast<int>(lines.size()) < kLines) {
    switch (n++ % 4) {
      case 0: lines.push_back("! comment line " + std::to_string(n)); break;
      case 1: lines.push_back(""); break;
      case 2: lines.push_back("[General Analysis]"); break;
      default: lines.push_back("Indent position(s)   :  " + std::to_string(n % 40) + " 8 12"); break;
    }
  }
  std::ofstream(folder + "realistic.pol") << [&] {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
  }();

  // Worst case: the same policy again and again.
  {
    std::ofstream repeats(folder + "repeats.pol");
    for (int i = 0; i < kLines; ++i) repeats << "Target   Page width :  " << (i % 90) << "\n";
  }

  bool ok = false;
  std::string error;
  double realistic = ReadSeconds(folder + "realistic.pol", ok, error);
  std::printf("realistic file, %d lines: %.3f s (read %s)\n", kLines, realistic, ok ? "ok" : "failed");
  double repeats = ReadSeconds(folder + "repeats.pol", ok, error);
  std::printf("repeated lines, %d lines: %.3f s (read %s, as expected)\n", kLines, repeats,
              ok ? "ok" : "failed");
  std::filesystem::remove_all(folder);
  return 0;
}
