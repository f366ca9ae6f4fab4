#include "markup_stripper.h"

#include "lower_case.h"
#include "text_primitives.h"
#include "text_runs.h"

namespace korvane {
namespace {

// Stands for a line break while tags are still in the text.
constexpr std::u16string_view kBreak = u"zorblevant";

std::u16string RemoveBlock(std::u16string text, std::u16string_view open,
                           std::u16string_view close) {
  // The appended close marker ends a block that the page left open.
  text.append(close);
  return RemoveSpans(text, open, close);
}

std::u16string_view TrimSpaces(std::u16string_view text) {
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

std::u16string MarkLineBreaks(std::u16string text) {
  text = ReplaceAll(text, u"  ", u" ");
  text = ReplaceAll(text, u"</td>", u" ");
  text = ReplaceAll(text, u"</li>", kBreak);
  text = ReplaceAll(text, u"</p>", kBreak);
  text = ReplaceAll(text, u"<p", u"zorblevant<q");
  text = ReplaceAll(text, u"<br", u"zorblevant<qq");
  text = ReplaceAll(text, u"br>", u"qq>zorblevant");
  return ReplaceAll(text, u"</tr>", kBreak);
}

std::u16string KeepTextRuns(std::u16string_view text) {
  std::u16string kept;
  ForEachTextRun(text, [&](size_t gt, size_t lt) {
    kept.append(TrimSpaces(text.substr(gt + 1, lt - gt - 1)));
  });
  return kept;
}

std::u16string TidyLines(std::u16string text) {
  text = ReplaceAll(text, u"\r", u"");
  text = ReplaceAll(text, u"\n", u"");
  text = ReplaceAll(text, u"\t", u"");
  text = ReplaceAll(text, u"  ", u" ");
  text = ReplaceAll(text, kBreak, u"\r\n");
  text = ReplaceAll(text, u" \r\n", u"\r\n");
  return ReplaceAll(text, u"\r\n\r\n", u"\r\n");
}

}  // namespace

std::u16string RemoveBlocks(std::u16string_view lower) {
  std::u16string text = RemoveBlock(std::u16string(lower), u"<style", u"</style>");
  text = RemoveBlock(std::move(text), u"<script", u"</script>");
  text = RemoveBlock(std::move(text), u"<head", u"</head>");
  return RemoveBlock(std::move(text), u"<!--", u"-->");
}

std::u16string ReplaceEntities(std::u16string_view text) {
  std::u16string replaced = ReplaceAll(text, u"&nbsp;", u" ");
  replaced = ReplaceAll(replaced, u"&lt;", u"<");
  replaced = ReplaceAll(replaced, u"&gt;", u">");
  replaced = RemoveEntities(replaced, u"&", u";");
  return ReplaceAll(replaced, u"&amp;", u"&");
}

std::u16string StripMarkup(std::u16string_view markup) {
  const std::u16string text =
      MarkLineBreaks(ReplaceEntities(RemoveBlocks(LowerCase(markup))));
  return TidyLines(KeepTextRuns(text));
}

}  // namespace korvane
