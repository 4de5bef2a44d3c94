// The processor-time bound of each request in a process that serves many
// (FastCGI mode), where a processor limit of the process would count all
// its requests together. A timer on the process's processor clock is armed
// when a request starts and disarmed when it ends; should it run out, its
// signal is SIGXCPU, the signal of the CGI's own processor limit, and the
// handler given ends the request.
//
// The bound is the CGI's soft processor limit: a request is cut at the same
// point in either mode. The budgets of the search keep every request that
// they foresee far below it (src/backend/search_bounds.h).
#pragma once

#include <chrono>

namespace zeb {

constexpr std::chrono::milliseconds kRequestCpuBound{5000};

// Creates the timer and makes `on_limit` the handler of its signal. False
// when no timer can be had: requests then run without a bound.
bool prepare_request_cpu_limit(void (*on_limit)(int));

// The request now under way may use `bound` of processor time from here.
void arm_request_cpu_limit(std::chrono::milliseconds bound = kRequestCpuBound);

// The request has ended; its bound no longer applies.
void disarm_request_cpu_limit();

}  // namespace zeb
