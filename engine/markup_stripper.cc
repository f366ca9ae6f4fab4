#include "markup_stripper.h"

#include "lower_case.h"
#include "scratch.h"
#include "text_runs.h"

namespace korvane {
namespace {

// Stands for a line break while tags are still in the text.
constexpr std::u16string_view kBreak = u"zorblevant";

void RemoveBlock(Rewriter& text, std::u16string_view open, std::u16string_view close) {
  // The appended close marker ends a block that the page left open.
  text.Append(close).RemoveSpans(open, close);
}

// A tag that breaks a line ("<p...", "<br...") gets the break word in front
// and "q"s for its name's letters: the word ends the text before the tag,
// the "<" keeps the tag a tag for the scan, and the new name no longer
// matches, so that the replacement is not found again.
void MarkLineBreaks(Rewriter& text) {
  text.ReplaceAll(u"  ", u" ")
      .ReplaceAll(u"</td>", u" ")
      .ReplaceAll(u"</li>", kBreak)
      .ReplaceAll(u"</p>", kBreak)
      .ReplaceAll(u"<p", u"zorblevant<q")
      .ReplaceAll(u"<br", u"zorblevant<qq")
      .ReplaceAll(u"br>", u"qq>zorblevant")
      .ReplaceAll(u"</tr>", kBreak);
}

void KeepTextRuns(std::u16string_view text, std::u16string& kept) {
  kept.clear();
  ForEachTextRun(text, [&](size_t gt, size_t lt) {
    kept.append(TrimSpaces(text.substr(gt + 1, lt - gt - 1)));
  });
}

void TidyLines(Rewriter& text) {
  text.ReplaceAll(u"\r", u"")
      .ReplaceAll(u"\n", u"")
      .ReplaceAll(u"\t", u"")
      .ReplaceAll(u"  ", u" ")
      .ReplaceAll(kBreak, u"\r\n")
      .ReplaceAll(u" \r\n", u"\r\n")
      .ReplaceAll(u"\r\n\r\n", u"\r\n");
}

}  // namespace

void RemoveBlocks(Rewriter& text) {
  RemoveBlock(text, u"<style", u"</style>");
  RemoveBlock(text, u"<script", u"</script>");
  RemoveBlock(text, u"<head", u"</head>");
  RemoveBlock(text, u"<!--", u"-->");
}

void ReplaceEntities(Rewriter& text) {
  text.ReplaceAll(u"&nbsp;", u" ")
      .ReplaceAll(u"&lt;", u"<")
      .ReplaceAll(u"&gt;", u">")
      .RemoveEntities(u"&", u";")
      .ReplaceAll(u"&amp;", u"&");
}

std::u16string StripMarkup(std::u16string_view markup) {
  thread_local ScratchPair marked, plain;
  LowerCaseInto(markup, marked.text);
  Rewriter text(marked.text, marked.spare);
  // The locator's window is clean already, but cleaning twice is not cleaning
  // once: its entity pass turns "&lt;script" or "&lt;!--" into blocks that
  // only this pass removes.
  RemoveBlocks(text);
  ReplaceEntities(text);
  MarkLineBreaks(text);

  KeepTextRuns(text.Text(), plain.text);
  Rewriter lines(plain.text, plain.spare);
  TidyLines(lines);
  std::u16string result(lines.Text());
  GiveBackIfHuge(marked);
  GiveBackIfHuge(plain);
  return result;
}

}  // namespace korvane
