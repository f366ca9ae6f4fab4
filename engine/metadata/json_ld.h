// SPDX-License-Identifier: Apache-2.0
// What a page's JSON-LD (<script type="application/ld+json">) says about its
// article: the date it was published and its authors.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

struct LinkedData {
  std::u16string published;  // datePublished (else dateCreated), as written
  std::u16string author;     // the names of the authors that are not organisations, ", " between
};

// Reads one script's JSON and fills what `data` does not hold yet. An article
// object (NewsArticle, BlogPosting, ...) wins over other objects, and among
// objects of a kind the first in document order that declares a value;
// comments, reviews and media objects are passed over. Every value is read,
// however many there are, in one pass: JSON that breaks off is read up to
// the fault, and containers nested more than 32 deep are passed over.
void ReadLinkedData(std::u16string_view json, LinkedData& data);

}  // namespace korvane
