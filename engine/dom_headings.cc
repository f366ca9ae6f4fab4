#include "dom_headings.h"

#include "dom_text.h"

namespace korvane {
namespace {

NodeIndex FirstElement(const Dom& dom, Tag tag) {
  for (NodeIndex i = 0; i < dom.size(); ++i) {
    const Tag at = dom[i].tag;
    if (at == tag) return i;
    // An <svg> has titles of its own.
    if (at == Tag::kSvg) i = dom[i].end - 1;
  }
  return kNoNode;
}

std::u16string TitleText(const Dom& dom, NodeIndex title) {
  std::u16string text;
  if (title == kNoNode || dom.FirstChild(title) == kNoNode) return text;
  TextWriter writer(text);
  writer.AppendText(dom.Text(dom[dom.FirstChild(title)]));
  writer.Finish();
  return text;
}

}  // namespace

DomHeadings ReadDomHeadings(const Dom& dom, NodeIndex /*article*/) {
  DomHeadings headings;
  headings.title = TitleText(dom, FirstElement(dom, Tag::kTitle));
  const NodeIndex h1 = FirstElement(dom, Tag::kH1);
  if (h1 != kNoNode) headings.headline = OneLineText(dom, h1);
  return headings;
}

}  // namespace korvane
