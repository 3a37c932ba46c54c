// Fuzz target: a document converted to text twice, once on one thread with
// its chunks in order, and once with everything that may run side by side
// forced on for any size (the two stages of the chunk pass, the halves of
// the re-joining and of the marks, the two halves of the layout), both
// with small chunks. The lines and the messages must be the same; a
// difference stops the run with both shown.
#include <cstdio>
#include <cstdlib>

#include "conversion.h"

namespace {

struct Conversion {
  std::vector<std::string> lines;
  std::vector<std::string> messages;
  bool operator==(const Conversion&) const = default;
};

Conversion Convert(orv::DetagPass& pass, const orv::DetagOptions& options,
                   std::string_view document) {
  Conversion result;
  orv::DetagRequest request;
  request.input_text = document;
  request.input_path = orv::fuzz::ScratchFolder() + "in.htm";
  request.output_path = orv::fuzz::ScratchFolder() + "in.txt";
  request.line_list = &result.lines;
  orv::ASCIIFile output;
  output.AttachLineList(&result.lines);
  pass.ConvertFile(options, request, output, [&result](const std::string& message, int level) {
    result.messages.push_back(std::to_string(level) + " " + message);
  });
  output.Close();
  output.DetachLineList();
  return result;
}

void Show(const char* name, const Conversion& conversion) {
  std::fprintf(stderr, "--- %s\n", name);
  for (const std::string& line : conversion.lines) std::fprintf(stderr, "%s\n", line.c_str());
  for (const std::string& message : conversion.messages)
    std::fprintf(stderr, "# %s\n", message.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  // Four sets of options (the first the defaults), each with its pair of
  // passes; both passes of a pair see every input, so what one file
  // leaves to the next is the same for both.
  struct Pair {
    orv::DetagOptions options;
    std::unique_ptr<orv::DetagPass> alone, side_by_side;
  };
  static const orv::TagCatalogue catalogue;
  static std::vector<Pair> pairs = [] {
    std::vector<Pair> made;
    for (int i = 0; i < 4; ++i) {
      std::vector<uint8_t> seed(64);
      for (size_t k = 0; k < seed.size(); ++k) seed[k] = static_cast<uint8_t>(i * 53 + k * 7);
      FuzzedDataProvider choice(seed.data(), i == 0 ? 0 : seed.size());
      orv::DetagOptions options = orv::fuzz::ChooseOptions(choice, /*text_mode=*/true);
      if (i == 0) {
        options = orv::DetagOptions();
        options.remove_all_tags = true;
        options.ApplyDependentRules();
      }
      Pair pair{options, std::make_unique<orv::DetagPass>(catalogue),
                std::make_unique<orv::DetagPass>(catalogue)};
      pair.alone->SetSideBySideStages(false);
      pair.alone->SetChunkingForTests(64, false);
      pair.side_by_side->SetChunkingForTests(64, true);
      for (orv::DetagPass* pass : {pair.alone.get(), pair.side_by_side.get()})
        pass->SetTimestampSource([] { return std::string("the time"); });
      made.push_back(std::move(pair));
    }
    return made;
  }();
  if (size == 0) return 0;
  Pair& pair = pairs[bytes[0] % pairs.size()];
  const std::string_view document(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  const Conversion alone = Convert(*pair.alone, pair.options, document);
  const Conversion side_by_side = Convert(*pair.side_by_side, pair.options, document);
  if (!(alone == side_by_side)) {
    Show("one thread, in order", alone);
    Show("side by side", side_by_side);
    std::abort();
  }
  return 0;
}
