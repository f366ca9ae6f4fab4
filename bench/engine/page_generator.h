// News pages generated for the benchmarks: a head with styles and scripts,
// navigation, an article of CJK paragraphs with images, side lists, a footer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane::bench {

// A page of about `units` code units (never less).
std::u16string NewsPage(size_t units, uint32_t seed);

}  // namespace korvane::bench
