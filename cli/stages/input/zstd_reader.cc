// SPDX-License-Identifier: Apache-2.0
#include "input/zstd_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr uint32_t kDictionaryFrame = 0x184D2A5D;

uint32_t LittleEndian32(const char* bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  return value;
}

std::string ErrorText(size_t code) {
  return std::string("zstd data error: ") + ZSTD_getErrorName(code);
}

}  // namespace

ZstdReader::ZstdReader(std::unique_ptr<ByteReader> compressed, uint64_t max_dictionary)
    : compressed_(std::move(compressed)),
      max_dictionary_(max_dictionary),
      context_(ZSTD_createDCtx()),
      input_(kChunk, '\0') {
  if (context_ == nullptr) throw std::bad_alloc();
  in_.src = input_.data();
}

ZstdReader::~ZstdReader() { ZSTD_freeDCtx(context_); }

void ZstdReader::Fail(std::string reason) {
  pending_error_ = std::move(reason);
  throw InputError(pending_error_);
}

// More compressed bytes, after those not taken yet; false at the end.
bool ZstdReader::Refill() {
  const size_t left = in_.size - in_.pos;
  std::memmove(input_.data(), input_.data() + in_.pos, left);
  if (left == input_.size()) input_.resize(input_.size() * 2);
  const size_t got = compressed_->Read(input_.data() + left, input_.size() - left);
  in_ = {input_.data(), left + got, 0};
  return got > 0;
}

// True when `size` compressed bytes are at hand.
bool ZstdReader::Have(size_t size) {
  while (in_.size - in_.pos < size) {
    if (!Refill()) return false;
  }
  return true;
}

std::string ZstdReader::TakeBytes(size_t size) {
  std::string bytes;
  while (bytes.size() < size) {
    if (in_.pos == in_.size && !Refill()) Fail("zstd dictionary cut short");
    const size_t step = std::min(size - bytes.size(), in_.size - in_.pos);
    bytes.append(static_cast<const char*>(in_.src) + in_.pos, step);
    in_.pos += step;
  }
  return bytes;
}

void ZstdReader::LoadDictionary() {
  started_ = true;
  if (!Have(8)) return;
  const char* head = static_cast<const char*>(in_.src) + in_.pos;
  if (LittleEndian32(head) != kDictionaryFrame) return;
  const uint32_t size = LittleEndian32(head + 4);
  if (size > max_dictionary_) Fail("zstd dictionary larger than " + SizeText(max_dictionary_));
  in_.pos += 8;
  std::string dictionary = TakeBytes(size);
  if (dictionary.size() >= 4 && LittleEndian32(dictionary.data()) == 0xFD2FB528) {
    const unsigned long long inflated =
        ZSTD_getFrameContentSize(dictionary.data(), dictionary.size());
    if (inflated == ZSTD_CONTENTSIZE_ERROR || inflated == ZSTD_CONTENTSIZE_UNKNOWN) {
      Fail("zstd dictionary: compressed without its size");
    }
    if (inflated > max_dictionary_)
      Fail("zstd dictionary larger than " + SizeText(max_dictionary_));
    std::string plain(static_cast<size_t>(inflated), '\0');
    const size_t made =
        ZSTD_decompress(plain.data(), plain.size(), dictionary.data(), dictionary.size());
    if (ZSTD_isError(made)) Fail("zstd dictionary: " + ErrorText(made));
    plain.resize(made);
    dictionary.swap(plain);
  }
  const size_t loaded = ZSTD_DCtx_loadDictionary(context_, dictionary.data(), dictionary.size());
  if (ZSTD_isError(loaded)) Fail("zstd dictionary: " + ErrorText(loaded));
}

size_t ZstdReader::Read(char* buffer, size_t size) {
  if (!pending_error_.empty()) throw InputError(pending_error_);
  if (size == 0) return 0;
  if (!started_) LoadDictionary();
  ZSTD_outBuffer out{buffer, size, 0};
  while (out.pos == 0) {
    if (in_.pos == in_.size && !Refill()) {
      if (in_frame_) Fail("zstd data cut short (truncated frame)");
      return 0;
    }
    const size_t hint = ZSTD_decompressStream(context_, &out, &in_);
    if (ZSTD_isError(hint)) {
      pending_error_ = ErrorText(hint);
      if (out.pos > 0) break;  // the bytes before the fault first
      throw InputError(pending_error_);
    }
    if (out.pos > 0) verified_ = false;
    in_frame_ = hint != 0;
    if (hint == 0) verified_ = true;  // a frame ended and its checksum matched
  }
  return out.pos;
}

}  // namespace korvane::cli
