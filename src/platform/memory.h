// How the program asks the C library's allocator to hold on to memory.
#pragma once

namespace orv {

// A conversion rewrites its text many times, each time into a new buffer of
// the text's size. By default the allocator hands such buffers back to the
// system when they are freed and takes them again (zeroed, page by page)
// for the next one; asked to keep them, it reuses the same memory. Peak
// memory stays the same; freed memory is held until the program ends.
// Does nothing where the allocator has no such settings.
void KeepFreedMemory();

}  // namespace orv
