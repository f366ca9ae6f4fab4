// SPDX-License-Identifier: Apache-2.0
// Pages written for the tests: small news pages whose article the engine
// finds, in UTF-8 as the command line reads them or in UTF-16 as the engine
// takes them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane::test_support {

constexpr std::string_view kNewsParagraph =
    "记者从有关部门获悉，今年全市经济运行总体平稳，城乡居民收入稳步提高。";

// A news page in UTF-8: a head (with `head_extra` before the title), a line
// of navigation links, an image paragraph per entry of `images`, twelve
// numbered paragraphs of `paragraph` twice, and a footer.
std::string ArticlePage(std::string_view title, const std::vector<std::string>& images = {},
                        std::string_view head_extra = "",
                        std::string_view paragraph = kNewsParagraph);

constexpr int kParagraphRepeats = 100;

// A page with a title whose body is one image and one paragraph holding
// `text` kParagraphRepeats times.
std::u16string OneParagraphPage(std::u16string_view title, std::u16string_view image,
                                std::u16string_view text);

// The units of text in a block of a BlockPage, after its "<i>" tag.
constexpr size_t kBlockTextUnits = 197;

// `text` padded with "-", which the content locator does not count, to
// kBlockTextUnits units.
std::u16string BlockText(std::u16string_view text);

// A page whose body the content locator cuts into exactly these blocks of
// 200 units: block 0 is the body's start tag (texts[0] must be empty) and
// block k > 0 is "<i>" followed by BlockText(texts[k]). The locator never
// counts the last block.
std::u16string BlockPage(const std::vector<std::u16string>& texts);

}  // namespace korvane::test_support
