// Two pieces of work on two threads: the second on a thread of its own,
// the first on the calling one.
#pragma once

#include <functional>

namespace orv {

// Runs `second` on a thread of its own while `first` runs on this one, and
// waits for both. An exception from either comes out here (the first's
// when both throw). Returns false, having run neither, when no thread can
// be had; the caller then does the work on its own.
bool RunSideBySide(const std::function<void()>& first, const std::function<void()>& second);

}  // namespace orv
