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
      // Wine's client sends the request that follows a redirect as HTTP/1.1.
      {"/redirect?to=/echo/moved", 200, true, 1, "GET /echo/moved HTTP/1."},
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

TEST_F(Fetch, NothingArrivesWithoutAUsableConnection) {
  const std::string refused = "https://127.0.0.1:1/echo";  // nothing listens on port 1
  const std::string untrusted =
      "https://127.0.0.1:" + runnerSetting("DL_TEST_UNTRUSTED_PORT") + "/echo";
  for (const std::string& address : {untrusted, refused, std::string("ftp://127.0.0.1/x.jar"),
                                     std::string("not an address"), std::string()}) {
    const FetchResult result = client.fetchUrl(address.c_str());
    EXPECT_EQ(result.status, 0) << address;
    EXPECT_TRUE(result.body.empty()) << address;
    EXPECT_FALSE(result.whole) << address;
  }
  EXPECT_TRUE(client.fetchUrl(nullptr).body.empty());
}

}  // namespace
}  // namespace dl
