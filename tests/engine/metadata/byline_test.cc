// SPDX-License-Identifier: Apache-2.0
#include "metadata/byline.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"

namespace korvane {
namespace {

using cli::ToUtf8;

TEST(BylineTest, NamesAsPrintedWithoutTheirLabels) {
  const struct {
    std::u16string_view line, names;
    BylineKind kind;
  } cases[] = {
      {u"时间：2004年10月21日14:18 作者：郭励弘", u"郭励弘", BylineKind::kAuthor},
      {u"作者:zboygirl 阅读(1660) 评论(5)", u"zboygirl", BylineKind::kAuthor},
      {u"作者： 周思博 (Joel Spolsky)", u"周思博 (Joel Spolsky)", BylineKind::kAuthor},
      {u"发文机关：市人民政府", u"市人民政府", BylineKind::kNamesOnly},
      {u"本贴由大卫于2005年8月12日16:12:21在论坛发表", u"大卫", BylineKind::kAuthor},
      {u"ggjjzhzz 发表于 2005-9-15 11:46:00", u"ggjjzhzz", BylineKind::kAuthor},
      {u"文／钱七", u"钱七", BylineKind::kAuthor},
      {u"By Jane Doe and John Roe | Updated 3 hours ago", u"Jane Doe and John Roe",
       BylineKind::kAuthor},
      {u"光明日报记者 王建宏 张文攀", u"王建宏 张文攀", BylineKind::kReporter},
      {u"本报记者罗科苏盈发自北京", u"罗科苏盈", BylineKind::kReporter},
      {u"新京报记者 彭冲 山东冠县报道", u"彭冲", BylineKind::kReporter},
      {u"记者 刘 涛", u"刘 涛", BylineKind::kReporter},
      {u"来源：新闻晨报 编辑：山石", u"山石", BylineKind::kEditor},
      {u"来源: 尹娟", u"尹娟", BylineKind::kSource},
      {u"拿出10万元投资房产 蔡雪婧/摄", u"蔡雪婧", BylineKind::kPhotographer},
  };
  for (const auto& test : cases) {
    const std::optional<Byline> byline = FindByline(test.line, false);
    ASSERT_TRUE(byline) << ToUtf8(test.line);
    EXPECT_EQ(byline->names, test.names);
    EXPECT_EQ(byline->kind, test.kind);
  }
}

TEST(BylineTest, BareNamesOnlyWhereTheCallerAllowsThemAndProseIsNoByline) {
  EXPECT_EQ(FindByline(u"（姚峰 上海报道）", true)->names, u"姚峰");
  EXPECT_EQ(FindByline(u"赵延东、风笑天", true)->kind, BylineKind::kNamesOnly);
  EXPECT_FALSE(FindByline(u"赵延东、风笑天", false));
  for (const std::u16string_view line :
       {u"孙启勤告诉记者，他仍然在坚持购买彩票。", u"记者获悉，今年的计划已经公布。",
        u"本刊记者经历了近4个小时的车程", u"在线荐稿记者博客联系记者", u"[作者简介] (个人情况保密)",
        u"作者： size=\"20\" 来源：", u"Powered by Discuz! Archiver © 2001-2006",
        u"跳到导航 跳到搜索", u"（完）", u"来源：新华网", u"作者：佚名"}) {
    EXPECT_FALSE(FindByline(line, true)) << ToUtf8(line);
  }
}

}  // namespace
}  // namespace korvane
