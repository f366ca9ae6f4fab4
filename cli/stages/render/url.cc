// SPDX-License-Identifier: Apache-2.0
#include "render/url.h"

#include <unicode/uidna.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "ascii.h"

namespace korvane::cli {
namespace {

// A URL of a special scheme (http, https, ftp, ws, wss), parsed.
struct Url {
  std::string scheme;
  std::string username;
  std::string password;
  std::string host;  // serialized: a domain in ASCII, an IPv4 address, [IPv6]
  std::string port;  // empty: the scheme's default
  std::vector<std::string> path;
  // A query or fragment may be there and empty ("?", "#").
  bool has_query = false;
  std::string query;
  bool has_fragment = false;
  std::string fragment;
};

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

bool IsSchemeChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.'; }

// Schemes whose URLs have a host and a hierarchical path; "file" is left
// out, as no image URL may name a local file.
std::optional<std::string_view> DefaultPort(std::string_view scheme) {
  static constexpr std::pair<std::string_view, std::string_view> kSpecial[] = {
      {"http", "80"}, {"https", "443"}, {"ftp", "21"}, {"ws", "80"}, {"wss", "443"}};
  for (const auto& [name, port] : kSpecial) {
    if (scheme == name) return port;
  }
  return std::nullopt;
}

bool IsSlash(char c) { return c == '/' || c == '\\'; }

// The percent-encode sets of URLs, for the bytes of UTF-8 text.
enum class EncodeSet { kFragment, kQuery, kPath, kUserinfo };

bool NeedsEncoding(unsigned char c, EncodeSet set) {
  if (c < 0x20 || c > 0x7E) return true;
  static constexpr std::string_view kFragment = " \"<>`";
  static constexpr std::string_view kQuery = " \"#<>'";  // the special-query set
  static constexpr std::string_view kPath = " \"#<>?`{}";
  static constexpr std::string_view kUserinfo = " \"#<>?`{}/:;=@[\\]^|";
  switch (set) {
    case EncodeSet::kFragment:
      return kFragment.find(static_cast<char>(c)) != std::string_view::npos;
    case EncodeSet::kQuery:
      return kQuery.find(static_cast<char>(c)) != std::string_view::npos;
    case EncodeSet::kPath:
      return kPath.find(static_cast<char>(c)) != std::string_view::npos;
    case EncodeSet::kUserinfo:
      break;
  }
  return kUserinfo.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string PercentEncoded(std::string_view text, EncodeSet set) {
  std::string encoded;
  encoded.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (!NeedsEncoding(byte, set)) {
      encoded += c;
      continue;
    }
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", byte);
    encoded += escape;
  }
  return encoded;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) &&
        IsHexDigit(text[i + 2])) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// A number of an IPv4 address: decimal, 0x hexadecimal or 0 octal.
std::optional<uint64_t> Ipv4Number(std::string_view part) {
  if (part.empty()) return std::nullopt;
  int radix = 10;
  if (part.size() >= 2 && part[0] == '0' && (part[1] | 0x20) == 'x') {
    radix = 16;
    part.remove_prefix(2);
  } else if (part.size() >= 2 && part[0] == '0') {
    radix = 8;
    part.remove_prefix(1);
  }
  uint64_t value = 0;
  for (const char c : part) {
    const bool valid = radix == 16 ? IsHexDigit(c) : IsDigit(c) && c - '0' < radix;
    if (!valid) return std::nullopt;
    value = std::min<uint64_t>(value * radix + HexValue(c), uint64_t{1} << 40);
  }
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// A host whose last label is a number is an IPv4 address, or invalid.
bool EndsInANumber(std::string_view host) {
  std::vector<std::string_view> parts = Split(host, '.');
  if (parts.back().empty()) {
    if (parts.size() == 1) return false;
    parts.pop_back();
  }
  const std::string_view last = parts.back();
  if (!last.empty() && std::all_of(last.begin(), last.end(), IsDigit)) return true;
  return last.size() >= 2 && last[0] == '0' && (last[1] | 0x20) == 'x' &&
         std::all_of(last.begin() + 2, last.end(), IsHexDigit);
}

std::optional<std::string> Ipv4Address(std::string_view host) {
  std::vector<std::string_view> parts = Split(host, '.');
  if (parts.back().empty() && parts.size() > 1) parts.pop_back();
  if (parts.size() > 4) return std::nullopt;
  std::vector<uint64_t> numbers;
  for (const std::string_view part : parts) {
    const std::optional<uint64_t> number = Ipv4Number(part);
    if (!number) return std::nullopt;
    numbers.push_back(*number);
  }
  for (size_t i = 0; i + 1 < numbers.size(); ++i) {
    if (numbers[i] > 255) return std::nullopt;
  }
  if (numbers.back() >= uint64_t{1} << (8 * (5 - numbers.size()))) return std::nullopt;
  uint64_t address = numbers.back();
  for (size_t i = 0; i + 1 < numbers.size(); ++i) address += numbers[i] << (8 * (3 - i));
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

// An IPv4 address written in the last two pieces of an IPv6 address.
bool ParseEmbeddedIpv4(std::string_view text, std::array<uint16_t, 8>& pieces, size_t& index) {
  if (index > 6) return false;
  const std::vector<std::string_view> parts = Split(text, '.');
  if (parts.size() != 4) return false;
  uint32_t address = 0;
  for (const std::string_view part : parts) {
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0') ||
        !std::all_of(part.begin(), part.end(), IsDigit)) {
      return false;
    }
    const int value = std::stoi(std::string(part));
    if (value > 255) return false;
    address = address * 256 + static_cast<uint32_t>(value);
  }
  pieces[index++] = static_cast<uint16_t>(address >> 16);
  pieces[index++] = static_cast<uint16_t>(address & 0xFFFF);
  return true;
}

std::optional<std::array<uint16_t, 8>> ParseIpv6(std::string_view text) {
  std::array<uint16_t, 8> pieces{};
  size_t index = 0;
  std::optional<size_t> compress;
  size_t at = 0;
  if (text.starts_with("::")) {
    at = 2;
    compress = index;
  } else if (text.starts_with(':')) {
    return std::nullopt;
  }
  while (at < text.size()) {
    if (index == 8) return std::nullopt;
    if (text[at] == ':') {
      if (compress) return std::nullopt;
      ++at;
      compress = index;
      continue;
    }
    size_t end = at;
    while (end < text.size() && end - at < 4 && IsHexDigit(text[end])) ++end;
    if (end < text.size() && text[end] == '.') {
      if (end == at || !ParseEmbeddedIpv4(text.substr(at), pieces, index)) return std::nullopt;
      at = text.size();
      break;
    }
    if (end == at) return std::nullopt;
    uint16_t value = 0;
    for (size_t i = at; i < end; ++i) value = static_cast<uint16_t>(value * 16 + HexValue(text[i]));
    pieces[index++] = value;
    at = end;
    if (at < text.size()) {
      if (text[at] != ':') return std::nullopt;
      if (++at == text.size()) return std::nullopt;  // a trailing single ":"
    }
  }
  if (compress) {
    const size_t moved = index - *compress;
    std::move_backward(pieces.begin() + *compress, pieces.begin() + index, pieces.end());
    std::fill(pieces.begin() + *compress, pieces.end() - moved, 0);
  } else if (index != 8) {
    return std::nullopt;
  }
  return pieces;
}

// Lower-case hex pieces, the first longest run of two or more zeros as "::".
std::string Ipv6Text(const std::array<uint16_t, 8>& pieces) {
  size_t best = 8, best_length = 1;
  for (size_t i = 0; i < 8;) {
    size_t end = i;
    while (end < 8 && pieces[end] == 0) ++end;
    if (end - i > best_length) {
      best = i;
      best_length = end - i;
    }
    i = end == i ? i + 1 : end;
  }
  std::string text = "[";
  for (size_t i = 0; i < 8; ++i) {
    if (i == best) {
      text += i == 0 ? "::" : ":";
      i += best_length - 1;
      continue;
    }
    char piece[8];
    std::snprintf(piece, sizeof piece, "%x", pieces[i]);
    text += piece;
    if (i < 7) text += ':';
  }
  return text + "]";
}

struct IdnaCloser {
  void operator()(UIDNA* idna) const { uidna_close(idna); }
};

// UTS 46 as the URL Standard asks: nontransitional, bidi and joiner rules
// checked, hyphens, STD3 rules and DNS lengths not.
std::optional<std::string> DomainToAscii(const std::string& domain) {
  static const std::unique_ptr<UIDNA, IdnaCloser> idna = [] {
    UErrorCode status = U_ZERO_ERROR;
    return std::unique_ptr<UIDNA, IdnaCloser>(uidna_openUTS46(
        UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ, &status));
  }();
  if (!idna) return std::nullopt;
  constexpr uint32_t kNotChecked = UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN |
                                   UIDNA_ERROR_HYPHEN_3_4 | UIDNA_ERROR_EMPTY_LABEL |
                                   UIDNA_ERROR_LABEL_TOO_LONG | UIDNA_ERROR_DOMAIN_NAME_TOO_LONG;
  std::string ascii(domain.size() * 4 + 64, '\0');
  UIDNAInfo info = UIDNA_INFO_INITIALIZER;
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      uidna_nameToASCII_UTF8(idna.get(), domain.data(), static_cast<int32_t>(domain.size()),
                             ascii.data(), static_cast<int32_t>(ascii.size()), &info, &status);
  if (U_FAILURE(status) || (info.errors & ~kNotChecked) != 0) return std::nullopt;
  ascii.resize(static_cast<size_t>(length));
  return ascii;
}

bool IsForbiddenDomainChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F ||
         std::string_view("#%/:<>?@[\\]^|").find(c) != std::string_view::npos;
}

// The host of a special URL as browsers serialize it; nothing when invalid.
std::optional<std::string> ParseHost(std::string_view text) {
  if (text.starts_with('[')) {
    if (!text.ends_with(']')) return std::nullopt;
    const std::optional<std::array<uint16_t, 8>> pieces =
        ParseIpv6(text.substr(1, text.size() - 2));
    if (!pieces) return std::nullopt;
    return Ipv6Text(*pieces);
  }
  const std::optional<std::string> ascii = DomainToAscii(PercentDecoded(text));
  if (!ascii || ascii->empty()) return std::nullopt;
  if (std::any_of(ascii->begin(), ascii->end(), IsForbiddenDomainChar)) return std::nullopt;
  if (EndsInANumber(*ascii)) return Ipv4Address(*ascii);
  return ascii;
}

// "user:pass@host:port": nothing when the host or the port is invalid.
bool ParseAuthority(std::string_view authority, Url& url) {
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userinfo = authority.substr(0, at);
    const size_t colon = userinfo.find(':');
    url.username = PercentEncoded(userinfo.substr(0, colon), EncodeSet::kUserinfo);
    if (colon != std::string_view::npos) {
      url.password = PercentEncoded(userinfo.substr(colon + 1), EncodeSet::kUserinfo);
    }
    authority.remove_prefix(at + 1);
  }
  const size_t bracket = authority.find(']');
  const size_t colon = authority.find(':', bracket == std::string_view::npos ? 0 : bracket);
  std::string_view port;
  if (colon != std::string_view::npos) {
    port = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return false;
  std::optional<std::string> host = ParseHost(authority);
  if (!host) return false;
  url.host = std::move(*host);
  if (!std::all_of(port.begin(), port.end(), IsDigit)) return false;
  const size_t first = port.find_first_not_of('0');
  port = first == std::string_view::npos ? (port.empty() ? port : port.substr(port.size() - 1))
                                         : port.substr(first);
  if (port.size() > 5 || (port.size() == 5 && port > "65535")) return false;
  url.port = port == DefaultPort(url.scheme) ? "" : std::string(port);
  return true;
}

bool IsSingleDot(std::string_view segment) {
  return segment == "." || AsciiLowered(segment) == "%2e";
}

bool IsDoubleDot(std::string_view segment) {
  const std::string lower = AsciiLowered(segment);
  return lower == ".." || lower == ".%2e" || lower == "%2e." || lower == "%2e%2e";
}

// Appends the segments of `path` (no query or fragment) to `segments`,
// with "." and ".." resolved.
void AppendPath(std::string_view path, std::vector<std::string>& segments) {
  if (!path.empty() && IsSlash(path.front())) path.remove_prefix(1);
  for (;;) {
    const size_t end = std::find_if(path.begin(), path.end(), IsSlash) - path.begin();
    const std::string_view segment = path.substr(0, end);
    const bool last = end == path.size();
    if (IsDoubleDot(segment)) {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (IsSingleDot(segment)) {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(PercentEncoded(segment, EncodeSet::kPath));
    }
    if (last) return;
    path.remove_prefix(end + 1);
  }
}

// Splits "?query#fragment" off the end of `rest`.
void TakeQueryAndFragment(std::string_view& rest, Url& url) {
  if (const size_t hash = rest.find('#'); hash != std::string_view::npos) {
    url.has_fragment = true;
    url.fragment = PercentEncoded(rest.substr(hash + 1), EncodeSet::kFragment);
    rest = rest.substr(0, hash);
  }
  if (const size_t question = rest.find('?'); question != std::string_view::npos) {
    url.has_query = true;
    url.query = PercentEncoded(rest.substr(question + 1), EncodeSet::kQuery);
    rest = rest.substr(0, question);
  }
}

// After the scheme and its slashes: authority, path, query, fragment.
std::optional<Url> ParseAfterSlashes(std::string scheme, std::string_view rest) {
  Url url;
  url.scheme = std::move(scheme);
  while (!rest.empty() && IsSlash(rest.front())) rest.remove_prefix(1);
  const size_t end = std::find_if(rest.begin(), rest.end(),
                                  [](char c) { return IsSlash(c) || c == '?' || c == '#'; }) -
                     rest.begin();
  if (!ParseAuthority(rest.substr(0, end), url)) return std::nullopt;
  rest.remove_prefix(end);
  TakeQueryAndFragment(rest, url);
  AppendPath(rest, url.path);
  return url;
}

// `rest` relative to `base` (both of a special scheme).
std::optional<Url> ParseRelative(const Url& base, std::string_view rest) {
  if (rest.size() >= 2 && IsSlash(rest[0]) && IsSlash(rest[1])) {
    return ParseAfterSlashes(base.scheme, rest);
  }
  Url url = base;
  url.has_fragment = false;
  if (rest.empty()) return url;
  if (rest.starts_with('#')) {
    TakeQueryAndFragment(rest, url);
    return url;
  }
  url.has_query = false;
  TakeQueryAndFragment(rest, url);
  if (rest.empty()) return url;  // "?query" alone keeps the path
  if (IsSlash(rest.front())) {
    url.path.clear();
  } else if (!url.path.empty()) {
    url.path.pop_back();
  }
  AppendPath(rest, url.path);
  return url;
}

std::string Serialized(const Url& url) {
  std::string text = url.scheme + "://";
  if (!url.username.empty() || !url.password.empty()) {
    text += url.username;
    if (!url.password.empty()) text += ":" + url.password;
    text += '@';
  }
  text += url.host;
  if (!url.port.empty()) text += ":" + url.port;
  for (const std::string& segment : url.path) text += "/" + segment;
  if (url.path.empty()) text += '/';
  if (url.has_query) text += "?" + url.query;
  if (url.has_fragment) text += "#" + url.fragment;
  return text;
}

// The scheme of `text` in lower case, and what follows its ":".
std::optional<std::pair<std::string, std::string_view>> SchemeOf(std::string_view text) {
  if (text.empty() || !IsAlpha(text[0])) return std::nullopt;
  size_t end = 1;
  while (end < text.size() && IsSchemeChar(text[end])) ++end;
  if (end == text.size() || text[end] != ':') return std::nullopt;
  return std::make_pair(AsciiLowered(text.substr(0, end)), text.substr(end + 1));
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

// A base URL of a special scheme, parsed; nothing for any other.
std::optional<Url> ParseBase(std::string_view text) {
  const std::string cleaned = Cleaned(text);
  const auto scheme = SchemeOf(cleaned);
  if (!scheme || !DefaultPort(scheme->first)) return std::nullopt;
  return ParseAfterSlashes(scheme->first, scheme->second);
}

}  // namespace

std::optional<std::string> ResolveUrl(std::string_view base_text, std::string_view reference_text) {
  const std::string reference = Cleaned(reference_text);
  const std::optional<Url> base = ParseBase(base_text);
  std::optional<Url> url;
  if (const auto scheme = SchemeOf(reference)) {
    const auto& [name, rest] = *scheme;
    if (!DefaultPort(name)) return name + ":" + std::string(rest);  // not fetched: kept as it is
    const bool relative =
        base && base->scheme == name && !(rest.size() >= 2 && IsSlash(rest[0]) && IsSlash(rest[1]));
    url = relative ? ParseRelative(*base, rest) : ParseAfterSlashes(name, rest);
  } else if (base) {
    url = ParseRelative(*base, reference);
  }
  if (!url) return std::nullopt;
  return Serialized(*url);
}

bool IsWebUrl(std::string_view url) {
  const auto scheme = SchemeOf(url);
  return scheme && (scheme->first == "http" || scheme->first == "https" || scheme->first == "ftp");
}

}  // namespace korvane::cli
