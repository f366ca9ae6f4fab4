#include "dom_boilerplate.h"

#include <vector>

#include "dom_stats.h"
#include "html_tokenizer.h"

namespace korvane {
namespace {

// Longer lines are prose, whatever they mention (CJK counting three).
constexpr uint32_t kLongestBoilerplate = 200;

// Matched anywhere in a line, ASCII letters in any case.
// clang-format off
constexpr std::u16string_view kPhrases[] = {
    // Paging, sharing, "related", editor credits, copyright and disclaimers.
    u"上一页", u"下一页", u"上一篇", u"下一篇", u"分享到", u"分享至", u"返回顶部", u"回到顶部",
    u"相关阅读", u"相关新闻", u"相关文章", u"相关链接", u"推荐阅读", u"延伸阅读", u"热门推荐",
    u"责任编辑", u"版权所有", u"版权声明", u"免责声明", u"平台声明", u"转载", u"未经授权",
    u"仅代表作者", u"信息存储服务", u"扫一扫", u"二维码", u"关注我们", u"打印本页", u"关闭窗口",
    u"纠错", u"我要评论", u"发表评论", u"网友评论", u"点击查看", u"点击进入", u"收藏本文",
    // The same in traditional characters.
    u"上一頁", u"下一頁", u"相關閱讀", u"相關新聞", u"責任編輯", u"版權所有", u"轉載",
    u"免責聲明", u"二維碼", u"關注我們", u"網友評論",
    // English: notices and calls to action, not words that prose uses too.
    u"share this", u"share on", u"read more", u"related articles", u"related stories",
    u"advertisement", u"sign up for", u"sign up to", u"subscribe to", u"subscribe now",
    u"follow us", u"copyright", u"all rights reserved", u"\u00a9", u"click here", u"newsletter",
};
// clang-format on

bool StartsWithFolded(std::u16string_view text, std::u16string_view phrase) {
  if (phrase.size() > text.size()) return false;
  for (size_t i = 0; i < phrase.size(); ++i) {
    if (AsciiLower(text[i]) != phrase[i]) return false;
  }
  return true;
}

// The first units of the phrases, so that a line is read once and a phrase
// compared only where its first unit stands.
class FirstUnits {
 public:
  FirstUnits() {
    for (std::u16string_view phrase : kPhrases) units_[phrase.front()] = true;
  }
  bool Contains(char16_t unit) const { return units_[unit]; }

 private:
  std::vector<bool> units_ = std::vector<bool>(0x10000, false);
};

bool HasPhrase(std::u16string_view line) {
  static const FirstUnits first_units;
  for (size_t at = 0; at < line.size(); ++at) {
    if (!first_units.Contains(AsciiLower(line[at]))) continue;
    for (std::u16string_view phrase : kPhrases) {
      if (StartsWithFolded(line.substr(at), phrase)) return true;
    }
  }
  return false;
}

}  // namespace

bool IsBoilerplateLine(std::u16string_view line) {
  uint32_t chars = 0;
  uint32_t commas = 0;
  CountText(line, chars, commas);
  return chars <= kLongestBoilerplate && HasPhrase(line);
}

void RemoveBoilerplateLines(std::u16string& body) {
  std::u16string kept;
  kept.reserve(body.size());
  for (size_t begin = 0; begin < body.size();) {
    size_t end = body.find(u"\r\n", begin);
    if (end == std::u16string::npos) end = body.size();
    const std::u16string_view line = std::u16string_view(body).substr(begin, end - begin);
    if (!IsBoilerplateLine(line)) {
      if (!kept.empty()) kept.append(u"\r\n");
      kept.append(line);
    }
    begin = end + 2;
  }
  body.swap(kept);
}

}  // namespace korvane
