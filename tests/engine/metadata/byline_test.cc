#include "metadata/byline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
      {u"发文机关：市人民政府", u"市人民政府", BylineKind::kAuthor},  // the issuer of a document
      {u"由青石张贴 @ 2006-04-12 09:15:30", u"青石", BylineKind::kAuthor},
      {u"本报记者 王五 摄", u"王五", BylineKind::kPhotographer},
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
        u"跳到导航 跳到搜索", u"（完）", u"来源：新华网", u"作者：佚名", u"作者：滨江网络中心",
        u"本报记者 王五 制图", u"作者：我要投稿", u"由他发布的通知已经生效",
        u"By Valley News Network", u"2006年3月9日10:42 [ 黄立 ] 来源：[ 滨江日报 ]"}) {
    EXPECT_FALSE(FindByline(line, true)) << ToUtf8(line);
  }
}

// The names a line gives, "" for none, with the kind when there are names.
struct Found {
  std::u16string_view line, names;
  BylineKind kind = BylineKind::kAuthor;
  bool may_be_bare = false;
};

void ExpectBylines(std::initializer_list<Found> cases) {
  for (const Found& test : cases) {
    const std::optional<Byline> byline = FindByline(test.line, test.may_be_bare);
    EXPECT_EQ(byline ? byline->names : u"", test.names) << ToUtf8(test.line);
    if (byline && !test.names.empty()) {
      EXPECT_EQ(byline->kind, test.kind) << ToUtf8(test.line);
    }
  }
}

TEST(BylineTest, LabelsWithTheirColonsOrWithout) {
  ExpectBylines({
      {u"作者：王明", u"王明"},
      {u"作者:王明", u"王明"},
      {u"作者 ： 王明", u"王明"},
      {u"作者 王明", u"王明"},
      {u"作者王明", u""},
      {u"【作者】王明", u"王明"},
      {u"执笔：王明", u"王明"},
      {u"执笔 王明", u""},
      {u"文／王明", u"王明"},
      {u"文|王明", u"王明"},
      {u"文 王明", u""},
      {u"记者王明", u"王明", BylineKind::kReporter},
      {u"记者对此表示", u""},
      {u"编辑 王明", u"王明", BylineKind::kEditor},
      {u"摄影：王明", u"王明", BylineKind::kPhotographer},
      {u"王明 摄", u"王明", BylineKind::kPhotographer},
      {u"王明 摄像", u""},
  });
}

TEST(BylineTest, NamesOfTwoToFourCharactersWithoutAColonAndLongerAfterOne) {
  ExpectBylines({
      {u"作者 欧阳明月", u"欧阳明月"},
      {u"作者 欧阳明月光", u""},
      {u"作者：欧阳明月光", u"欧阳明月光"},
      {u"作者 阿布\u00b7艾力买提", u"阿布\u00b7艾力买提"},
      {u"记者 王明 李华 张伟", u"王明 李华 张伟", BylineKind::kReporter},
  });
}

TEST(BylineTest, AReporterInsideALongLineCountsUpTo100Units) {
  // "记者 王明" after 20 units of text, in a line of 100 units and of 101.
  const std::u16string before(20, u'嗯');
  const std::u16string byline = u"记者 王明 ";
  for (const size_t size : {100, 101}) {
    const std::u16string line = before + byline + std::u16string(size - 26, u'嗯');
    ASSERT_EQ(line.size(), size);
    const std::optional<Byline> found = FindByline(line, false);
    EXPECT_EQ(found ? found->names : u"", size <= 100 ? u"王明" : u"") << size;
  }
}

TEST(BylineTest, EnglishBylines) {
  ExpectBylines({
      {u"By Jane Doe", u"Jane Doe"},
      {u"By: Jane Doe", u"Jane Doe"},
      {u"BY:JANE DOE", u"JANE DOE"},
      {u"By : Jane Doe", u"Jane Doe"},
      {u"By:", u""},
      {u"Bylines Jane Doe", u""},
      {u"Sort by: Newest", u""},
      {u"By Jane Doe & John Roe", u"Jane Doe & John Roe"},
      {u"By Jane Doe and John Roe & Ann Poe", u"Jane Doe and John Roe & Ann Poe"},
      {u"By Jane Doe & and John Roe", u"Jane Doe"},
      {u"By Jane Doe &", u"Jane Doe"},
      {u"By & Jane Doe", u""},
      {u"BY JANE DOE", u"JANE DOE"},
      {u"by jane doe", u""},
      {u"By Taboola", u"Taboola"},
      {u"by Taboola", u""},
      {u"by Jane Doe", u"Jane Doe"},
      {u"By Jane Doe, Staff Writer", u"Jane Doe"},
      {u"By Jean van der Berg", u"Jean van der Berg"},
      {u"By The Associated Press", u""},
      {u"Written by Jane Doe", u"Jane Doe"},
      {u"2023-11-18 10:20 by Jane Doe", u"Jane Doe"},
      {u"The striker was sacked by Manchester United", u""},
      {u"Powered by Example Press", u""},
  });
}

