// Takes the boilerplate off the edges of an article's text: datelines and
// bylines above it; credits, sources, notices (copyright, disclaimers,
// subscription, social follow, feeds) and "related" headings below it.
// Trimming stops at the first line that reads like the article, so the
// article's own lines are never reached.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// What a line at an article's edge is.
enum class EdgeLine : uint8_t {
  kOther,     // neither boilerplate nor prose: a heading, a short line
  kProse,     // reads like the article: trimming stops here
  kDateline,  // "Updated Nov 19, 6:55 AM", "发表于 2004年12月27日 12:40"
  kCredit,    // "By Jane Doe", "编辑：张三", "来源：滨江日报", "Reporting by ..."
  kNotice,    // copyright, disclaimer, subscription, follow, related, feed
};

EdgeLine ClassifyEdgeLine(std::u16string_view line);

// Trims a body whose lines are joined by "\r\n": boilerplate lines from the
// first lines and from the last ones, up to the first line of prose on each
// side, and a notice section ("免责声明：" and what follows it) at the end.
void TrimEdges(std::u16string& body);

// Trims a note on the article's author from the very end of a body: short
// lines that open with one of the names of `author` and go on about them
// ("Jane Doe is a reporter for ..."), or that follow "About the author" or
// open with it. The body's first line always stays.
void TrimAuthorNote(std::u16string& body, std::u16string_view author);

}  // namespace korvane
