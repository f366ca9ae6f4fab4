// SPDX-License-Identifier: Apache-2.0
#include "block/images.h"

#include <gtest/gtest.h>

#include "block/lower_case.h"
#include "korvane.h"
#include "pages.h"

namespace korvane {
namespace {

std::vector<std::u16string> Collect(std::u16string_view html) {
  const std::u16string lower = LowerCase(html);
  return CollectImages(lower, Page{html, lower});
}

using Sources = std::vector<std::u16string>;

struct Case {
  std::u16string_view html;
  Sources sources;
};

class CollectImagesTest : public testing::TestWithParam<Case> {};

TEST_P(CollectImagesTest, ListsKeptSourcesInPageOrder) {
  EXPECT_EQ(Collect(GetParam().html), GetParam().sources);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, CollectImagesTest,
    testing::Values(
        Case{u"<p>no images</p>", {}}, Case{u"<IMG SRC='Photos/Pic01.JPG'>", {u"Photos/Pic01.JPG"}},
        Case{u"<img src=\"Photos/Pic01.JPG\">", {u"Photos/Pic01.JPG"}},
        Case{u"<img src='a.png' width=300>", {u"a.png"}},
        Case{u"<img alt='x' src='a.jpg' />", {u"a.jpg"}}, Case{u"<img src='a.jpg'/>", {u"a.jpg/"}},
        Case{u"<img src= 'a.jpg'>", {}}, Case{u"<img data-src='x.jpg' src='y.jpg'>", {u"x.jpg"}},
        Case{u"<img src=a\tb.jpg>", {u"a\tb.jpg"}}, Case{u"<img src=\"a'b\".png>", {u"ab.png"}},
        Case{u"<img src=]]x.jpg>", {u"]]x.jpg"}}));

INSTANTIATE_TEST_SUITE_P(
    Filters, CollectImagesTest,
    testing::Values(Case{u"<img src='a.gif'><img src='B.GIF'><img src='c.Gif'>", {}},
                    Case{u"<img src='a.gif?v=2'><img src='x.gifs/b.jpg'>", {}},
                    Case{u"<img src='pic.jpg?w=100'>", {}},
                    Case{u"<img src='a.jpeg'>", {u"a.jpeg"}},
                    Case{u"<img src='a.jpg'><img src='a.jpg'>", {u"a.jpg", u"a.jpg"}}));

INSTANTIATE_TEST_SUITE_P(Scanning, CollectImagesTest,
                         testing::Values(
                             // Without "src=" at the tag the next "src=" of the region is taken.
                             Case{u"<img src = 'a.jpg'><script src='s.js'>", {u"s.js"}},
                             Case{u"<img src = 'a.jpg'>", {}},
                             Case{u"<img src='a.jpg'><img src='b.png", {u"a.jpg"}},
                             Case{u"<img src='a.jpg'<img src='b.png'>", {}}));

INSTANTIATE_TEST_SUITE_P(LetterCase, CollectImagesTest,
                         testing::Values(
                             // The capitals of the first occurrence in the page win.
                             Case{u"<a href='IMG/Photo.JPG'>x</a><img src='img/photo.jpg'>",
                                  {u"IMG/Photo.JPG"}},
                             Case{u"<img src='A.png'><img src='a.PNG'>", {u"A.png", u"A.png"}},
                             Case{u"<IMG SRC='\u0130.PNG'>", {u"\u0130.PNG"}}));

TEST(CollectImagesTest, KeepsLowerCaseWhereThePageDiffers) {
  // The region had an entity replaced, so the source is not in the page.
  const std::u16string_view html = u"<img src='A&lt;B.png'>";
  const std::u16string lower = LowerCase(html);
  EXPECT_EQ(CollectImages(u"<img src='a<b.png'>", Page{html, lower}), Sources{u"a<b.png"});
}

// A source is kept when one of its last five units is a ".": through the
// whole conversion, on a page whose article (block 11 of a BlockPage) has
// its images in block 1, inside the image window.
TEST(CollectImagesTest, KeepsASourceWithADotInItsLastFiveUnits) {
  std::vector<std::u16string> texts(14);
  texts[1] = u"<img src=a.jpeg><img src=b.jpegs>";
  texts[11] = std::u16string(197, u'x');
  std::u16string body;
  for (size_t block = 10; block <= 11; ++block) body += test_support::BlockText(texts[block]);
  body += test_support::BlockText(texts[12]).substr(0, 196);
  EXPECT_EQ(HtmlToText(test_support::BlockPage(texts)), u"[[ur=a.jpeg]]\r\n[[txt]]\r\n" + body);
}

TEST(ImageLinesOfTest, WritesOneTaggedLinePerSource) {
  EXPECT_EQ(ImageLinesOf({}), u"");
  EXPECT_EQ(ImageLinesOf({u"a.jpg", u"]]b.png"}), u"[[ur=a.jpg]]\r\n[[ur=]]b.png]]\r\n");
}

}  // namespace
}  // namespace korvane
