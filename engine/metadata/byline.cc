#include "metadata/byline.h"

#include <algorithm>
#include <bitset>

#include "common/chars.h"

namespace korvane {
namespace {

constexpr size_t kNone = std::u16string_view::npos;
// Chinese names have two to four characters; with a middle dot (names
// written in transliteration) or after a colon (a department) more.
constexpr size_t kMaxNameChars = 4;
constexpr size_t kMaxLongNameChars = 12;
constexpr int kMaxNames = 6;
constexpr int kMaxEnglishWords = 12;
// A "by" inside a line counts only in lines this short.
constexpr size_t kMaxBylineLine = 100;

// The middle dots of transliterated names ("阿卜杜拉·艾力").
bool IsNameDot(char16_t unit) { return unit == 0x00B7 || unit == 0x30FB || unit == 0x2027; }

bool IsLatinNameUnit(char16_t unit) {
  return IsAsciiLetter(unit) || IsAsciiDigit(unit) || unit == u'_' || unit == u'-' ||
         unit == u'.' || unit == u'\'' || unit == 0x2019;
}

bool StartsWith(std::u16string_view text, size_t at, std::u16string_view word) {
  return at + word.size() <= text.size() && text.substr(at, word.size()) == word;
}

bool EndsWith(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Words that end a run of names: the labels of the other parts of a
// dateline, and what follows a name in a byline ("发自北京", "报道", "摄").
constexpr std::u16string_view kStopWords[] = {
    u"来源", u"出处",   u"时间",   u"日期", u"发布", u"发表", u"发自", u"更新", u"编辑", u"责编",
    u"记者", u"通讯员", u"实习生", u"特约", u"报道", u"摄影", u"摄",   u"字号", u"点击", u"阅读",
    u"浏览", u"评论",   u"分享",   u"打印", u"关闭", u"收藏", u"转载", u"编译", u"翻译", u"作者",
    u"电话", u"邮箱",   u"供图",   u"制图", u"制表", u"绘图", u"绘制", u"出自", u"老师", u"教授",
    u"先生", u"女士",   u"博士",   u"同学", u"整合", u"整理", u"综合", u"选稿", u"校对", u"审核",
    u"监制", u"出品",   u"返回",   u"关注", u"投稿", u"我要", u"进入", u"访问", u"查看", u"更多",
    u"登录", u"注册",   u"订阅",   u"首页", u"主页"};

// Where the first stop word inside [begin, end) starts; kNone if none.
// One bit per UTF-16 unit: whether a word of `words` starts with it.
template <size_t N>
std::bitset<65536> FirstUnits(const std::u16string_view (&words)[N]) {
  std::bitset<65536> first;
  for (const std::u16string_view word : words) first.set(word.front());
  return first;
}

size_t StopWordAt(std::u16string_view text, size_t begin, size_t end) {
  static const std::bitset<65536> kStarts = FirstUnits(kStopWords);
  end = std::min(end, text.size());
  for (size_t at = begin; at < end; ++at) {
    if (!kStarts.test(text[at])) continue;
    for (const std::u16string_view word : kStopWords) {
      if (at + word.size() <= end && StartsWith(text, at, word)) return at;
    }
  }
  return kNone;
}

// Verbs of the makers of charts and drawings, who are not the writers.
constexpr std::u16string_view kDrawingVerbs[] = {u"制图", u"制表", u"绘图", u"绘制", u"设计"};

// Words of the roles that are credited beside the writer's: a declared
// author that holds one names an editor, a photographer or a chart's maker.
constexpr std::u16string_view kRoleWords[] = {u"编辑", u"责编", u"制图", u"制表", u"绘图",
                                              u"摄",   u"整理", u"校对", u"审核", u"审校",
                                              u"监制", u"出品", u"选稿", u"设计"};

// Texts that stand where names stand without being one.
constexpr std::u16string_view kNotNames[] = {
    u"佚名", u"未知", u"匿名", u"不详", u"本站", u"本网", u"网友", u"网络", u"管理员", u"小编",
    u"原创", u"综合", u"整理", u"获悉", u"了解", u"发现", u"看到", u"近日", u"日前", u"昨日",
    u"今日", u"今天", u"昨天", u"表示", u"介绍", u"采访", u"调查", u"走访", u"一行", u"待续",
    u"未完", u"完", u"续", u"组图", u"视频", u"图", u"上", u"中", u"下", u"本报", u"本刊", u"本台",
    u"本文", u"文章", u"回复", u"关注", u"订阅", u"粉丝", u"私信", u"点赞", u"举报", u"播报",
    u"admin", u"Admin", u"guest", u"Guest",
    // Channels, which datelines print in brackets too.
    u"国内", u"国际", u"社会", u"财经", u"体育", u"娱乐", u"科技", u"军事", u"教育", u"文化",
    u"时政", u"要闻", u"本地", u"健康", u"旅游", u"汽车", u"房产"};

// Endings of the names of organisations, which a person's name lacks.
constexpr std::u16string_view kOrganisationEnds[] = {
    u"网",   u"报",   u"社",     u"台",     u"刊",   u"站",   u"局",     u"部",   u"厅",   u"委",
    u"院",   u"会",   u"所",     u"处",     u"办",   u"组",   u"中心",   u"公司", u"集团", u"频道",
    u"杂志", u"新闻", u"在线",   u"政府",   u"电视", u"传媒", u"客户端", u"论坛", u"博客", u"专栏",
    u"网络", u"科技", u"工作室", u"管理员", u"小编", u"消息", u"综合",   u"讯",   u"声明", u"版"};

// The first characters of common Chinese family names (compound ones too):
// a name standing alone, without a label, must start with one.
constexpr std::u16string_view kFamilyNames =
    u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程"
    u"苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付傅方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛"
    u"郝龚邵万钱严覃武戴莫孔向汤常温康施文牛樊葛邢安齐易乔伍庞颜倪庄聂章鲁岳翟殷詹申欧耿关兰焦"
    u"俞左柳甘祝包宁尚符舒阮柯纪梅童凌毕单季裴霍涂成苗谷盛曲翁冉骆蓝路游辛靳管柴蒙鲍华喻祁蒲房"
    u"滕屈饶解牟艾尤阳时穆农司卓古吉缪简车项连芦麦褚娄窦戚岑景党宫费卜冷晏席卫米柏宗瞿桂全佟应"
    u"臧闵苟邬边卞姬师仇栾隋商刁沙荣巫寇桑郎甄丛仲虞敖巩明佘池查麻苑迟邝官封谈匡鞠惠荆乐冀郁胥"
    u"南班储原栗燕楚鄢劳谌奚皮粟冼蔺楼盘满闻位厉伊仝区郜海阚花权强帅屠豆朴盖练廉禹井祖漆巴丰支"
    u"卿国狄平计索宣晋相初门云容敬来扈晁芮都普阙浦戈伏鹿薄邸雍辜羊乌母裘亓修邰赫杭况那宿鲜印逯"
    u"隆茹诸战慕危玉银亢嵇公哈湛宾戎勾茅利於呼居揭干但尉冶斯元束檀衣信展阴昝智幸奉植衡富尧闭由"
    u"东皇端宇鄂蔚";

// Characters that turn up in clauses but hardly ever in names.
constexpr std::u16string_view kNeverInNames =
    u"的了是在这那们个说着被把让从对都就而或但吗呢吧啊与及";

// What a name does not start with (words that open a clause after "记者")
// and does not end with (verbs of reporting).
constexpr std::u16string_view kClauseStarts =
    u"从在对到将已也又还就都把被正近今昨即刚这那该其此所一每";
constexpr std::u16string_view kClauseEnds = u"说称问道到现为解悉诉访们等获";

bool IsNotName(std::u16string_view token) {
  for (const std::u16string_view word : kNotNames) {
    if (token == word) return true;
  }
  // Roles: "系统管理员", "本站小编".
  for (const std::u16string_view role : {u"管理员", u"小编", u"站长", u"admin", u"Admin"}) {
    if (EndsWith(token, role)) return true;
  }
  return false;
}

// Words of the names of organisations written in Latin letters.
constexpr std::u16string_view kOrganisationWords[] = {
    u"News",     u"Network",   u"Online",   u"Media",     u"Press", u"Agency",
    u"Staff",    u"Wire",      u"Services", u"Inc",       u"Ltd",   u"Group",
    u"Team",     u"Desk",      u"Editors",  u"Editorial", u"Radio", u"Television",
    u"Magazine", u"Newspaper", u"Sport",    u"Sports",    u"Bureau"};

// Whether any of the names (between blanks or commas) is an organisation's.
bool IsOrganisation(std::u16string_view names) {
  for (size_t begin = 0; begin < names.size();) {
    size_t end = names.find_first_of(u" ,，、", begin);
    if (end == kNone) end = names.size();
    const std::u16string_view name = names.substr(begin, end - begin);
    for (const std::u16string_view ending : kOrganisationEnds) {
      if (EndsWith(name, ending)) return true;
    }
    if (begin == 0 && name == u"The") return true;  // "The Valley Courier"
    for (const std::u16string_view word : kOrganisationWords) {
      if (name == word || (EndsWith(name, word) && name[name.size() - word.size() - 1] == u'.')) {
        return true;
      }
    }
    begin = end + 1;
  }
  return false;
}

bool LooksLikeClause(std::u16string_view token) {
  if (kClauseStarts.find(token.front()) != kNone || kClauseEnds.find(token.back()) != kNone) {
    return true;
  }
  for (const char16_t unit : token) {
    if (kNeverInNames.find(unit) != kNone) return true;
  }
  return false;
}

// Whether a run of names is Chinese and its first name starts with a family
// name (the next ones may have rarer ones).
bool StartsWithFamilyName(std::u16string_view names) {
  if (names.empty() || kFamilyNames.find(names.front()) == kNone) return false;
  for (const char16_t unit : names) {
    if (unit != u' ' && unit != u'、' && !IsCjk(unit) && !IsNameDot(unit)) return false;
  }
  return true;
}

// Whether each name of a run has two or three characters, as most Chinese
// names do: four-character words standing alone are seldom names.
bool ShortNames(std::u16string_view names) {
  constexpr size_t kMaxBareName = 3;
  size_t length = 0;
  for (const char16_t unit : names) {
    length = unit == u' ' || unit == u'、' ? 0 : length + 1;
    if (length > kMaxBareName) return false;
  }
  return true;
}

// Runs of Chinese characters are read this far at most: longer ones are no
// names, and a page that is one huge run stays linear.
constexpr size_t kMaxRun = kMaxLongNameChars + 12;

size_t CjkRunEnd(std::u16string_view line, size_t at) {
  const size_t last = std::min(line.size(), at + kMaxRun);
  while (at < last && (IsCjk(line[at]) || IsNameDot(line[at]))) ++at;
  return at;
}

// Units that may follow a run of names.
bool EndsNames(std::u16string_view line, size_t at) {
  if (at >= line.size()) return true;
  const char16_t unit = line[at];
  if (unit == u' ' || IsAsciiDigit(unit) || StopWordAt(line, at, at + 3) == at) return true;
  static constexpr std::u16string_view kEnders =
      u"，。；;,:：!！?？)）】]」』》|｜/／\\-—丨<>〉[【《「『（(";
  return kEnders.find(unit) != kNone;
}

enum class NameStyle : uint8_t {
  kStrict,  // two to four characters each, no clause words
  kValue,   // after a colon: longer runs, user names with digits, "&"
};

struct Names {
  size_t begin = 0;
  size_t end = 0;
};

// One name at `at`: its end, or kNone.
size_t ReadName(std::u16string_view line, size_t at, NameStyle style, bool first_name,
                bool& stopped) {
  const char16_t first = line[at];
  if (IsCjk(first)) {
    size_t end = CjkRunEnd(line, at);
    const size_t stop = StopWordAt(line, at, end);
    if (stop != kNone) {
      end = stop;
      stopped = true;
    }
    // "山东冠县报道": the place a report came from, not a name.
    if (stopped && StartsWith(line, end, u"报道")) return kNone;
    const std::u16string_view token = line.substr(at, end - at);
    bool dotted = false;
    for (const char16_t unit : token) dotted |= IsNameDot(unit);
    // A department after a colon ("发文机关：市人民政府") is one long name.
    const bool long_allowed = (style == NameStyle::kValue && first_name) || dotted;
    const size_t most = long_allowed ? kMaxLongNameChars : kMaxNameChars;
    if (token.empty() || token.size() > most || IsNotName(token)) return kNone;
    if (token.size() > kMaxNameChars && !dotted) stopped = true;
    if (style == NameStyle::kStrict && LooksLikeClause(token)) return kNone;
    if (token.size() == 1) {
      // "刘 涛": a two-character name spaced out to the width of three.
      const size_t next = SkipBlanks(line, end);
      if (style == NameStyle::kValue || next == end || CjkRunEnd(line, next) != next + 1) {
        return style == NameStyle::kValue ? end : kNone;
      }
      return next + 1;
    }
    return end;
  }
  // User names with digits ("cm3721") stand alone after a colon.
  const bool digits_allowed = style == NameStyle::kValue && first_name;
  if (!IsAsciiLetter(first) && !(digits_allowed && IsAsciiDigit(first))) return kNone;
  size_t end = at;
  while (end < line.size() &&
         (IsLatinNameUnit(line[end]) || (digits_allowed && line[end] == u'&'))) {
    ++end;
  }
  while (end > at && (line[end - 1] == u'.' || line[end - 1] == u'-')) --end;
  if (!digits_allowed && std::any_of(line.begin() + static_cast<ptrdiff_t>(at),
                                     line.begin() + static_cast<ptrdiff_t>(end), IsAsciiDigit)) {
    return kNone;  // "韩保林 PK155": an id after the name
  }
  return end;
}

// A run of names at `at` ("王建宏 张文攀", "赵延东、风笑天", "周思博 (Joel Spolsky)").
std::optional<Names> ReadNames(std::u16string_view line, size_t at, NameStyle style) {
  Names names;
  names.begin = SkipBlanks(line, at);
  size_t pos = names.begin;
  for (int count = 0; count < kMaxNames && pos < line.size(); ++count) {
    bool stopped = false;
    const size_t end = ReadName(line, pos, style, count == 0, stopped);
    if (end == kNone) break;
    names.end = pos = end;
    if (stopped) break;
    size_t next = SkipBlanks(line, pos);
    if (next < line.size() && (line[next] == u'、' || line[next] == u'&')) {
      next = SkipBlanks(line, next + 1);
    } else if (next < line.size() && line[next] == u'(' && style == NameStyle::kValue) {
      // A name in Latin letters beside the Chinese one (looked for nearby
      // only, so that a line of many brackets is read once).
      constexpr size_t kMaxBracketed = 40;
      const size_t close = line.substr(0, next + kMaxBracketed).find(u')', next);
      if (close != kNone) {
        names.end = pos = close + 1;
        next = SkipBlanks(line, pos);
      }
    }
    if (next == pos && next < line.size()) break;
    pos = next;
  }
  if (names.end <= names.begin || !EndsNames(line, names.end)) return std::nullopt;
  // "记者经历了近4个小时": a name runs into a number only in a clause.
  if (style == NameStyle::kStrict && names.end < line.size() && IsAsciiDigit(line[names.end])) {
    return std::nullopt;
  }
  return names;
}

// A byline's names as printed, without trailing blanks.
std::u16string Printed(std::u16string_view line, const Names& names) {
  std::u16string_view text = line.substr(names.begin, names.end - names.begin);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return std::u16string(text);
}

// What must follow a label.
enum class After : uint8_t {
  kColon,         // "执笔：" (also "】" of "【作者】")
  kColonOrBlank,  // "作者：", "作者 张三"
  kSlash,         // "文／", "文/", "文：", "文|"
  kAnything,      // "记者张三"
};

struct Label {
  std::u16string_view text;
  BylineKind kind;
  After after;
};

constexpr std::u16string_view kIssuerLabel = u"发文机关";

constexpr Label kLabels[] = {
    {u"作者", BylineKind::kAuthor, After::kColonOrBlank},
    {u"作 者", BylineKind::kAuthor, After::kColon},
    {u"撰文", BylineKind::kAuthor, After::kColonOrBlank},
    {u"撰稿", BylineKind::kAuthor, After::kColon},
    {u"执笔", BylineKind::kAuthor, After::kColon},
    {u"执笔人", BylineKind::kAuthor, After::kColon},
    {kIssuerLabel, BylineKind::kAuthor, After::kColon},
    {u"发帖人", BylineKind::kAuthor, After::kColon},
    {u"楼主", BylineKind::kAuthor, After::kColon},
    {u"博主", BylineKind::kAuthor, After::kColon},
    {u"记者", BylineKind::kReporter, After::kAnything},
    {u"贴由", BylineKind::kAuthor, After::kAnything},
    {u"帖由", BylineKind::kAuthor, After::kAnything},
    {u"文", BylineKind::kAuthor, After::kSlash},
    {u"责任编辑", BylineKind::kEditor, After::kColonOrBlank},
    {u"责编", BylineKind::kEditor, After::kColonOrBlank},
    {u"编辑", BylineKind::kEditor, After::kColonOrBlank},
    {u"选稿", BylineKind::kEditor, After::kColon},
    {u"来源", BylineKind::kSource, After::kColon},
    {u"稿源", BylineKind::kSource, After::kColon},
    {u"摄影", BylineKind::kPhotographer, After::kColonOrBlank},
};

bool IsColon(char16_t unit) {
  return unit == u':' || unit == 0xFF1A || unit == 0x3011 || unit == u']';
}
bool IsSlash(char16_t unit) {
  return unit == u'/' || unit == 0xFF0F || unit == u'|' || unit == 0xFF5C || IsColon(unit);
}

// The units a byline can start at (a label's first character, "By", the
// marks after a name), to pass over the rest quickly.
std::bitset<65536> BylineStarts() {
  std::bitset<65536> first;
  for (const Label& label : kLabels) first.set(label.text.front());
  for (const char16_t unit : u"Bb发由/／ ") first.set(unit);
  return first;
}

// Whether a label may start at `at`: labels of one character need a line
// start, blank or bracket before them; "记者" must not be the object of a
// verb ("告诉记者", "接受记者采访").
bool MayStartLabel(std::u16string_view line, size_t at, const Label& label) {
  if (at == 0) return true;
  const char16_t before = line[at - 1];
  if (!IsCjk(before)) return true;
  if (label.text.size() == 1) return false;
  if (label.after != After::kAnything) return true;
  static constexpr std::u16string_view kVerbs =
      u"诉对向受据给让和与跟被令使请的名位些多众有是为当做找见随陪问经";
  return kVerbs.find(before) == kNone;
}

// Where the names after a label start, or kNone when the label's rule fails.
size_t AfterLabel(std::u16string_view line, size_t at, const Label& label, bool& colon) {
  size_t pos = at + label.text.size();
  const size_t spaced = SkipBlanks(line, pos);
  colon = spaced < line.size() && IsColon(line[spaced]);
  switch (label.after) {
    case After::kColon:
      return colon ? spaced + 1 : kNone;
    case After::kColonOrBlank:
      return colon ? spaced + 1 : spaced > pos ? spaced : kNone;
    case After::kSlash:
      colon = false;
      return spaced < line.size() && IsSlash(line[spaced]) ? spaced + 1 : kNone;
    case After::kAnything:
      return colon ? spaced + 1 : spaced;
  }
  return kNone;
}

// Whether a label at `at` opens its line or a bracket near the line's start.
bool OpensLine(std::u16string_view line, size_t at) {
  constexpr size_t kNear = 10;
  if (at <= kNear) return true;
  return line.substr(at - kNear, kNear).find_first_of(u"（(【[") != kNone;
}

// What a credit says its names did, when a verb follows them.
enum class Role : uint8_t { kWrote, kPhotographs, kDraws };

Role RoleAfter(std::u16string_view line, size_t end) {
  const size_t at = SkipBlanks(line, end);
  if (StartsWith(line, at, u"摄")) return Role::kPhotographs;
  for (const std::u16string_view verb : kDrawingVerbs) {
    if (StartsWith(line, at, verb)) return Role::kDraws;
  }
  return Role::kWrote;
}

std::optional<Byline> LabelledAt(std::u16string_view line, size_t at) {
  for (const Label& label : kLabels) {
    if (!StartsWith(line, at, label.text) || !MayStartLabel(line, at, label)) continue;
    bool colon = false;
    const size_t from = AfterLabel(line, at, label, colon);
    if (from == kNone) continue;
    // In prose a reporter is named in brackets ("本报讯（记者 张三）") or
    // at the line's start; elsewhere "记者" is a word of the text, and so is
    // any label without its colon.
    if ((label.kind == BylineKind::kReporter || !colon) && line.size() > kMaxBylineLine &&
        !OpensLine(line, at)) {
      continue;
    }
    const bool value = colon && label.kind != BylineKind::kSource;
    // "本贴由张三于2005年...": the poster's name ends at "于".
    const bool posted = label.text.back() == u'由';
    const size_t until =
        posted ? line.substr(0, std::min(line.size(), from + kMaxRun)).find(u'于', from)
               : line.size();
    if (until == kNone) continue;
    const std::u16string_view scope = line.substr(0, until);
    const std::optional<Names> names =
        ReadNames(scope, from, value || posted ? NameStyle::kValue : NameStyle::kStrict);
    if (!names) continue;
    std::u16string printed = Printed(scope, *names);
    const bool organisation = IsOrganisation(printed);
    if (label.kind == BylineKind::kSource &&
        (!StartsWithFamilyName(printed) || !ShortNames(printed))) {
      continue;  // a source is a person only when it looks like a name
    }
    // "作者：新京报": an organisation is no writer; the body that issues an
    // official document ("发文机关：") is that document's author.
    if (organisation && (!value || label.text != kIssuerLabel)) continue;
    // "记者张三": a name run on from its label is a name only if it looks like one.
    if (label.after == After::kAnything && !posted && names->begin == at + label.text.size() &&
        !StartsWithFamilyName(printed)) {
      continue;
    }
    // "记者 张三 摄", "记者 张三 制图": the credit of a photograph or a chart.
    const Role role = RoleAfter(scope, names->end);
    if (role == Role::kDraws) continue;
    const BylineKind kind = role == Role::kPhotographs ? BylineKind::kPhotographer : label.kind;
    return Byline{std::move(printed), kind};
  }
  return std::nullopt;
}

// "由张三张贴 @ 2006-04-12": a poster's name between "由" and the verb of
// posting, which ends the clause.
std::optional<Byline> PostedBy(std::u16string_view line, size_t at) {
  static constexpr std::u16string_view kPostingVerbs[] = {u"张贴", u"贴出", u"发表", u"发布"};
  if (at > 0 && IsCjk(line[at - 1])) return std::nullopt;
  const size_t from = at + 1;
  const size_t last = std::min(line.size(), from + kMaxLongNameChars + 1);
  for (size_t end = from + 1; end < last; ++end) {
    for (const std::u16string_view verb : kPostingVerbs) {
      if (!StartsWith(line, end, verb)) continue;
      const size_t after = end + verb.size();
      if (after < line.size() && IsCjk(line[after])) return std::nullopt;  // "由他发布的"
      const std::u16string_view name = line.substr(from, end - from);
      const bool cjk = IsCjk(name.front());
      if (IsNotName(name) || IsOrganisation(name) || (cjk && LooksLikeClause(name)) ||
          !std::all_of(name.begin(), name.end(),
                       [](char16_t unit) { return IsCjk(unit) || IsLatinNameUnit(unit); })) {
        return std::nullopt;
      }
      return Byline{std::u16string(name), BylineKind::kAuthor};
    }
  }
  return std::nullopt;
}

// "张三/文", "张三 摄", "张三 发表于": the name before a mark.
std::optional<Byline> NameBefore(std::u16string_view line, size_t mark, BylineKind kind) {
  size_t end = mark;
  while (end > 0 && line[end - 1] == u' ') --end;
  size_t begin = end;
  const size_t first = end > kMaxRun ? end - kMaxRun : 0;
  while (begin > first && (IsCjk(line[begin - 1]) || IsLatinNameUnit(line[begin - 1]))) --begin;
  if (begin == end || (begin > 0 && line[begin - 1] != u' ' && !IsSlash(line[begin - 1]) &&
                       line[begin - 1] != u'（' && line[begin - 1] != u'(')) {
    return std::nullopt;
  }
  const std::u16string_view token = line.substr(begin, end - begin);
  const bool cjk = IsCjk(token.front());
  if (IsNotName(token) || (cjk && (token.size() < 2 || token.size() > kMaxNameChars)) ||
      IsOrganisation(token) || StopWordAt(token, 0, token.size()) != kNone) {
    return std::nullopt;
  }
  return Byline{std::u16string(token), kind};
}

std::optional<Byline> MarkedAt(std::u16string_view line, size_t at) {
  static constexpr struct {
    std::u16string_view mark;
    BylineKind kind;
  } kMarks[] = {
      {u"发表于", BylineKind::kAuthor},     {u"/文", BylineKind::kAuthor},
      {u"／文", BylineKind::kAuthor},       {u"/摄", BylineKind::kPhotographer},
      {u"／摄", BylineKind::kPhotographer}, {u" 摄", BylineKind::kPhotographer},
  };
  for (const auto& mark : kMarks) {
    if (!StartsWith(line, at, mark.mark)) continue;
    const size_t after = at + mark.mark.size();
    if (mark.kind == BylineKind::kPhotographer && after < line.size() && IsCjk(line[after])) {
      continue;  // "摄像", "摄制"
    }
    if (auto byline = NameBefore(line, at, mark.kind)) return byline;
  }
  return std::nullopt;
}

bool IsEnglishParticle(std::u16string_view word) {
  static constexpr std::u16string_view kParticles[] = {u"de",  u"van", u"von", u"der", u"da",
                                                       u"di",  u"la",  u"le",  u"bin", u"al",
                                                       u"del", u"du",  u"dos", u"ten"};
  for (const std::u16string_view particle : kParticles) {
    if (word == particle) return true;
  }
  return false;
}

bool IsEnglishStopWord(std::u16string_view word) {
  static constexpr std::u16string_view kWords[] = {
      u"Updated",  u"Published", u"Posted", u"January", u"February",  u"March",   u"April",
      u"May",      u"June",      u"July",   u"August",  u"September", u"October", u"November",
      u"December", u"Jan",       u"Feb",    u"Mar",     u"Apr",       u"Jun",     u"Jul",
      u"Aug",      u"Sep",       u"Sept",   u"Oct",     u"Nov",       u"Dec",     u"The",
      u"A",        u"An",        u"On",     u"In",      u"At",        u"For",     u"With"};
  for (const std::u16string_view stop : kWords) {
    if (word == stop) return true;
  }
  return false;
}

// Whether what stands before a "by" inside a line makes it a byline: the
// line's start behind punctuation ("— By"), a date or time ("2005/05/17
// 22:11 by"), or a word of publishing ("Posted by", "Written by"). Elsewhere
// "by" is prose ("sacked by Manchester United") or names a maker ("Powered
// by").
bool OpensByline(std::u16string_view before) {
  size_t end = before.size();
  while (end > 0 && before[end - 1] == u' ') --end;
  const std::u16string_view lead = before.substr(0, end);
  if (lead.find_first_not_of(u" |•·—–-([") == kNone) return true;
  if (IsAsciiDigit(lead.back()) || lead.back() == u'|' || lead.back() == u'•' ||
      lead.back() == u'·' || lead.back() == u'—') {
    return true;
  }
  for (const std::u16string_view word :
       {u"osted", u"ritten", u"tory", u"ords", u"eported", u"eporting", u"ublished"}) {
    if (EndsWith(lead, word)) return true;
  }
  return false;
}

// Where the word [begin, end) runs into another element's text: the first
// seam inside it, or `end`. A seam after its first letter alone is a drop
// capital's ("<b>J</b>ane").
size_t WordEnd(std::span<const uint32_t> seams, size_t begin, size_t end) {
  const auto seam = std::upper_bound(seams.begin(), seams.end(), begin + 1);
  return seam != seams.end() && *seam < end ? *seam : end;
}

// "By", "by", "BY" followed by a blank or a colon ("By: Jane Doe").
bool IsEnglishByAt(std::u16string_view line, size_t at) {
  if (!(StartsWith(line, at, u"By") || StartsWith(line, at, u"by") ||
        StartsWith(line, at, u"BY"))) {
    return false;
  }
  return at + 2 < line.size() && (line[at + 2] == u' ' || line[at + 2] == u':');
}

// "By Jane Doe and John Roe", "By: Jane Doe & John Roe", "by 眉间尺": the
// names after "by", which end where their element does.
std::optional<Byline> EnglishBylineAt(std::u16string_view line, size_t at,
                                      std::span<const uint32_t> seams) {
  if (!IsEnglishByAt(line, at)) return std::nullopt;
  if (at > 0 && (IsAsciiLetter(line[at - 1]) || IsAsciiDigit(line[at - 1]) ||
                 line.size() > kMaxBylineLine || !OpensByline(line.substr(0, at)))) {
    return std::nullopt;
  }
  size_t pos = SkipBlanks(line, at + 2);
  if (pos < line.size() && line[pos] == u':') pos = SkipBlanks(line, pos + 1);
  if (pos < line.size() && IsCjk(line[pos])) {
    const std::optional<Names> names = ReadNames(line, pos, NameStyle::kStrict);
    if (!names || IsOrganisation(Printed(line, *names))) return std::nullopt;
    return Byline{Printed(line, *names), BylineKind::kAuthor};
  }
  Names names{pos, pos};
  bool after_connector = false;
  for (int words = 0; words < kMaxEnglishWords && pos < line.size(); ++words) {
    size_t end = pos;
    if (line[pos] == u'&') {
      ++end;
    } else {
      while (end < line.size() && IsLatinNameUnit(line[end])) ++end;
      end = WordEnd(seams, pos, end);
    }
    const std::u16string_view word = line.substr(pos, end - pos);
    if (word.empty()) break;
    const bool name_word = IsAsciiUpper(word.front()) && !IsEnglishStopWord(word);
    if (word == u"and" || word == u"&") {
      if (after_connector || names.end == names.begin) break;
      after_connector = true;
    } else if (name_word || (IsEnglishParticle(word) && names.end > names.begin)) {
      if (name_word) names.end = end;
      after_connector = false;
    } else {
      break;
    }
    pos = SkipBlanks(line, end);
    if (pos == end) break;
  }
  if (names.end == names.begin) return std::nullopt;
  // "by Taboola": after a lower-case "by" a single word names a maker.
  std::u16string printed = Printed(line, names);
  if (line[at] == u'b' && printed.find(u' ') == std::u16string::npos) return std::nullopt;
  if (IsOrganisation(printed)) return std::nullopt;  // "By Valley News Network"
  return Byline{std::move(printed), BylineKind::kAuthor};
}

// "（袁源）", "（姚峰 上海报道）", "(张三/文)" closing a line.
std::optional<Byline> ClosingNames(std::u16string_view line) {
  size_t end = line.size();
  while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'。')) --end;
  if (end == 0 || (line[end - 1] != u'）' && line[end - 1] != u')')) return std::nullopt;
  const size_t open = line.find_last_of(u"（(", end - 1);
  if (open == kNone) return std::nullopt;
  // The note stands alone or after a sentence, not after a teaser's title.
  size_t before = open;
  while (before > 0 && line[before - 1] == u' ') --before;
  if (before > 0 && std::u16string_view(u"。！？!?”\"…").find(line[before - 1]) == kNone) {
    return std::nullopt;
  }
  const std::u16string_view inside = line.substr(open + 1, end - open - 2);
  const std::optional<Names> names = ReadNames(inside, 0, NameStyle::kStrict);
  if (!names) return std::nullopt;
  // After the names only a place of reporting ("上海报道") or "/文" may follow.
  const size_t rest = SkipBlanks(inside, names->end);
  const std::u16string_view tail = inside.substr(rest);
  if (!tail.empty() && !EndsWith(tail, u"报道") && tail != u"/文" && tail != u"／文") {
    return std::nullopt;
  }
  std::u16string printed = Printed(inside, *names);
  if (!StartsWithFamilyName(printed)) return std::nullopt;
  return Byline{std::move(printed), BylineKind::kClosing};
}

// A line that holds nothing but names ("胡平", "赵延东、风笑天").
std::optional<Byline> NamesOnly(std::u16string_view line) {
  const std::optional<Names> names = ReadNames(line, 0, NameStyle::kStrict);
  if (!names || names->begin != 0 || SkipBlanks(line, names->end) != line.size()) {
    return std::nullopt;
  }
  std::u16string printed = Printed(line, *names);
  if (!StartsWithFamilyName(printed) || !ShortNames(printed)) return std::nullopt;
  return Byline{std::move(printed), BylineKind::kNamesOnly};
}

// "2006年3月9日10:42 [ 张三 ] 来源：...": a name in brackets beside the
// date and the source of a dateline.
std::optional<Byline> BracketedName(std::u16string_view line) {
  for (size_t open = line.find_first_of(u"[【"); open != kNone;
       open = line.find_first_of(u"[【", open + 1)) {
    // Right after the date or time, and not one of a row of bracketed labels.
    size_t before = open;
    while (before > 0 && line[before - 1] == u' ') --before;
    if (before == 0 || (!IsAsciiDigit(line[before - 1]) && line[before - 1] != u'日')) continue;
    const std::optional<Names> names = ReadNames(line, open + 1, NameStyle::kStrict);
    if (!names) continue;
    const size_t close = SkipBlanks(line, names->end);
    if (close >= line.size() || (line[close] != u']' && line[close] != u'】')) continue;
    const size_t after = SkipBlanks(line, close + 1);
    if (after < line.size() && (line[after] == u'[' || line[after] == u'【')) continue;
    std::u16string printed = Printed(line, *names);
    if (StartsWithFamilyName(printed) && ShortNames(printed)) {
      return Byline{std::move(printed), BylineKind::kNamesOnly};
    }
  }
  return std::nullopt;
}

bool Surer(const std::optional<Byline>& candidate, const std::optional<Byline>& best) {
  return candidate && (!best || candidate->kind > best->kind);
}

std::optional<Byline> SurestByline(std::u16string_view line, bool may_be_bare,
                                   std::span<const uint32_t> seams) {
  std::optional<Byline> best;
  static const std::bitset<65536> kStarts = BylineStarts();
  for (size_t at = 0; at < line.size(); ++at) {
    const char16_t unit = line[at];
    if (!kStarts.test(unit)) continue;
    std::optional<Byline> found;
    if (unit == u'由') {
      found = PostedBy(line, at);
    } else if (IsCjk(unit)) {
      found = LabelledAt(line, at);
    } else if (unit == u'B' || unit == u'b') {
      found = EnglishBylineAt(line, at, seams);
    }
    if (!found && (unit == u'发' || unit == u'/' || unit == 0xFF0F || unit == u' ')) {
      found = MarkedAt(line, at);
    }
    if (Surer(found, best)) best = std::move(found);
    if (best && best->kind == BylineKind::kAuthor) return best;
  }
  if (!may_be_bare) return best;
  std::optional<Byline> bare = ClosingNames(line);
  if (!bare) bare = NamesOnly(line);
  if (Surer(bare, best)) best = std::move(bare);
  return best;
}

}  // namespace