TEST(BylineTest, EnglishNamesEndWhereTheirElementEnds) {
  // Offsets where one element's text runs on into another's without a blank.
  const struct {
    std::u16string_view line;
    std::vector<uint32_t> seams;
    std::u16string_view names;
  } cases[] = {
      {u"by Adnetby Adnet", {8}, u""},  // two links "by Adnet" side by side
      {u"By Jane DoeUpdated 3 hours ago", {11}, u"Jane Doe"},
      {u"By Jane DoeUpdated 3 hours ago", {}, u"Jane DoeUpdated"},
      {u"By Jane Doe", {3, 8}, u"Jane Doe"},  // the elements' words are whole
      {u"By Jane Doe", {3, 4}, u"Jane Doe"},  // a drop capital
      {u"By Jane Doe", {5}, u"Ja"},
      {u"ByJane Doe", {2}, u""},
      {u"By Jane DoeJohn Roe", {11, 15}, u"Jane Doe"},
  };
  for (const auto& test : cases) {
    const std::optional<Byline> byline = FindByline(test.line, false, false, test.seams);
    EXPECT_EQ(byline ? byline->names : u"", test.names) << ToUtf8(test.line);
  }
}

TEST(BylineTest, ClosingNotesAndBareNames) {
  ExpectBylines({
      {u"。（王明）", u"王明", BylineKind::kClosing, true},
      {u"完工。 (王明 滨江报道)", u"王明", BylineKind::kClosing, true},
      {u"。（王明）", u"", BylineKind::kClosing, false},
      {u"标题（王明）", u"", BylineKind::kClosing, true},
      {u"。（王明 说明）", u"", BylineKind::kClosing, true},
      {u"王明", u"王明", BylineKind::kNamesOnly, true},
      {u"王明、李华", u"王明、李华", BylineKind::kNamesOnly, true},
      {u"王明明明", u"", BylineKind::kNamesOnly, true},
      {u"春风", u"", BylineKind::kNamesOnly, true},
      {u"\u00a9 2023 作者：王明", u""},
  });
}

TEST(BylineTest, DeclaredAuthorsWithoutLabelsOrStandIns) {
  const struct {
    std::u16string_view value, author;
  } cases[] = {
      {u"Jane Doe", u"Jane Doe"},
      {u"By Jane Doe", u"Jane Doe"},
      {u"作者：王明", u"王明"},
      {u"青网新闻张毅", u"张毅"},
      {u"滨江日报", u""},
      {u"佚名", u""},
      {u"admin", u""},
      {u"https://herald.example/staff/jane", u""},
      {u"www.herald.example", u""},
      {u"herald.com", u""},
      {u"user123", u""},
      {u"user12", u"user12"},
      {u"jane@herald.example", u""},
  };
  for (const auto& test : cases)
    EXPECT_EQ(DeclaredAuthor(test.value), test.author) << ToUtf8(test.value);
}

TEST(BylineTest, NameInBracketsOnlyInADateline) {
  const std::u16string_view line = u"2006年3月9日10:42 [ 黄立 ] 来源：[ 滨江日报 ]";
  EXPECT_FALSE(FindByline(line, false, false));
  EXPECT_EQ(FindByline(line, false, true)->names, u"黄立");
  EXPECT_FALSE(FindByline(u"2006年3月9日 [ 国际 ] 来源：滨江日报", false, true));
  EXPECT_FALSE(FindByline(u"2006年3月9日 [ 黄立 ] [ 财经 ]", false, true));
  EXPECT_FALSE(FindByline(u"点击 [ 黄立 ] 来源：滨江日报", false, true));
}

TEST(BylineTest, DeclaredAuthorsThatNameARoleOrAnOrganisationAreNone) {
  const struct {
    std::u16string_view value, author;
  } kept[] = {
      {u"张三 王五", u"张三 王五"},
      {u"Mary E. Lind", u"Mary E. Lind"},
      {u"Tom Ashby, Valleywire", u"Tom Ashby"},
      {u"Ruth Okafor. Valley International", u"Ruth Okafor"},
      {u"Text: Jane Doe", u"Jane Doe"},
  };
  for (const auto& test : kept) EXPECT_EQ(DeclaredAuthor(test.value), test.author);
  for (const std::u16string_view value :
       {u"赵六制图", u"责任编辑：李四", u"王五 摄", u"张三整理", u"Valley News Network",
        u"The Valley Courier", u"QWZXKT", u"name, email@example.com"}) {
    EXPECT_EQ(DeclaredAuthor(value), u"") << ToUtf8(value);
  }
}

}  // namespace
}  // namespace korvane
