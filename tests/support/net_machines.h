// Machines for the tests of shards spread over hosts: network namespaces
// that the test makes and removes. One namespace is the search host: the
// test process enters it, so every zebsrch and zebadm it starts runs there.
// Each other namespace is one machine, joined to a bridge in the search
// host by a veth pair, with an address of its own in 10.231.24.0/24 (the
// search host is .1). No namespace has a route anywhere else, so nothing a
// test sends can leave them.
//
//   NetMachines net(4);
//   if (!net.available()) GTEST_SKIP() << net.why_not();
//   pid_t server = net.start(0, {"/usr/bin/xapian-tcpsrv", ...}, {});
//   net.set_link(1, false);  ...  net.stop(server);
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace zeb::testing {

class NetMachines {
 public:
  explicit NetMachines(size_t machines) {
    const std::string tag = "zebt" + std::to_string(::getpid() % 1000000);
    host_ = tag + "h";
    for (size_t i = 0; i < machines; ++i) machines_.push_back(tag + "m" + std::to_string(i));
    if (!ip("netns add " + host_)) {
      why_not_ = "network namespaces cannot be made here ('ip netns add' failed; root and "
                 "iproute2 are needed)";
      host_.clear();
      machines_.clear();
      return;
    }
    bool made = ip("-n " + host_ + " link set lo up") &&
                ip("-n " + host_ + " link add br0 type bridge") &&
                ip("-n " + host_ + " addr add 10.231.24.1/24 dev br0") &&
                ip("-n " + host_ + " link set br0 up");
    for (size_t i = 0; made && i < machines; ++i) {
      const std::string& name = machines_[i];
      const std::string end = "v" + std::to_string(i);
      made = ip("netns add " + name) && ip("-n " + name + " link set lo up") &&
             ip("-n " + host_ + " link add " + end + " type veth peer name eth0 netns " + name) &&
             ip("-n " + host_ + " link set " + end + " master br0 up") &&
             ip("-n " + name + " addr add " + address(i) + "/24 dev eth0") &&
             ip("-n " + name + " link set eth0 up");
    }
    home_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int host = ::open(("/run/netns/" + host_).c_str(), O_RDONLY | O_CLOEXEC);
    made = made && home_ >= 0 && host >= 0 && ::setns(host, CLONE_NEWNET) == 0;
    if (host >= 0) ::close(host);
    if (!made) why_not_ = "the test's network namespaces could not be set up";
    available_ = made;
  }

  ~NetMachines() {
    for (pid_t group : groups_) {
      ::kill(-group, SIGKILL);
      ::waitpid(group, nullptr, 0);
    }
    if (home_ >= 0) {
      ::setns(home_, CLONE_NEWNET);
      ::close(home_);
    }
    for (const std::string& name : machines_) ip("netns del " + name);
    if (!host_.empty()) ip("netns del " + host_);
  }
  NetMachines(const NetMachines&) = delete;
  NetMachines& operator=(const NetMachines&) = delete;

  bool available() const { return available_; }
  const std::string& why_not() const { return why_not_; }
  std::string address(size_t machine) const {
    return "10.231.24." + std::to_string(11 + machine);
  }

  // Starts `argv` on `machine` with the environment `env`, its output
  // thrown away, in a process group of its own that dies with the test.
  pid_t start(size_t machine, std::vector<std::string> argv, std::vector<std::string> env) {
    const int ns = ::open(("/run/netns/" + machines_[machine]).c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0) return -1;
    std::vector<char*> args, vars;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    for (std::string& var : env) vars.push_back(var.data());
    vars.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setpgid(0, 0);
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent || ::setns(ns, CLONE_NEWNET) != 0) ::_exit(127);
      const int quiet = ::open("/dev/null", O_RDWR);
      ::dup2(quiet, STDIN_FILENO);
      ::dup2(quiet, STDOUT_FILENO);
      ::dup2(quiet, STDERR_FILENO);
      ::execve(args[0], args.data(), vars.data());
      ::_exit(127);
    }
    ::close(ns);
    if (pid > 0) {
      ::setpgid(pid, pid);
      groups_.push_back(pid);
    }
    return pid;
  }

  // Signals the process group `pid` started; SIGKILL also reaps it.
  void signal(pid_t pid, int sig) {
    ::kill(-pid, sig);
    if (sig != SIGKILL) return;
    ::waitpid(pid, nullptr, 0);
    for (auto it = groups_.begin(); it != groups_.end(); ++it)
      if (*it == pid) {
        groups_.erase(it);
        break;
      }
  }

  // The machine's network link, as if its cable were pulled or put back.
  bool set_link(size_t machine, bool up) {
    return ip("-n " + machines_[machine] + " link set eth0 " + (up ? "up" : "down"));
  }

 private:
  static bool ip(const std::string& args) {
    return std::system(("ip " + args + " >/dev/null 2>&1").c_str()) == 0;
  }

  std::string host_;
  std::vector<std::string> machines_;
  std::vector<pid_t> groups_;
  int home_ = -1;
  bool available_ = false;
  std::string why_not_;
};

}  // namespace zeb::testing
