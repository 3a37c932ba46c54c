// A fixed table of slots, each a state word and a path buffer, so that the
// signal handler needs no allocation and no lock.
#include "common/temporary_files.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace orv {
namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kListed = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  char path[kMaxTemporaryPath + 1];
};

Slot g_slots[kMaxTemporaryFiles];

}  // namespace

int ListTemporaryFile(std::string_view path) {
  if (path.empty() || path.size() > static_cast<size_t>(kMaxTemporaryPath)) return -1;
  for (int i = 0; i < kMaxTemporaryFiles; ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(g_slots[i].path, path.data(), path.size());
    g_slots[i].path[path.size()] = '\0';
    g_slots[i].state.store(kListed);
    return i;
  }
  return -1;
}

void UnlistTemporaryFile(int slot) {
  if (slot < 0 || slot >= kMaxTemporaryFiles) return;
  g_slots[slot].state.store(kFree);
}

void RemoveListedTemporaryFiles() {
  for (Slot& slot : g_slots)
    if (slot.state.load() == kListed) unlink(slot.path);
}

}  // namespace orv
