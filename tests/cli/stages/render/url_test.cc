// SPDX-License-Identifier: Apache-2.0
#include "render/url.h"

#include <gtest/gtest.h>

namespace korvane::cli {
namespace {

// The examples of RFC 3986, section 5.4, and the cases image sources bring.
TEST(ResolveUrl, ResolvesReferencesAgainstTheBase) {
  const std::string base = "http://a/b/c/d;p?q";
  const std::pair<const char*, const char*> cases[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"./../g", "http://a/b/g"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
      {"  /img/a.jpg \r\n", "http://a/img/a.jpg"},
      {"HTTPS://Img.Example/x/../A.PNG", "HTTPS://Img.Example/A.PNG"},
      {"\x01 g\t/\nh\x1F", "http://a/b/c/g/h"},  // as browsers clean URLs
      {"java\tscript:x.jpg", "javascript:x.jpg"},
  };
  for (const auto& [reference, expected] : cases) {
    SCOPED_TRACE(reference);
    EXPECT_EQ(ResolveUrl(base, reference), expected);
  }
}

TEST(ResolveUrl, NeedsAnAbsoluteBaseForRelativeSources) {
  EXPECT_EQ(ResolveUrl("http://news.example", "a.jpg"), "http://news.example/a.jpg");
  EXPECT_EQ(ResolveUrl("", "//cdn.example/a.jpg"), std::nullopt);
  EXPECT_EQ(ResolveUrl("", "a.jpg"), std::nullopt);
  EXPECT_EQ(ResolveUrl("pages/a.html", "a.jpg"), std::nullopt);
  EXPECT_EQ(ResolveUrl("", "http://x.example/a.jpg"), "http://x.example/a.jpg");
}

// Image URLs are for fetching: scripts, inline data and local files are not.
TEST(IsWebUrl, TakesHttpHttpsAndFtpOnly) {
  const std::pair<const char*, bool> cases[] = {
      {"http://x.example/a.jpg", true},    {"HTTPS://x.example/a.jpg", true},
      {"ftp://x.example/a.jpg", true},     {"javascript:alert(1)//.jpg", false},
      {"data:image/png;base64,AA", false}, {"file:///etc/passwd", false},
      {"vbscript:x.jpg", false},           {"//x.example/a.jpg", false},
  };
  for (const auto& [url, web] : cases) EXPECT_EQ(IsWebUrl(url), web) << url;
}

}  // namespace
}  // namespace korvane::cli
