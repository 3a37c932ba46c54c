// One document through the detag pass into a line list, the way the run
// converts a file, with options chosen from the input's first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/detag.h"
#include "fuzz_support.h"
#include "html/tag_catalogue.h"

namespace orv::fuzz {

// Sixteen sets of options, each with a pass of its own that keeps its
// pattern lists between inputs as a batch keeps them between files: the
// first byte of an input picks one, the rest is the document. (Options
// drawn afresh for every input would rebuild every list every time.)
inline constexpr int kPresets = 16;
// The preset whose documents go through a file.
inline constexpr int kFilePreset = 1;

inline void ConvertFuzzedDocument(const uint8_t* bytes, size_t size, bool text_mode) {
  struct Preset {
    DetagOptions options;
    std::unique_ptr<DetagPass> pass;
  };
  static const TagCatalogue catalogue;
  static std::vector<Preset> presets = [text_mode] {
    std::vector<Preset> made;
    for (int i = 0; i < kPresets; ++i) {
      // Fixed bytes per preset, the first preset keeping the defaults.
      std::vector<uint8_t> seed(64);
      for (size_t k = 0; k < seed.size(); ++k) seed[k] = static_cast<uint8_t>(i * 37 + k * 11);
      FuzzedDataProvider choice(seed.data(), i == 0 ? 0 : seed.size());
      DetagOptions options = ChooseOptions(choice, text_mode);
      if (i == 0) {
        options = DetagOptions();
        options.remove_all_tags = text_mode;
        options.ApplyDependentRules();
      }
      made.push_back({options, std::make_unique<DetagPass>(catalogue)});
    }
    return made;
  }();
  if (size == 0) return;
  Preset& preset = presets[bytes[0] % kPresets];
  const DetagOptions& options = preset.options;
  DetagPass& pass = *preset.pass;
  const std::string_view document(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  // The document is converted from memory, except under one preset, which
  // reads it from a file so that file reading stays fuzzed too.
  const std::string input = ScratchFolder() + "in.htm";
  DetagRequest request;
  if (bytes[0] % kPresets == kFilePreset) {
    WriteFile(input, document);
  } else {
    request.input_text = document;
  }

  std::vector<std::string> lines;
  request.input_path = input;
  request.output_path = ScratchFolder() + "in.txt";
  request.line_list = &lines;
  ASCIIFile output;
  output.AttachLineList(&lines);
  pass.ConvertFile(options, request, output, [](const std::string&, int) {});
  output.Close();
  output.DetachLineList();
}

}  // namespace orv::fuzz
