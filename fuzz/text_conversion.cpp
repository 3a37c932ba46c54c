// Fuzz target: a document converted to text.
#include "conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  orv::fuzz::ConvertFuzzedDocument(bytes, size, /*text_mode=*/true);
  return 0;
}
