// Sessions, opening and closing indexes, index groups and query scopes, and
// the handles that name them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "backend/engine_fixture.h"

namespace zeb::testing {
namespace {

using backend::IndexStatus;

const std::vector<TestDocument> kDocs = {
    {"guide/a.html", "Alpha", "alpha text", {}},
    {"news/b.html", "Beta", "beta text", {}},
};

class SessionTest : public EngineTest {
 protected:
  void SetUp() override {
    instance().add_index("DOCS", kDocs);
    instance().add_index("NEWS", kDocs);
    instance().add_index("PAUSED", kDocs, IndexStatus::kSuspended);
  }
};

TEST_F(SessionTest, SessionNeedsTheServerNamedServer) {
  uint32_t session = 0;
  Request other = session_request("OTHER");
  EXPECT_EQ(KSVSTARTSESSION(other.length(), other.data(), &session, &diag_), 16);
  EXPECT_EQ(session, 0u);
  Request lower = session_request("server");
  EXPECT_EQ(KSVSTARTSESSION(lower.length(), lower.data(), &session, &diag_), 16);
  EXPECT_EQ(start_session(), 0);
  EXPECT_NE(session_, 0u);
}

TEST_F(SessionTest, SessionWithoutInstanceOrCatalogueIsUnavailable) {
  const std::string saved = instance().dir();
  ::unsetenv("ZEBINSTSRV");
  EXPECT_EQ(start_session(), 33);
  ::setenv("ZEBINSTSRV", "", 1);
  EXPECT_EQ(start_session(), 33);
  ::setenv("ZEBINSTSRV", saved.c_str(), 1);
  instance().remove_catalogue();
  EXPECT_EQ(start_session(), 33);
  EXPECT_EQ(session_, 0u);
}

TEST_F(SessionTest, MalformedSessionRequestsAreSyntaxErrors) {
  std::vector<Request> requests(5);
  requests[0].text(kItemServerName, "SERVER");  // no structure
  requests[1].start(kItemSession).text(kItemServerName, "SERVER");  // not closed
  requests[2].start(kItemSession).end(kItemSession);  // no name
  requests[3] = session_request();
  requests[3].flag(kItemRanking);  // trailing item
  requests[4].start(kItemSession).text(kItemIndexName, "SERVER").end(kItemSession);
  for (const Request& request : requests) {
    uint32_t session = 0;
    EXPECT_EQ(KSVSTARTSESSION(request.length(), request.data(), &session, &diag_), 18);
    EXPECT_EQ(session, 0u);
  }
  const Request good = session_request();
  uint32_t session = 0;
  EXPECT_EQ(KSVSTARTSESSION(good.length(), nullptr, &session, &diag_), 18);
  EXPECT_EQ(KSVSTARTSESSION(good.length(), good.data(), nullptr, &diag_), 18);
}

TEST_F(SessionTest, OpeningIndexesAnswersEachCase) {
  ASSERT_EQ(start_session(), 0);
  uint32_t index = 0;
  EXPECT_EQ(open("NOSUCH", index), 24);
  EXPECT_EQ(open("", index), 24);  // an empty name is no index of the catalogue
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(open("PAUSED", index), 61);
  EXPECT_EQ(open("DOCS", index), 0);
  EXPECT_NE(index, 0u);
  uint32_t again = 0;
  EXPECT_EQ(open("DOCS", again), 35);
  EXPECT_EQ(open("docs", again), 35);  // names are upper case either way
  EXPECT_EQ(KSVCLOSEINDEX(session_, index, &diag_), 0);
  EXPECT_EQ(open("DOCS", again), 0);
}

TEST_F(SessionTest, IndexWithMissingOrDamagedFilesIsNotAccessible) {
  instance().add_entry("GONE", "data/GONE", IndexStatus::kActive, {});
  std::filesystem::create_directories(instance().dir() + "/data/BROKEN/xapian");
  std::ofstream(instance().dir() + "/data/BROKEN/xapian/iamglass") << "not a database";
  instance().add_entry("BROKEN", "data/BROKEN", IndexStatus::kActive, {});
  ASSERT_EQ(start_session(), 0);
  uint32_t index = 0;
  EXPECT_EQ(open("GONE", index), 62);
  EXPECT_EQ(open("BROKEN", index), 62);
  EXPECT_EQ(index, 0u);
}

TEST_F(SessionTest, MalformedShardAddressIsNotAccessible) {
  instance().add_entry("SHARDED", "data/SHARDED", IndexStatus::kActive, {"nohostport"});
  instance().add_entry("BADPORT", "data/BADPORT", IndexStatus::kActive, {"127.0.0.1:0"});
  ASSERT_EQ(start_session(), 0);
  uint32_t index = 0;
  EXPECT_EQ(open("SHARDED", index), 62);
  EXPECT_EQ(open("BADPORT", index), 62);
}

TEST_F(SessionTest, AtMostSixtyFourIndexesAreOpenAtOnce) {
  for (int i = 0; i < 65; ++i)
    instance().add_entry("IX" + std::to_string(i), "data/DOCS", IndexStatus::kActive, {});
  ASSERT_EQ(start_session(), 0);
  std::vector<uint32_t> handles;
  for (int i = 0; i < 64; ++i) handles.push_back(open_ok("IX" + std::to_string(i)));
  uint32_t index = 0;
  EXPECT_EQ(open("IX64", index), 36);
  EXPECT_EQ(KSVCLOSEINDEX(session_, handles[0], &diag_), 0);
  EXPECT_EQ(open("IX64", index), 0);
}

TEST_F(SessionTest, MalformedOpenRequestsAreSyntaxErrors) {
  ASSERT_EQ(start_session(), 0);
  std::vector<Request> requests(4);
  requests[1].text(kItemScopeValue, "DOCS");
  requests[2].text(kItemIndexName, "DOCS").text(kItemIndexName, "NEWS");
  requests[3].start(kItemIndexName).end(kItemIndexName);
  for (const Request& request : requests) {
    uint32_t index = 0;
    EXPECT_EQ(KSVOPENINDEX(session_, request.length(), request.data(), &index, &diag_), 18);
  }
  Request good;
  good.text(kItemIndexName, "DOCS");
  for (uint32_t cut = 1; cut < good.length(); ++cut) {
    uint32_t index = 0;
    EXPECT_EQ(KSVOPENINDEX(session_, cut, good.data(), &index, &diag_), 18) << cut;
  }
  uint32_t index = 0;
  EXPECT_EQ(KSVOPENINDEX(session_, 40000, good.data(), &index, &diag_), 18);
}

TEST_F(SessionTest, HandlesAreCheckedForStalenessKindAndOwner) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t docs = open_ok("DOCS");
  EXPECT_EQ(KSVCLOSEINDEX(session_ + 1000, docs, &diag_), 27);
  EXPECT_EQ(KSVCLOSEINDEX(docs, docs, &diag_), 27);  // an index is no session
  EXPECT_EQ(KSVCLOSEINDEX(session_, session_, &diag_), 25);
  EXPECT_EQ(KSVDELETEINDEXGROUP(session_, docs, &diag_), 25);
  EXPECT_EQ(KSVDELETERESULT(session_, docs, &diag_), 25);
  EXPECT_EQ(KSVDELETERESULTLIST(session_, docs, &diag_), 25);
  EXPECT_EQ(KSVRANK(session_, docs, &diag_), 25);

