#include "dom_extract.h"

#include "dom_headings.h"
#include "dom_text.h"
#include "dom_tree.h"

namespace korvane {

Article ExtractDomArticle(std::u16string_view html) {
  thread_local Dom dom;
  dom.Parse(html);
  Article article;
  TextWriter writer(article.body);
  writer.AppendSubtree(dom, 0);
  writer.Finish();
  DomHeadings headings = ReadDomHeadings(dom, 0);
  article.title = std::move(headings.title);
  article.headline = std::move(headings.headline);
  dom.GiveBackIfHuge();
  return article;
}

}  // namespace korvane