// "www.example.com", "CSDN.NET": a site, not a person.
bool LooksLikeDomain(std::u16string_view text) {
  for (const std::u16string_view part :
       {u"www.", u".com", u".net", u".org", u".cn", u".COM", u".NET", u".ORG", u".CN"}) {
    if (text.find(part) != kNone) return true;
  }
  return false;
}

// "青网新闻张毅" -> "张毅": a name run on after an organisation's.
std::u16string WithoutOrganisation(const std::u16string& text) {
  for (const std::u16string_view ending : kOrganisationEnds) {
    const size_t at = text.find(ending);
    if (at == kNone || at == 0) continue;
    const std::u16string_view rest = std::u16string_view(text).substr(at + ending.size());
    if (rest.size() >= 2 && rest.size() <= 3 && StartsWithFamilyName(rest)) {
      return std::u16string(rest);
    }
  }
  return text;
}

// Copyright lines name makers and owners, not authors.
bool IsCopyrightLine(std::u16string_view line) {
  static constexpr std::u16string_view kMarks[] = {u"©", u"Copyright", u"copyright", u"版权所有"};
  for (const std::u16string_view mark : kMarks) {
    if (line.find(mark) != kNone) return true;
  }
  return false;
}

std::optional<Byline> FindByline(std::u16string_view line, bool may_be_bare, bool dateline,
                                 std::span<const uint32_t> seams) {
  std::optional<Byline> best = SurestByline(line, may_be_bare, seams);
  if (!best && dateline) best = BracketedName(line);
  if (best && IsCopyrightLine(line)) return std::nullopt;
  return best;
}
// "Text: Jane Doe" -> "Jane Doe", "Jane Doe, Valleywire" -> "Jane Doe", "Jane
// Doe. Valley Network" -> "Jane Doe": a label before a name in Latin letters,
// and the outlet after it.
std::u16string WithoutLatinAdditions(std::u16string text) {
  constexpr size_t kMaxLabel = 12;
  if (const size_t colon = text.find(u": ");
      colon != kNone && colon <= kMaxLabel && text.find(u' ') > colon) {
    text.erase(0, colon + 2);
  }
  if (text.empty() || !IsAsciiLetter(text.front())) return text;
  const auto words = [](std::u16string_view part) {
    return std::count(part.begin(), part.end(), u' ') + 1;
  };
  if (const size_t comma = text.rfind(u", ");
      comma != kNone && words(std::u16string_view(text).substr(comma + 2)) == 1) {
    text.resize(comma);
  }
  // After a word, not an initial ("Mary E. Lind").
  if (const size_t stop = text.find(u". "); stop != kNone && stop >= 2 &&
                                            IsAsciiLetter(text[stop - 2]) &&
                                            words(std::u16string_view(text).substr(0, stop)) >= 2) {
    text.resize(stop);
  }
  return text;
}

