// Authors as news pages print them in a line of text: "作者：张三",
// "本报记者 李四 王五", "（记者 赵六 北京报道）", "文／钱七", "By Jane Doe",
// a closing "（孙八）", a line that holds only names, and, as weaker
// evidence, editors, a person named as the source, and photographers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvane {

// How sure a byline is, weakest first.
enum class BylineKind : uint8_t {
  kPhotographer,  // "张三/摄", "摄影：张三"
  kSource,        // "来源：张三" when the source is a person's name
  kEditor,        // "编辑：张三", "（责任编辑：张三）"
  kNamesOnly,     // a line that is nothing but names
  kClosing,       // "（张三）", "（张三 北京报道）" closing a paragraph
  kReporter,      // "记者 张三", "本报记者张三"
  kAuthor,        // "作者：", "文／", "执笔：", "By", "张三 发表于"
};

struct Byline {
  std::u16string names;  // as printed, blanks squeezed
  BylineKind kind;
};

// The surest byline in one line of text (blanks squeezed), if any. Closing
// notes and lines of names count only where `may_be_bare` (the caller knows
// the line's place: an article's last lines, the line under the headline);
// a name in brackets only in a `dateline` ("2004年7月16日 [ 张三 ] 来源：...").
// `seams` are the offsets, in order, where the line's text passes from one
// element to another without a blank: names in Latin letters end there.
std::optional<Byline> FindByline(std::u16string_view line, bool may_be_bare, bool dateline = false,
                                 std::span<const uint32_t> seams = {});

// An author as a page declares it (a <meta> tag, JSON-LD), blanks squeezed,
// without "By" or labels, and without an organisation run on before the
// name ("青网新闻张毅" gives "张毅"); empty when it is a link, an id, an
// organisation or a word standing in for a name ("佚名", "admin").
std::u16string DeclaredAuthor(std::u16string_view value);

}  // namespace korvane
