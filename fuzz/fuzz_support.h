// What the fuzz targets share: a scratch folder of their own under /dev/shm
// (or /tmp), files written into it, and the choice of detag options from
// the first bytes of an input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "html/detag_options.h"

namespace orv::fuzz {

// A folder for this process, made once and kept for its life.
inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string path = std::string(base) + "/orvtext-fuzz-" + std::to_string(getpid());
    std::string command = "mkdir -p '" + path + "'";
    if (std::system(command.c_str()) != 0) std::abort();
    return path + "/";
  }();
  return folder;
}

// Writes `bytes` to `path`, replacing what it held.
inline void WriteFile(const std::string& path, std::string_view bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Options from the provider's first bytes: the choices that send a
// document down different paths of the conversion.
inline DetagOptions ChooseOptions(FuzzedDataProvider& data, bool text_mode) {
  DetagOptions o;
  o.remove_all_tags = text_mode;
  o.remove_head = data.ConsumeBool();
  o.remove_comments = data.ConsumeBool();
  o.remove_script = data.ConsumeBool();
  o.remove_font = data.ConsumeBool();
  o.remove_span = data.ConsumeBool();
  o.remove_non_standard_tags = data.ConsumeBool();
  o.remove_non_standard_attributes = data.ConsumeBool();
  o.remove_office_tags = data.ConsumeBool();
  o.remove_table_tags = data.ConsumeBool();
  o.remove_p_from_tables = data.ConsumeBool();
  o.tags_to_upper = data.ConsumeBool();
  o.tags_to_lower = data.ConsumeBool();
  o.replace_entities = data.ConsumeBool();
  o.right_justify = data.ConsumeBool();
  o.paragraph_on_single_line = data.ConsumeBool();
  o.preserve_short_lines = data.ConsumeBool();
  o.sentence_gap = data.ConsumeBool();
  o.look_for_dialogue = data.ConsumeBool();
  o.highlight_emphasis = data.ConsumeBool();
  o.add_url_references = data.ConsumeBool();
  o.display_link_urls = data.ConsumeBool();
  o.parse_tables = data.ConsumeBool();
  o.innermost_tables_only = data.ConsumeBool();
  o.table_format = data.ConsumeIntegralInRange(-1, 5);
  o.page_width = data.ConsumeIntegralInRange(0, 300);
  o.table_indent = data.ConsumeIntegralInRange(0, 20);
  o.ApplyDependentRules();
  return o;
}

}  // namespace orv::fuzz
