// fastcgi_soak: sends one long-lived zebsrch FastCGI process a fixed mix of
// requests, over and over, and watches its memory and descriptors (run by
// bench/fastcgi-soak, not by the tests).
//
//   fastcgi_soak ZEBSRCH SOCKET INSTANCE NAME REQUESTS MIX_FILE
//
// MIX_FILE holds one request a line: the expected exit status, a tab, the
// posted body; a body that starts with "GET " is sent with that method.
// Every answer must be the bytes the same request got the first time (what
// a request leaves behind would change a later page) with the expected exit
// status. Prints resident memory and open descriptors after the first
// request, after request 10,000 and after the last (at most one in ten
// thousand requests a line), and exits 1 when the memory grew by 1 MiB or
// more between request 10,000 and the last, or a descriptor was left open,
// or an answer was wrong.
#include <dirent.h>
#include <sys/syscall.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/fastcgi_client.h"
#include "process_status.h"

namespace {

using zeb::testing::FastcgiAnswer;
using zeb::testing::FastcgiServer;

constexpr long kFirstCheckpoint = 10000;
constexpr long kMaxGrowthKib = 1024;

struct Request {
  int status = 0;
  std::vector<std::string> env;
  std::string body;
};

long resident_kib(pid_t pid) { return zeb::bench::status_kib(pid, "VmRSS:"); }

// Waits until the process waits for its next connection: only then has it
// closed everything of the request before (the connection included, which
// it keeps until the client has closed its end).
void wait_until_idle(pid_t pid) {
  for (int wait = 0; wait < 2000; ++wait) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    file >> number;
    if (number == SYS_accept || number == SYS_accept4) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

long open_descriptors(pid_t pid) {
  const std::string path = "/proc/" + std::to_string(pid) + "/fd";
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return -1;
  long count = 0;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  closedir(dir);
  return count;
}

std::vector<Request> read_mix(const char* file, const std::string& instance,
                              const std::string& name) {
  std::vector<Request> mix;
  std::ifstream lines(file);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t tab = line.find('\t');
    if (line.empty() || tab == std::string::npos) continue;
    Request request;
    request.status = std::atoi(line.substr(0, tab).c_str());
    request.body = line.substr(tab + 1);
    std::string method = "POST";
    if (request.body.rfind("GET ", 0) == 0) {
      method = "GET";
      request.body.erase(0, 4);
    }
    request.env = {"REQUEST_METHOD=" + method, "CONTENT_TYPE=application/x-www-form-urlencoded",
                   "CONTENT_LENGTH=" + std::to_string(request.body.size()),
                   "ZEBINSTSRV=" + instance, "ZEBINST=" + name,
                   "SCRIPT_NAME=/cgi-bin/zebsrch.exe"};
    mix.push_back(std::move(request));
  }
  return mix;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    fprintf(stderr, "usage: fastcgi_soak ZEBSRCH SOCKET INSTANCE NAME REQUESTS MIX_FILE\n");
    return 2;
  }
  const long total = std::atol(argv[5]);
  const std::vector<Request> mix = read_mix(argv[6], argv[3], argv[4]);
  if (mix.empty() || total < kFirstCheckpoint) {
    fprintf(stderr, "fastcgi_soak: no requests in %s, or fewer than %ld to send\n", argv[6],
            kFirstCheckpoint);
    return 2;
  }
  FastcgiServer server(argv[1], argv[2]);
  std::vector<std::string> first_pages(mix.size());
  long checkpoint_kib = 0;
  long first_fds = 0;
  long wrong = 0;
  for (long sent = 1; sent <= total; ++sent) {
    const size_t which = static_cast<size_t>(sent - 1) % mix.size();
    const Request& request = mix[which];
    const FastcgiAnswer answer =
        zeb::testing::fastcgi_request(server.socket(), request.env, request.body);
    if (static_cast<long>(which) == sent - 1) first_pages[which] = answer.out;
    if (answer.app_status != request.status || answer.out != first_pages[which] ||
        answer.out.empty()) {
      if (++wrong <= 5)
        fprintf(stderr, "request %ld: status %d, %zu bytes, not as before: %s\n", sent,
                answer.app_status, answer.out.size(), request.body.c_str());
    }
    if (sent == 1 || sent % kFirstCheckpoint == 0 || sent == total) {
      wait_until_idle(server.pid());
      const long kib = resident_kib(server.pid());
      const long fds = open_descriptors(server.pid());
      printf("after request %7ld: resident %6ld KiB, %ld descriptors open\n", sent, kib, fds);
      fflush(stdout);
      if (sent == 1) first_fds = fds;
      if (sent == kFirstCheckpoint) {
        int listing = 0;
        for (const std::string& page : first_pages)
          if (page.find("top document(s) returned") != std::string::npos) ++listing;
        printf("%d of the %zu requests of the mix list documents\n", listing, mix.size());
      }
      if (sent == kFirstCheckpoint) checkpoint_kib = kib;
      if (sent == total) {
        const long growth = kib - checkpoint_kib;
        printf("growth from request %ld to %ld: %ld KiB (bound: under %ld KiB); "
               "descriptors: %ld then %ld; wrong answers: %ld\n",
               kFirstCheckpoint, total, growth, kMaxGrowthKib, first_fds, fds, wrong);
        const int stopped = server.stop();
        if (stopped != 0) fprintf(stderr, "zebsrch did not stop cleanly: %d\n%s", stopped,
                                  server.err().c_str());
        return growth < kMaxGrowthKib && fds == first_fds && wrong == 0 && stopped == 0 ? 0 : 1;
      }
    }
  }
  return 1;
}
