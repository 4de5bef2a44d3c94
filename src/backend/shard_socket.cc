#include "backend/shard_socket.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "backend/index_opener.h"

namespace zeb::backend {

namespace {

// Both ends of a connected socket; false for anything else.
bool connection_ends(int fd, sockaddr_storage& local, sockaddr_storage& peer) {
  socklen_t size = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return false;
  size = sizeof local;
  return ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0;
}

// Address and port equal (IPv4 or IPv6).
bool same_endpoint(const sockaddr_storage& a, const sockaddr_storage& b) {
  if (a.ss_family != b.ss_family) return false;
  if (a.ss_family == AF_INET) {
    const auto& x = reinterpret_cast<const sockaddr_in&>(a);
    const auto& y = reinterpret_cast<const sockaddr_in&>(b);
    return x.sin_port == y.sin_port && x.sin_addr.s_addr == y.sin_addr.s_addr;
  }
  if (a.ss_family == AF_INET6) {
    const auto& x = reinterpret_cast<const sockaddr_in6&>(a);
    const auto& y = reinterpret_cast<const sockaddr_in6&>(b);
    return x.sin6_port == y.sin6_port &&
           std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0;
  }
  return false;
}

// The addresses a shard's host names, as Xapian looked them up to connect.
std::vector<sockaddr_storage> shard_endpoints(const std::string& address) {
  std::vector<sockaddr_storage> endpoints;
  std::string host;
  unsigned port = 0;
  if (!parse_shard_address(address, host, port)) return endpoints;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0)
    return endpoints;
  for (const addrinfo* info = list; info != nullptr; info = info->ai_next) {
    if (info->ai_addrlen > sizeof(sockaddr_storage)) continue;
    sockaddr_storage endpoint{};
    std::memcpy(&endpoint, info->ai_addr, info->ai_addrlen);
    endpoints.push_back(endpoint);
  }
  ::freeaddrinfo(list);
  return endpoints;
}

bool same_socket(const OpenSocket& a, const OpenSocket& b) {
  return a.fd == b.fd && same_endpoint(a.local, b.local) && same_endpoint(a.peer, b.peer);
}

}  // namespace

std::vector<OpenSocket> connected_sockets() {
  std::vector<OpenSocket> sockets;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return sockets;
  const int own = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd < 0 || fd == own) continue;
    OpenSocket socket{static_cast<int>(fd), {}, {}};
    if (connection_ends(socket.fd, socket.local, socket.peer)) sockets.push_back(socket);
  }
  ::closedir(dir);
  return sockets;
}

std::vector<ShardSocket> find_shard_sockets(const std::vector<std::string>& addresses,
                                            unsigned timeout_ms,
                                            const std::vector<OpenSocket>& before) {
  std::vector<ShardSocket> found(addresses.size());
  std::vector<OpenSocket> sockets = connected_sockets();
  std::erase_if(sockets, [&](const OpenSocket& socket) {
    return std::any_of(before.begin(), before.end(),
                       [&](const OpenSocket& old) { return same_socket(socket, old); });
  });
  for (size_t i = 0; i < addresses.size(); ++i) {
    const std::vector<sockaddr_storage> endpoints = shard_endpoints(addresses[i]);
    const OpenSocket* match = nullptr;
    size_t matches = 0;
    for (const OpenSocket& socket : sockets) {
      for (const sockaddr_storage& endpoint : endpoints) {
        if (same_endpoint(socket.peer, endpoint)) {
          match = &socket;
          ++matches;
          break;
        }
      }
    }
    // Two new connections to one server (a shard listed twice): which is
    // whose cannot be told, so neither is used.
    if (matches == 1) found[i] = {match->fd, timeout_ms, match->local, match->peer};
  }
  return found;
}

bool still_connected(const ShardSocket& socket) {
  sockaddr_storage local{}, peer{};
  return socket.fd >= 0 && connection_ends(socket.fd, local, peer) &&
         same_endpoint(local, socket.local) && same_endpoint(peer, socket.peer);
}

}  // namespace zeb::backend
