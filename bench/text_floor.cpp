// The floor a converter is measured against: one pass over the input that
// reads the file, finds each '<' and the '>' after it with memchr, and
// copies the text between tags to an output file. No entities, no layout,
// no policies: nothing a real conversion could do with fewer passes.
// bench/speed_bench.sh prints orvtext's time as a multiple of this one.
//
//   text_floor INPUT OUTPUT                 one file
//   text_floor --batch OUT_FOLDER INPUT...  each input to OUT_FOLDER/NAME.txt
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool ReadWhole(const char* path, std::string& text) {
  std::FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return false;
  text.clear();
  char buffer[1 << 16];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, got);
  const bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

// Writes the text outside tags: everything but each '<' up to its '>'
// (an unclosed '<' drops the rest of the file).
bool WriteText(const std::string& text, const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  const char* at = text.data();
  const char* const end = at + text.size();
  while (at < end) {
    const char* open = static_cast<const char*>(std::memchr(at, '<', end - at));
    const char* stop = open != nullptr ? open : end;
    std::fwrite(at, 1, stop - at, out);
    if (open == nullptr) break;
    const char* close = static_cast<const char*>(std::memchr(open, '>', end - open));
    at = close != nullptr ? close + 1 : end;
  }
  return std::fclose(out) == 0;
}

bool Convert(const char* input, const char* output, std::string& text) {
  if (!ReadWhole(input, text) || !WriteText(text, output)) {
    std::fprintf(stderr, "text_floor: cannot convert %s to %s\n", input, output);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string text;
  if (argc >= 3 && std::strcmp(argv[1], "--batch") == 0) {
    const std::string folder = argv[2];
    bool ok = true;
    for (int i = 3; i < argc; ++i) {
      const char* slash = std::strrchr(argv[i], '/');
      const std::string output = folder + "/" + (slash != nullptr ? slash + 1 : argv[i]) + ".txt";
      ok = Convert(argv[i], output.c_str(), text) && ok;
    }
    return ok ? 0 : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: text_floor INPUT OUTPUT | text_floor --batch OUT_FOLDER INPUT...\n");
    return 2;
  }
  return Convert(argv[1], argv[2], text) ? 0 : 1;
}
