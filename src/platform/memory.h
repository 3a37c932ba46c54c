// How the program asks the C library's allocator to use memory.
#pragma once

#include <cstddef>
#include <string>

namespace orv {

// Sets the allocator up for a conversion's memory use. Buffers of 512 KB
// and more (whole texts, large tables and line lists) get mappings of
// their own: what such a buffer reserves but never writes costs no memory,
// and a freed buffer goes back to the system at once instead of lying,
// already touched, in the heap beside the next one. Smaller ones, a
// chunk's rewrites among them (twice a 200 KB chunk), come from the heap:
// a mapping of their own would cost page faults each time a list rewrites
// a chunk. The heap keeps up to 8 MB of
// freed memory at its top for the many small blocks. A conversion's
// helper threads (a second half, the reading ahead) share one allocator
// arena besides the main one: an arena of their own each would hold its
// own freed memory. Does nothing where the allocator has no such
// settings.
void ConfigureAllocator();

// Lets `threads` threads that convert files side by side have an arena
// each (and their helper threads one more), so that they do not wait for
// one another's allocations.
void AllowAllocatorArenas(size_t threads);

// Gives the memory that the allocator holds free, in every arena, back to
// the system, for instance once a thread that allocated much is done: what
// another thread's arena holds is of no use to the threads that stay.
// Costs a walk over the free blocks; does nothing where there is no such
// call.
void ReturnFreeMemory();

// Gives the memory of the whole pages inside [begin, begin + length) back
// to the system; they read as zeros afterwards, so only a stretch of a
// buffer that is never read again may be given (a large text whose front
// has been laid out, say). What is left of a page at either end stays.
// Costs a system call; does nothing where there is no such call.
void ReleasePages(char* begin, size_t length);

// Makes room for `room` bytes in `text`. Room of 8 MB and more is asked to
// be backed by huge pages where the system allows it: a large text written
// from one end to the other then takes a page fault (and a cleared page)
// every 2 MB instead of every 4 KB. Page faults were about a tenth of a
// large file's processor time. What is touched of such room counts in
// 2 MB steps: at most 2 MB more than the text itself.
void ReserveLargeText(std::string& text, size_t room);

}  // namespace orv