  // Another session's index is foreign here.
  uint32_t other = 0;
  const Request request = session_request();
  ASSERT_EQ(KSVSTARTSESSION(request.length(), request.data(), &other, &diag_), 0);
  EXPECT_EQ(KSVCLOSEINDEX(other, docs, &diag_), 25);
  EXPECT_EQ(KSVENDSESSION(other, &diag_), 0);
  EXPECT_EQ(KSVENDSESSION(other, &diag_), 27);

  EXPECT_EQ(KSVCLOSEINDEX(session_, docs, &diag_), 0);
  EXPECT_EQ(KSVCLOSEINDEX(session_, docs, &diag_), 25);  // stale
  EXPECT_EQ(KSVCLOSEINDEX(session_, 0, &diag_), 25);
}

TEST_F(SessionTest, EndingTheSessionReleasesEverythingItOwns) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t docs = open_ok("DOCS");
  const uint32_t session = session_;
  EXPECT_EQ(KSVENDSESSION(session, &diag_), 0);
  session_ = 0;
  EXPECT_EQ(KSVCLOSEINDEX(session, docs, &diag_), 27);
  ASSERT_EQ(start_session(), 0);
  EXPECT_EQ(KSVCLOSEINDEX(session_, docs, &diag_), 25);
}

class GroupTest : public SessionTest {
 protected:
  int32_t make_group(const std::vector<std::string>& names, uint32_t& group) {
    Request request;
    for (const auto& name : names) request.text(kItemIndexName, name);
    return KSVCREATEINDEXGROUP(session_, request.length(), request.data(), &group, &diag_);
  }
  int32_t add_scope(uint32_t group, const Request& request) {
    return KSVADDQUERYSCOPE(session_, group, request.length(), request.data(), &diag_);
  }
  static Request scope_request(const std::vector<std::pair<std::string, std::vector<std::string>>>& scopes) {
    Request request;
    request.start(kItemQueryScope);
    for (const auto& [name, values] : scopes) {
      request.start(kItemIndexScope).text(kItemIndexName, name);
      for (const auto& value : values) request.text(kItemScopeValue, value);
      request.end(kItemIndexScope);
    }
    request.end(kItemQueryScope);
    return request;
  }
};

