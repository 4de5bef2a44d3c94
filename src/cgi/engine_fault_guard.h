// A page that ends even when the search library crashes. The library reads
// the index's files as they are, and on a damaged file it may fault
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL) or abort instead of answering: without a
// guard the process dies without a byte of its page.
//
// Engine work runs through run_guarding_faults(): a fault on the guarded
// thread jumps back out of it, so that the request driver can report the
// index as not accessible (62) and end the page with its tail. From then on
// the library's state cannot be trusted: nothing of it is released, and a
// process that serves many requests ends after this one so that a clean one
// takes its place.
//
// A fault that no guard can take back (on another thread, or while the page
// is being ended) goes to the handler given at preparation, which ends the
// page with what it can write without formatting or allocating, and the
// process.
#pragma once

namespace zeb {

// Installs the handlers, on a stack of their own (a fault may be the stack
// running out). Not under AddressSanitizer, whose own report of the fault
// is worth more there. False when they cannot be installed.
bool prepare_fault_guard(void (*on_stray_fault)(int signal));

// Runs `body(context)`. Returns true when it ran to its end, false when a
// fault ended it. `body` is left by a jump: what it (or what it calls)
// created is abandoned, neither destroyed nor freed.
bool run_guarding_faults(void (*body)(void* context), void* context);

// Whether a fault has been taken back since the process started.
bool fault_taken_back();

}  // namespace zeb
