#include "services/http_client.h"

#include <gtest/gtest.h>

#include "tests/win/test_support.h"

namespace dl {
namespace {

using testing::Bytes;
using testing::makeZip;
using testing::runnerSetting;
using testing::textOf;

std::string httpsBase() {
  return "https://127.0.0.1:" + runnerSetting("DL_TEST_HTTPS_PORT");
}
std::string httpBase() {
  return "http://127.0.0.1:" + runnerSetting("DL_TEST_HTTP_PORT");
}

class Fetch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(runnerSetting("DL_TEST_HTTPS_PORT").empty()) << "run through winetest.py";
  }
  HttpClient client;
};

TEST_F(Fetch, RequestGoesOutAsDesignedOverBothSchemes) {
  for (const std::string& base : {httpsBase(), httpBase()}) {
    const FetchResult result = client.fetchUrl((base + "/echo/a%2Bb?x=1&y=%2B#not-sent").c_str());
    const std::string head = textOf(result.body.bytes());
    EXPECT_EQ(result.status, 200) << base;
    EXPECT_TRUE(result.whole) << base;
    EXPECT_TRUE(head.starts_with("GET /echo/a%2Bb?x=1&y=%2B HTTP/1.0\r\n")) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
              std::string::npos)
        << head;
    EXPECT_NE(head.find("\r\nAccept: */*"), std::string::npos) << head;
    EXPECT_EQ(head.find("not-sent"), std::string::npos) << head;
  }
}

TEST_F(Fetch, ResponsesAreReportedWithStatusAndWholeness) {
  const struct {
    const char* path;
    int status;
    bool whole;
    std::size_t size;  // 0 with an empty body
    const char* startsWith;
  } cases[] = {
      {"/status/404", 404, true, 1, "<html>"},  // an error page is still the body
      {"/status/500", 500, true, 1, "<html>"},
      {"/html", 200, true, 1, "<!DOCTYPE html>"},
      {"/empty", 200, true, 0, ""},
      {"/broken", 200, false, 1000, ""},  // Content-Length 100000, connection closed after 1000
      {"/redirect?to=/echo/moved", 200, true, 1, "GET /echo/moved HTTP/1.0\r\n"},
      // A redirect that leads nowhere this client goes is the final response.
      {"/redirect?to=ftp://127.0.0.1/x.jar", 302, true, 1, "<html>"},
  };
  for (const std::string& base : {httpsBase(), httpBase()}) {
    for (const auto& c : cases) {
      const FetchResult result = client.fetchUrl((base + c.path).c_str());
      const std::string body = textOf(result.body.bytes());
      EXPECT_EQ(result.status, c.status) << base << c.path;
      EXPECT_EQ(result.whole, c.whole) << base << c.path;
      if (c.size <= 1) {
        EXPECT_EQ(result.body.empty(), c.size == 0) << base << c.path;
      } else {
        EXPECT_EQ(result.body.size(), c.size) << base << c.path;
      }
      EXPECT_TRUE(body.starts_with(c.startsWith)) << base << c.path << ": " << body.substr(0, 80);
    }
  }
}

TEST_F(Fetch, ServedFileArrivesByteForByte) {
  const Bytes archive = makeZip({{"big.bin", std::string(3 << 20, 'z')}, {"small.txt", "s"}});
  const testing::fs::path served = runnerSetting("DL_TEST_SERVED_DIR");
  testing::writeFile(served / "fetch" / "archive.jar", archive);

  const FetchResult result = client.fetchUrl((httpsBase() + "/fetch/archive.jar").c_str());
  EXPECT_EQ(result.status, 200);
  EXPECT_TRUE(result.whole);
  EXPECT_EQ(textOf(result.body.bytes()), textOf(archive));
}

TEST_F(Fetch, BodyWithoutContentLengthIsReadToTheEnd) {
  const FetchResult result = client.fetchUrl((httpBase() + "/nolength").c_str());
  EXPECT_EQ(result.status, 200);
  EXPECT_TRUE(result.whole);
  EXPECT_FALSE(result.body.empty());
}