TEST_F(GroupTest, GroupMembersMustBeOpenInTheSession) {
  ASSERT_EQ(start_session(), 0);
  const uint32_t docs = open_ok("DOCS");
  uint32_t group = 0;
  EXPECT_EQ(make_group({"DOCS", "NEWS"}, group), 83);
  EXPECT_EQ(group, 0u);
  open_ok("NEWS");
  EXPECT_EQ(make_group({"DOCS", "NEWS"}, group), 0);
  EXPECT_NE(group, 0u);
  // A member of a live group stays open until the group is deleted.
  EXPECT_EQ(KSVCLOSEINDEX(session_, docs, &diag_), 23);
  EXPECT_EQ(KSVDELETEINDEXGROUP(session_, group, &diag_), 0);
  EXPECT_EQ(KSVDELETEINDEXGROUP(session_, group, &diag_), 25);
  EXPECT_EQ(KSVCLOSEINDEX(session_, docs, &diag_), 0);
}

TEST_F(GroupTest, MalformedGroupRequestsAreSyntaxErrors) {
  ASSERT_EQ(start_session(), 0);
  open_ok("DOCS");
  uint32_t group = 0;
  Request empty;
  EXPECT_EQ(KSVCREATEINDEXGROUP(session_, 0, empty.data(), &group, &diag_), 18);
  Request wrong;
  wrong.text(kItemIndexName, "DOCS").text(kItemScopeValue, "x");
  EXPECT_EQ(KSVCREATEINDEXGROUP(session_, wrong.length(), wrong.data(), &group, &diag_), 18);
  Request good;
  good.text(kItemIndexName, "DOCS");
  EXPECT_EQ(KSVCREATEINDEXGROUP(session_, good.length() - 1, good.data(), &group, &diag_), 18);
  EXPECT_EQ(group, 0u);
}

TEST_F(GroupTest, ScopesNameGroupMembersInWellFormedStructures) {
  ASSERT_EQ(start_session(), 0);
  open_ok("DOCS");
  open_ok("NEWS");
  instance().add_index("OTHER", kDocs);
  uint32_t group = 0;
  ASSERT_EQ(make_group({"DOCS", "NEWS"}, group), 0);
  EXPECT_EQ(add_scope(group, scope_request({{"DOCS", {"guide"}}, {"NEWS", {"news"}}})), 0);
  EXPECT_EQ(add_scope(group, scope_request({{"OTHER", {"guide"}}})), 26);
  EXPECT_EQ(add_scope(session_, scope_request({{"DOCS", {"guide"}}})), 25);
  std::vector<std::string> many(65, "v");
  EXPECT_EQ(add_scope(group, scope_request({{"DOCS", many}})), 20);

  Request no_name;
  no_name.start(kItemQueryScope).start(kItemIndexScope).text(kItemScopeValue, "a")
      .end(kItemIndexScope).end(kItemQueryScope);
  EXPECT_EQ(add_scope(group, no_name), 18);
  Request unclosed;
  unclosed.start(kItemQueryScope).start(kItemIndexScope).text(kItemIndexName, "DOCS");
  EXPECT_EQ(add_scope(group, unclosed), 18);
  EXPECT_EQ(add_scope(group, scope_request({})), 18);
  const Request good = scope_request({{"DOCS", {"guide"}}});
  for (uint32_t cut = 0; cut < good.length(); ++cut)
    EXPECT_EQ(KSVADDQUERYSCOPE(session_, group, cut, good.data(), &diag_), 18) << cut;
}

}  // namespace
}  // namespace zeb::testing
