// SPDX-License-Identifier: Apache-2.0
// What the service decides before any HTTP: where it may listen without a
// token, which Authorization headers pass, and which latency bucket a
// request falls in.
#include <gtest/gtest.h>

#include "auth.h"
#include "listen_address.h"
#include "metrics.h"

namespace korvane::serve {
namespace {

TEST(ParseListenAddress, KnowsLoopbackFromTheRest) {
  const struct {
    const char* text;
    bool loopback;
    const char* shown;
  } cases[] = {
      {"127.0.0.1:8080", true, "127.0.0.1:8080"},
      {"127.255.0.9:1", true, "127.255.0.9:1"},
      {"[::1]:0", true, "[::1]:0"},
      {"[::ffff:127.0.0.2]:80", true, "[::ffff:127.0.0.2]:80"},
      {"localhost:8080", true, nullptr},
      {"0.0.0.0:8080", false, "0.0.0.0:8080"},
      {"128.0.0.1:80", false, "128.0.0.1:80"},
      {"10.1.2.3:80", false, "10.1.2.3:80"},
      {"[::]:8080", false, "[::]:8080"},
      {"[::ffff:10.0.0.1]:80", false, "[::ffff:10.0.0.1]:80"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.text);
    std::string error;
    const std::optional<ListenAddress> address = ParseListenAddress(test.text, &error);
    ASSERT_TRUE(address.has_value()) << error;
    EXPECT_EQ(address->loopback, test.loopback);
    if (test.shown != nullptr) {
      EXPECT_EQ(AddressText(address->address), test.shown);
    }
  }
  for (const char* bad : {"127.0.0.1", ":8080", "127.0.0.1:", "127.0.0.1:65536", "::1:80",
                          "[::1]80", "127.0.0.1:8o", "127.0.0.1:-1"}) {
    std::string error;
    EXPECT_FALSE(ParseListenAddress(bad, &error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(Authorized, TakesTheBearerTokenAndNothingElse) {
  const std::string token = "0123456789abcdef";
  EXPECT_TRUE(Authorized("Bearer 0123456789abcdef", token));
  EXPECT_TRUE(Authorized("bearer   0123456789abcdef  ", token));
  EXPECT_TRUE(Authorized("BEARER 0123456789abcdef", token));
  for (const char* header :
       {"Bearer 0123456789abcdeF", "Bearer 0123456789abcde", "Bearer 0123456789abcdef0", "Bearer",
        "Bearer ", "", "Basic 0123456789abcdef", "0123456789abcdef", "Bearer0123456789abcdef",
        "Bearer 1123456789abcdef"}) {
    EXPECT_FALSE(Authorized(header, token)) << header;
  }
  EXPECT_FALSE(Authorized(nullptr, token));
}

double Bucket(const std::string& text, const std::string& bound) {
  const std::string name = "korvane_request_duration_seconds_bucket{le=\"" + bound + "\"} ";
  const size_t at = text.find(name);
  return at == std::string::npos ? -1 : std::stod(text.substr(at + name.size()));
}

TEST(Metrics, BucketsHoldRequestsUpToTheirBound) {
  Metrics metrics;
  for (const double seconds : {0.0004, 0.0005, 0.0006, 0.001, 0.0011, 10.0, 11.0}) {
    metrics.CountRequest(Endpoint::kExtract, 200, seconds, 0, 0);
  }
  const std::string text = metrics.Text({});
  EXPECT_EQ(Bucket(text, "0.0005"), 2);
  EXPECT_EQ(Bucket(text, "0.001"), 4);
  EXPECT_EQ(Bucket(text, "0.0025"), 5);
  EXPECT_EQ(Bucket(text, "10"), 6);
  EXPECT_EQ(Bucket(text, "+Inf"), 7);
}

}  // namespace
}  // namespace korvane::serve