// Every request of a redirect chain goes out as the first did; the eleventh redirect in a row is
// one too many, whether the chain is long or a loop (which WinINet alone would follow forever).
TEST_F(Fetch, RedirectsAreFollowedWithTheSameRequestUpToTen) {
  for (const std::string& base : {httpsBase(), httpBase()}) {
    const FetchResult ten = client.fetchUrl((base + "/hops/10").c_str());
    const std::string head = textOf(ten.body.bytes());
    EXPECT_EQ(ten.status, 200) << base;
    EXPECT_TRUE(ten.whole) << base;
    EXPECT_TRUE(head.starts_with("GET /hops/0 HTTP/1.0\r\n")) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
              std::string::npos)
        << head;
    EXPECT_NE(head.find("\r\nAccept: */*"), std::string::npos) << head;

    for (const char* path : {"/hops/11", "/loop"}) {
      const FetchResult result = client.fetchUrl((base + path).c_str());
      EXPECT_EQ(result.failure, FetchFailure::TooManyRedirects) << base << path;
      EXPECT_EQ(result.status, 0) << base << path;
      EXPECT_TRUE(result.body.empty()) << base << path;
    }
  }
}

TEST_F(Fetch, RedirectFromHttpsToHttpIsNeverFollowed) {
  const FetchResult down =
      client.fetchUrl((httpsBase() + "/redirect?to=" + httpBase() + "/echo/down").c_str());
  EXPECT_EQ(down.failure, FetchFailure::InsecureRedirect);
  EXPECT_EQ(down.status, 0);
  EXPECT_TRUE(down.body.empty());

  const FetchResult up =
      client.fetchUrl((httpBase() + "/redirect?to=" + httpsBase() + "/echo/up").c_str());
  EXPECT_EQ(up.failure, FetchFailure::None);
  EXPECT_EQ(up.status, 200);
  EXPECT_TRUE(textOf(up.body.bytes()).starts_with("GET /echo/up HTTP/1.0\r\n"));
}

// A server that stops answering ends the fetch after the receive time-out instead of holding the
// (frozen) program for ever. The test shortens the time-outs; the program keeps about a minute.
TEST_F(Fetch, SilentServerEndsInATimeOut) {
  HttpClient impatient(HttpTimeouts{.connect = 3000, .send = 3000, .receive = 1500});
  for (const std::string& base : {httpsBase(), httpBase()}) {
    const FetchResult silent = impatient.fetchUrl((base + "/silent").c_str());
    EXPECT_EQ(silent.failure, FetchFailure::TimedOut) << base;
    EXPECT_EQ(silent.status, 0) << base;
    EXPECT_TRUE(silent.body.empty()) << base;

    // Silence part-way through the body. (The read that times out drops what it had.)
    const FetchResult stalled = impatient.fetchUrl((base + "/stall").c_str());
    EXPECT_EQ(stalled.status, 200) << base;
    EXPECT_FALSE(stalled.whole) << base;
  }
}

TEST_F(Fetch, NothingArrivesWithoutAUsableConnection) {
  const std::string refused = "https://127.0.0.1:1/echo";  // nothing listens on port 1
  const std::string untrusted =
      "https://127.0.0.1:" + runnerSetting("DL_TEST_UNTRUSTED_PORT") + "/echo";
  const struct {
    std::string address;
    FetchFailure failure;
  } cases[] = {
      {untrusted, FetchFailure::CertificateRejected},
      {refused, FetchFailure::None},
      {"ftp://127.0.0.1/x.jar", FetchFailure::None},
      {"not an address", FetchFailure::None},
      {"", FetchFailure::None},
  };
  for (const auto& c : cases) {
    const FetchResult result = client.fetchUrl(c.address.c_str());
    EXPECT_EQ(result.status, 0) << c.address;
    EXPECT_EQ(result.failure, c.failure) << c.address;
    EXPECT_TRUE(result.body.empty()) << c.address;
    EXPECT_FALSE(result.whole) << c.address;
  }
  EXPECT_TRUE(client.fetchUrl(nullptr).body.empty());
}

}  // namespace
}  // namespace dl
