// Reads of a mapped file that survive the file shrinking under the mapping.
//
// A page of a mapping that lies past the file's end raises SIGBUS when it
// is read, and a file can be cut short at any time by whoever writes it in
// place. A read run through this guard is ended instead: the guard holds a
// SIGBUS handler for the time of the read (restoring the one before it)
// that jumps back out of the read.
#pragma once

namespace zeb {

// Runs `read(context)`. Returns true when it ran to its end, false when a
// bus error ended it. `read` is left by a jump: nothing it (or what it
// calls) creates may need a destructor, and what it wrote before the fault
// stays as it was.
bool read_guarding_bus_errors(void (*read)(void* context), void* context);

}  // namespace zeb
