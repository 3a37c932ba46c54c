// The temporary files that outputs are written to before they are renamed
// into place (common/ascii_file.h), listed where a signal handler can find
// them: on SIGINT, SIGTERM or a broken pipe the program removes them before
// it ends, so an interrupted run leaves neither half-written outputs nor
// temporary files behind. This is the one program-wide list, because a
// signal handler can reach nothing else; it is safe to use from any thread.
#pragma once

#include <string_view>

namespace orv {

// Lists `path` (at most kMaxTemporaryPath bytes); returns its slot, or -1
// when the list is full or the path too long (the file is then written as
// usual but not removed on a signal).
int ListTemporaryFile(std::string_view path);
// Takes the file of `slot` off the list (no-op for -1).
void UnlistTemporaryFile(int slot);
// Removes every listed file. Async-signal-safe: calls only unlink.
void RemoveListedTemporaryFiles();

inline constexpr int kMaxTemporaryFiles = 512;
inline constexpr int kMaxTemporaryPath = 4095;

}  // namespace orv
