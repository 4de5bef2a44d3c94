#include "cgi/process_end.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace zeb {
namespace {

// Runs end_process(status) in a child whose stream to a pipe still holds
// `text` unwritten; returns what reached the pipe and sets the exit status.
std::string output_of_child(const char* text, int status, int& exit_status) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    FILE* stream = fdopen(fds[1], "w");
    if (stream == nullptr) _exit(99);
    setvbuf(stream, nullptr, _IOFBF, 4096);  // held in the buffer until flushed
    fputs(text, stream);
    end_process(status);
  }
  close(fds[1]);
  std::string got;
  char block[256];
  for (ssize_t n; (n = read(fds[0], block, sizeof block)) > 0;) got.append(block, n);
  close(fds[0]);
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  exit_status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return got;
}

TEST(ProcessEnd, BufferedOutputArrivesAndTheStatusIsKept) {
  int exit_status = -1;
  EXPECT_EQ(output_of_child("</BODY></HTML>\n", 0, exit_status), "</BODY></HTML>\n");
  EXPECT_EQ(exit_status, 0);
  EXPECT_EQ(output_of_child("<P>An invalid search form", 1, exit_status),
            "<P>An invalid search form");
  EXPECT_EQ(exit_status, 1);
}

}  // namespace
}  // namespace zeb
