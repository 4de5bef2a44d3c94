// zebsrch as a FastCGI application: started by a process manager (the web
// server) with a listening socket as standard input, it serves request after
// request, each exactly as the CGI serves its one request.
//
// Each request runs the unchanged request driver over its own streams
// (cgi/fastcgi_streams.h) with the request's variables as the whole
// environment, so its page is byte for byte the page the CGI writes for the
// same variables, body and files; the driver's exit status becomes the
// request's. Nothing of a request outlives it: the driver releases the
// record, the form entries and every search engine object at the page tail,
// and the back end reads the catalogue and opens the indexes anew for every
// session, as the page frame and the result table read the templates, the
// look-up table and the spelling file anew: whatever zebadm or the site
// changes shows on the next request. Only the back end's connections to
// shard servers are kept for the next session, which brings them to the
// shards' latest revision first (backend/shard_pool.h).
//
// Faults stay with their request. A client that leaves makes the writes of
// its page fail, never the process (SIGPIPE is ignored). A request that
// uses kRequestCpuBound of processor time ends its page as the CGI does at
// its processor limit (the code-12 line and the closing tags), is finished
// with status 0, and takes its process with it: the search it interrupts
// cannot be abandoned safely, and the web server starts a new process.
//
// A request whose records stop coming for kFastcgiReadTimeout is given up
// (cgi/fastcgi_read_timeout.cc); the process's environment may set another
// wait, ZEBSRCH_READ_TIMEOUT seconds (1 to 3600).
#pragma once

#include <chrono>

namespace zeb {

constexpr std::chrono::seconds kFastcgiReadTimeout{5};

// Takes ZEBSRCH_READ_TIMEOUT from the process's environment, which the
// loop empties before it accepts the first connection.
void prepare_fastcgi_read_timeout();

// True when standard input is a listening socket: how a FastCGI process
// manager starts its applications.
bool listening_on_stdin();

// Serves requests until the socket fails or SIGUSR1 asks the process to
// stop after the request under way; returns the process exit status.
int serve_fastcgi();

}  // namespace zeb
