// Fuzz target: a document through markup removal.
#include "conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  orv::fuzz::ConvertFuzzedDocument(bytes, size, /*text_mode=*/false);
  return 0;
}
