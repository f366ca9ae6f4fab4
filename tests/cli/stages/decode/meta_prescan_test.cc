// SPDX-License-Identifier: Apache-2.0
#include "decode/meta_prescan.h"

#include <gtest/gtest.h>

#include "decode/charset.h"

namespace korvane::cli {
namespace {

struct PrescanCase {
  std::string name;
  std::string html;
  std::optional<std::string> label;
};

TEST(PrescanMetaCharset, FindsTheDeclarationBrowsersFind) {
  const PrescanCase cases[] = {
      {"charset attribute", "<meta charset=gbk>", "gbk"},
      {"quoted, upper case", "<META CHARSET='GB2312'>", "gb2312"},
      {"http-equiv", "<meta http-equiv=Content-Type content=\"text/html; charset=big5\">", "big5"},
      {"content before http-equiv",
       "<meta content='text/html;charset = \"gbk\"' http-equiv='content-type'>", "gbk"},
      {"content without http-equiv", "<meta content=\"text/html; charset=gbk\">", std::nullopt},
      {"inside a comment", "<!-- <meta charset=gbk> --><meta charset=big5>", "big5"},
      {"after <!-->, a whole comment", "<!--><meta charset=gbk>", "gbk"},
      {"after <!--->, a whole comment", "<!---><meta charset=gbk>", "gbk"},
      {"inside a comment that <!-- > does not end", "<!-- ><meta charset=gbk>-->", std::nullopt},
      {"inside another tag's attribute", "<div title='<meta charset=gbk>'><meta charset=big5>",
       "big5"},
      {"unknown label, then a known one", "<meta charset=nonsense><meta charset=gbk>", "gbk"},
      {"first attribute of a name wins", "<meta charset=gbk charset=big5>", "gbk"},
      {"self-closing", "<meta charset=gb2312 />", "gb2312"},
      {"no meta", "<html><head><title>x</title></head>", std::nullopt},
      {"past the first 1024 bytes", std::string(1024, ' ') + "<meta charset=gbk>", std::nullopt},
  };
  for (const PrescanCase& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(
        PrescanMetaCharset(
            test.html, [](std::string_view label) { return CharsetForLabel(label).has_value(); }),
        test.label);
  }
}

}  // namespace
}  // namespace korvane::cli