// A single word in capitals ("QWZXKT") is an account's id or an acronym.
bool IsCapitalisedId(std::u16string_view text) {
  constexpr size_t kLeastIdLetters = 4;
  return text.size() >= kLeastIdLetters && std::all_of(text.begin(), text.end(), IsAsciiUpper);
}

std::u16string DeclaredAuthor(std::u16string_view value) {
  constexpr size_t kMaxAuthorValue = 60;
  std::u16string text(value);
  if (const std::optional<Byline> byline = FindByline(text, false);
      byline && byline->kind >= BylineKind::kReporter) {
    text = byline->names;
  }
  // Addresses, ids and markup anywhere in the value make it no name.
  const auto count = [&](std::u16string_view units) {
    return std::count_if(text.begin(), text.end(),
                         [&](char16_t u) { return units.find(u) != kNone; });
  };
  if (count(u"0123456789") >= 3 || count(u"!?<>|=@_") > 0 || text.find(u"://") != kNone ||
      LooksLikeDomain(text)) {
    return {};
  }
  text = WithoutOrganisation(WithoutLatinAdditions(text));
  const bool names_role = std::any_of(
      std::begin(kRoleWords), std::end(kRoleWords),
      [&](std::u16string_view word) { return text.find(word) != std::u16string::npos; });
  if (text.empty() || names_role || text.size() > kMaxAuthorValue || IsNotName(text) ||
      IsOrganisation(text) || IsCapitalisedId(text)) {
    return {};
  }
  return text;
}

}  // namespace korvane
