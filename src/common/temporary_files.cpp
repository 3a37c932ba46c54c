// A fixed table of slots, each a state word and a path buffer, so that the
// signal handler needs no allocation and no lock. The state words lie
// together, apart from the paths: looking for a free or listed slot then
// reads one small array, and the 2 MB of path room is never touched (nor
// paid for in memory) beyond the paths actually written.
#include "common/temporary_files.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace orv {
namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kListed = 2 };

std::atomic<int> g_states[kMaxTemporaryFiles];
char g_paths[kMaxTemporaryFiles][kMaxTemporaryPath + 1];

}  // namespace

int ListTemporaryFile(std::string_view path) {
  if (path.empty() || path.size() > static_cast<size_t>(kMaxTemporaryPath)) return -1;
  for (int i = 0; i < kMaxTemporaryFiles; ++i) {
    int expected = kFree;
    if (!g_states[i].compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(g_paths[i], path.data(), path.size());
    g_paths[i][path.size()] = '\0';
    g_states[i].store(kListed);
    return i;
  }
  return -1;
}

void UnlistTemporaryFile(int slot) {
  if (slot < 0 || slot >= kMaxTemporaryFiles) return;
  g_states[slot].store(kFree);
}

void RemoveListedTemporaryFiles() {
  for (int i = 0; i < kMaxTemporaryFiles; ++i)
    if (g_states[i].load() == kListed) unlink(g_paths[i]);
}

}  // namespace orv
