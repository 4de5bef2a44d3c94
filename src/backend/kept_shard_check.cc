#include "backend/kept_shard_check.h"

#include <cstdlib>
#include <string>

#include "backend/remote_messages.h"
#include "backend/shard_copies.h"

namespace zeb::backend {

namespace {

constexpr unsigned char kMessageReopen = 12;
constexpr unsigned char kMessageGetMetadata = 22;
constexpr unsigned char kReplyMetadata = 19;

// The revision in a metadata answer; false for anything but digits.
bool parse_revision(const std::string& body, unsigned long long& revision) {
  if (body.size() > 20 || body.find_first_not_of("0123456789") != std::string::npos)
    return false;
  revision = std::strtoull(body.c_str(), nullptr, 10);
  return true;
}

void read_answers(KeptProbe& probe, AnswerReader::Clock::time_point deadline) {
  AnswerReader reader(*probe.socket, deadline);
  std::string body;
  const unsigned char reopened = reader.next(body);
  if (probe.wants_revision) {
    // A replica behind by more than the record allows fails its open as a
    // copy that cannot be read (shard_copies.h); no revision read is that.
    if (reader.next(body) == kReplyMetadata)
      probe.revision_read = parse_revision(body, probe.revision);
  }
  // Anything but "done" (new statistics, or an error) needs a new connection.
  probe.state = reopened == kReplyDone ? KeptState::kCurrent : KeptState::kChanged;
}

}  // namespace

void check_kept_shards(std::vector<KeptProbe>& probes) {
  unsigned timeout_ms = 0;
  for (KeptProbe& probe : probes) {
    std::string requests;
    append_message(requests, kMessageReopen, std::string());
    if (probe.wants_revision) append_message(requests, kMessageGetMetadata, kRevisionKey);
    try {
      send_all(*probe.socket, requests);
      probe.state = KeptState::kCurrent;  // for now: sent
    } catch (const Xapian::NetworkTimeoutError&) {
      probe.state = KeptState::kStalled;
    } catch (const Xapian::Error&) {
      probe.state = KeptState::kChanged;
    }
    if (probe.socket->timeout_ms > timeout_ms) timeout_ms = probe.socket->timeout_ms;
  }
  // One wait for all: the shards answer side by side.
  const auto deadline = AnswerReader::Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (KeptProbe& probe : probes) {
    if (probe.state == KeptState::kCurrent) {
      try {
        read_answers(probe, deadline);
        continue;
      } catch (const Xapian::NetworkTimeoutError&) {
        probe.state = KeptState::kStalled;
      } catch (const Xapian::Error&) {
        probe.state = KeptState::kChanged;
      }
    }
    shut_connection(*probe.socket);
  }
}

}  // namespace zeb::backend
