// How a CGI process of zebsrch ends, once its page is closed and its engine
// objects are released. A normal exit would still run the destructors and
// finalizers of every library's static objects and give back memory the
// kernel takes back anyway: code that nothing else in the process touches,
// so it comes from cold pages and costs each search tens of microseconds.
// The process flushes whatever stream may still hold output and leaves at
// once instead.
//
// Under AddressSanitizer it exits normally, so that the leak check runs.
#pragma once

namespace zeb {

[[noreturn]] void end_process(int status);

}  // namespace zeb
