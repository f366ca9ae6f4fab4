// SPDX-License-Identifier: Apache-2.0
#include "render/url.h"

#include "ascii.h"

namespace korvane::cli {
namespace {

struct UrlParts {
  std::optional<std::string_view> scheme;
  std::optional<std::string_view> authority;
  std::string_view path;
  std::optional<std::string_view> query;
  std::optional<std::string_view> fragment;
};

bool IsSchemeStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsSchemeChar(char c) {
  return IsSchemeStart(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The five components of a URI reference (RFC 3986, appendix B).
UrlParts Split(std::string_view text) {
  UrlParts parts;
  const size_t colon = text.find_first_of(":/?#");
  if (colon != std::string_view::npos && colon > 0 && text[colon] == ':' &&
      IsSchemeStart(text[0])) {
    bool valid = true;
    for (size_t i = 1; i < colon; ++i) valid = valid && IsSchemeChar(text[i]);
    if (valid) {
      parts.scheme = text.substr(0, colon);
      text.remove_prefix(colon + 1);
    }
  }
  if (const size_t hash = text.find('#'); hash != std::string_view::npos) {
    parts.fragment = text.substr(hash + 1);
    text = text.substr(0, hash);
  }
  if (const size_t question = text.find('?'); question != std::string_view::npos) {
    parts.query = text.substr(question + 1);
    text = text.substr(0, question);
  }
  if (text.starts_with("//")) {
    const size_t end = text.find('/', 2);
    parts.authority = text.substr(2, end == std::string_view::npos ? end : end - 2);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
  }
  parts.path = text;
  return parts;
}

// RFC 3986, section 5.2.4.
std::string RemoveDotSegments(std::string_view input) {
  std::string output;
  while (!input.empty()) {
    if (input.starts_with("../")) {
      input.remove_prefix(3);
    } else if (input.starts_with("./")) {
      input.remove_prefix(2);
    } else if (input.starts_with("/./")) {
      input.remove_prefix(2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.starts_with("/../") || input == "/..") {
      input = input.size() == 3 ? std::string_view("/") : input.substr(3);
      const size_t last = output.rfind('/');
      output.erase(last == std::string::npos ? 0 : last);
    } else if (input == "." || input == "..") {
      input = {};
    } else {
      const size_t next = input.find('/', input.starts_with('/') ? 1 : 0);
      const size_t length = next == std::string_view::npos ? input.size() : next;
      output.append(input.substr(0, length));
      input.remove_prefix(length);
    }
  }
  return output;
}

// RFC 3986, section 5.2.3.
std::string Merge(const UrlParts& base, std::string_view reference_path) {
  std::string merged;
  if (base.authority && base.path.empty()) {
    merged = "/";
  } else if (const size_t slash = base.path.rfind('/'); slash != std::string_view::npos) {
    merged = base.path.substr(0, slash + 1);
  }
  merged.append(reference_path);
  return merged;
}

std::string Recompose(std::string_view scheme, const std::optional<std::string>& authority,
                      const std::string& path, std::optional<std::string_view> query,
                      std::optional<std::string_view> fragment) {
  std::string url(scheme);
  url += ':';
  if (authority) url.append("//").append(*authority);
  url += path;
  if (query) url.append("?").append(*query);
  if (fragment) url.append("#").append(*fragment);
  return url;
}

bool IsControlOrSpace(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// What a browser's URL parser reads: no C0 controls or blanks around the
// text, no tab, LF or CR within it.
std::string Cleaned(std::string_view text) {
  while (!text.empty() && IsControlOrSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsControlOrSpace(text.back())) text.remove_suffix(1);
  std::string cleaned;
  cleaned.reserve(text.size());
  for (const char c : text) {
    if (c != '\t' && c != '\n' && c != '\r') cleaned += c;
  }
  return cleaned;
}

}  // namespace

std::optional<std::string> ResolveUrl(std::string_view base_text, std::string_view reference_text) {
  const std::string reference = Cleaned(reference_text);
  const std::string base_cleaned = Cleaned(base_text);
  const UrlParts ref = Split(reference);
  if (ref.scheme) {
    std::optional<std::string> authority;
    if (ref.authority) authority = std::string(*ref.authority);
    return Recompose(*ref.scheme, authority, RemoveDotSegments(ref.path), ref.query, ref.fragment);
  }
  const UrlParts base = Split(base_cleaned);
  if (!base.scheme) return std::nullopt;
  std::optional<std::string> authority;
  std::string path;
  std::optional<std::string_view> query = ref.query;
  if (ref.authority) {
    authority = std::string(*ref.authority);
    path = RemoveDotSegments(ref.path);
  } else {
    if (base.authority) authority = std::string(*base.authority);
    if (ref.path.empty()) {
      path = std::string(base.path);
      if (!ref.query) query = base.query;
    } else if (ref.path.starts_with('/')) {
      path = RemoveDotSegments(ref.path);
    } else {
      path = RemoveDotSegments(Merge(base, ref.path));
    }
  }
  return Recompose(*base.scheme, authority, path, query, ref.fragment);
}

bool IsWebUrl(std::string_view url) {
  const UrlParts parts = Split(url);
  if (!parts.scheme) return false;
  const std::string scheme = AsciiLowered(*parts.scheme);
  return scheme == "http" || scheme == "https" || scheme == "ftp";
}

}  // namespace korvane::cli
