#include "dom/images.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"

namespace korvane {
namespace {

using cli::ToUtf8;

TEST(DomImagesTest, TheSourceOfAnImageAmongItsAttributes) {
  const struct {
    std::u16string_view html, source;
  } cases[] = {
      {u"<img src=/a.jpg>", u"/a.jpg"},
      {u"<img src=/a.jpg data-src=/b.jpg>", u"/b.jpg"},
      {u"<img data-original=/c.jpg data-src=/b.jpg>", u"/b.jpg"},
      {u"<img src=/a.jpg data-original=/c.jpg>", u"/c.jpg"},
      {u"<img data-original=/c.jpg data-srcset='/e.jpg 1x'>", u"/c.jpg"},
      {u"<img srcset='/d.jpg 1x' data-srcset='/e.jpg 1x' src=/a.jpg>", u"/e.jpg"},
      {u"<img srcset='/d.jpg 1x' src=/a.jpg>", u"/a.jpg"},
      {u"<img data-srcset=' ' srcset='/d.jpg 1x'>", u"/d.jpg"},
      {u"<img data-srcset='data:image/gif;base64,R0l 1x' src=/a.jpg>", u"/a.jpg"},
      {u"<img data-srcset='/e.jpg 1x'>", u"/e.jpg"},
      {u"<img data-src=' ' src=/a.jpg>", u"/a.jpg"},
      {u"<img data-src='DATA:image/gif;base64,R0l' src=/a.jpg>", u"/a.jpg"},
      {u"<img src='data:image/png;base64,iVB' srcset='/d.jpg 2x'>", u"/d.jpg"},
      {u"<img src='data:image/png;base64,iVB'>", u""},
      {u"<img>", u""},
      {u"<img srcset=' /d.jpg 1x, /d2.jpg 2x'>", u"/d.jpg"},
      {u"<img srcset='/d.jpg, /d2.jpg 2x'>", u"/d.jpg"},
      {u"<img src=' /a b.jpg '>", u"/a b.jpg"},
      {u"<img src='/a.jpg?w=1&amp;h=2&copy=3'>", u"/a.jpg?w=1&h=2&copy=3"},
      {u"<img src='/a\n/b\t.jpg'>", u"/a/b.jpg"},
  };
  for (const auto& test : cases) {
    Dom dom;
    dom.Parse(test.html);
    EXPECT_EQ(ImageSource(dom, dom[1]), test.source) << ToUtf8(test.html);
  }
}

}  // namespace
}  // namespace korvane
