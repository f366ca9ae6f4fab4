// SPDX-License-Identifier: Apache-2.0
#include "dom/boilerplate.h"

#include <vector>

#include "dom/phrases.h"
#include "dom/stats.h"
#include "dom/text.h"
#include "html/tokenizer.h"

namespace korvane {
namespace {

// Lines longer than this are prose, whatever they mention (CJK counting
// three): phrases found only in notices mark lines up to kLongNotice, those
// that prose may use too only lines up to kShortNotice.
constexpr uint32_t kLongNotice = 200;
constexpr uint32_t kShortNotice = 90;

struct Phrase {
  std::u16string_view text;  // matched anywhere in a line, ASCII letters in any case
  bool notice_only;
};

// clang-format off
constexpr Phrase kPhrases[] = {
    // Editor credits, copyright, disclaimers, paging, sharing, comments.
    {u"责任编辑", true}, {u"版权所有", true}, {u"版权声明", true}, {u"免责声明", true},
    {u"平台声明", true}, {u"仅代表作者", true}, {u"信息存储服务", true}, {u"未经授权", true},
    {u"返回顶部", true}, {u"回到顶部", true}, {u"关闭窗口", true}, {u"打印本页", true},
    {u"收藏本文", true}, {u"我要评论", true}, {u"发表评论", true}, {u"网友评论", true},
    {u"上一页", true}, {u"下一页", true}, {u"分享到", true}, {u"分享至", true},
    {u"責任編輯", true}, {u"版權所有", true}, {u"免責聲明", true}, {u"網友評論", true},
    {u"上一頁", true}, {u"下一頁", true},
    {u"all rights reserved", true}, {u"\u00a9", true}, {u"click here", true},
    {u"subscribe to our", true}, {u"sign up for our", true}, {u"sign up to our", true},
    {u"our newsletter", true}, {u"newsletters", true},
    // "Related", reposting, QR codes, calls to action.
    {u"上一篇", false}, {u"下一篇", false}, {u"相关阅读", false}, {u"相关新闻", false},
    {u"相关文章", false}, {u"相关链接", false}, {u"推荐阅读", false}, {u"延伸阅读", false},
    {u"热门推荐", false}, {u"转载", false}, {u"扫一扫", false}, {u"二维码", false},
    {u"关注我们", false}, {u"纠错", false}, {u"点击查看", false}, {u"点击进入", false},
    {u"相關閱讀", false}, {u"相關新聞", false}, {u"轉載", false}, {u"二維碼", false},
    {u"關注我們", false},
    {u"share this", false}, {u"share on", false}, {u"read more", false},
    {u"related articles", false}, {u"related stories", false}, {u"advertisement", false},
    {u"sign up for", false}, {u"sign up to", false}, {u"subscribe to", false},
    {u"subscribe now", false}, {u"follow us", false}, {u"copyright", false},
    {u"newsletter", false},
};
// clang-format on

// The texts of a list of phrases, for an index.
template <class Phrase, size_t N>
std::vector<std::u16string_view> TextsOf(const Phrase (&phrases)[N]) {
  std::vector<std::u16string_view> texts;
  for (const Phrase& phrase : phrases) texts.push_back(phrase.text);
  return texts;
}

// The line phrases in an index, so that a line is read once and a phrase
// compared only where its first unit stands.
const PhraseIndex& LinePhraseIndex() {
  static const std::vector<std::u16string_view> texts = TextsOf(kPhrases);
  static const PhraseIndex index(texts);
  return index;
}

// Whether the line holds a phrase that marks a line of its length.
bool HasPhrase(std::u16string_view line, bool short_line) {
  bool found = false;
  LinePhraseIndex().ForEach(line, [&](size_t phrase, size_t) {
    found = short_line || kPhrases[phrase].notice_only;
    return !found;
  });
  return found;
}

struct FooterPhrase {
  std::u16string_view text;  // ASCII letters in lower case
  int marks;
};

constexpr FooterPhrase kFooterPhrases[] = {
    {u"版权所有", 2},
    {u"icp备", 2},
    {u"icp证", 2},
    {u"公网安备", 2},
    {u"all rights reserved", 2},
    {u"\u00a9", 2},
    {u"友情链接", 2},
    {u"违法和不良信息", 2},
    {u"不良信息举报", 2},
    {u"版權所有", 2},
    {u"許可證", 1},
    {u"许可证", 1},
    {u"备案", 1},
    {u"copyright", 1},
    {u"邮政编码", 1},
    {u"联系地址", 1},
    {u"主办", 1},
    {u"承办", 1},
    {u"联系电话", 1},
    {u"网站地图", 1},
    {u"关于我们", 1},
    {u"联系我们", 1},
    {u"广告服务", 1},
    {u"privacy policy", 1},
    {u"terms of use", 1},
    {u"terms of service", 1},
    {u"cookie policy", 1},
    {u"contact us", 1},
    {u"about us", 1},
};

const PhraseIndex& FooterPhraseIndex() {
  static const std::vector<std::u16string_view> texts = TextsOf(kFooterPhrases);
  static const PhraseIndex index(texts);
  return index;
}

}  // namespace

int FooterMarks(std::u16string_view text) {
  int marks = 0;
  FooterPhraseIndex().ForEach(text, [&](size_t phrase, size_t) {
    marks += kFooterPhrases[phrase].marks;
    return true;
  });
  return marks;
}

bool IsBoilerplateLine(std::u16string_view line) {
  uint32_t chars = 0;
  uint32_t commas = 0;
  CountText(line, chars, commas);
  return chars <= kLongNotice && HasPhrase(line, chars <= kShortNotice);
}

void RemoveBoilerplateLines(std::u16string& body) {
  // In place, as the kept lines only move towards the start.
  size_t size = 0;
  for (size_t begin = 0; begin < body.size();) {
    size_t end = body.find(u"\r\n", begin);
    if (end == std::u16string::npos) end = body.size();
    const std::u16string_view line = std::u16string_view(body).substr(begin, end - begin);
    if (!IsBoilerplateLine(line)) {
      if (size > 0) size = MoveTo(body, size, u"\r\n");
      size = MoveTo(body, size, line);
    }
    begin = end + 2;
  }
  body.resize(size);
}

}  // namespace korvane
