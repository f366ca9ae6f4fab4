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

}  // namespace korvane::test_support
