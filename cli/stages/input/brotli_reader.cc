// SPDX-License-Identifier: Apache-2.0
#include "input/brotli_reader.h"

#include <new>

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string ErrorText(const BrotliDecoderState* state) {
  return std::string("brotli data error: ") +
         BrotliDecoderErrorString(BrotliDecoderGetErrorCode(state));
}

}  // namespace

BrotliReader::BrotliReader(std::unique_ptr<ByteReader> compressed)
    : compressed_(std::move(compressed)),
      state_(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)),
      input_(kChunk, '\0') {
  if (state_ == nullptr) throw std::bad_alloc();
}

BrotliReader::~BrotliReader() { BrotliDecoderDestroyInstance(state_); }

size_t BrotliReader::Read(char* buffer, size_t size) {
  if (!pending_error_.empty()) throw InputError(pending_error_);
  if (ended_ || size == 0) return 0;
  auto* out = reinterpret_cast<uint8_t*>(buffer);
  size_t room = size;
  while (room == size) {
    if (available_ == 0 && !BrotliDecoderHasMoreOutput(state_)) {
      available_ = compressed_->Read(input_.data(), input_.size());
      next_ = reinterpret_cast<const uint8_t*>(input_.data());
      if (available_ == 0) {
        if (!started_) return 0;  // an empty body
        pending_error_ = "brotli data cut short";
        throw InputError(pending_error_);
      }
    }
    started_ = true;
    const BrotliDecoderResult result =
        BrotliDecoderDecompressStream(state_, &available_, &next_, &room, &out, nullptr);
    if (room != size) verified_ = false;
    if (result == BROTLI_DECODER_RESULT_SUCCESS) {
      ended_ = verified_ = true;
      break;
    }
    if (result == BROTLI_DECODER_RESULT_ERROR) {
      pending_error_ = ErrorText(state_);
      if (room != size) break;  // the bytes before the fault first
      throw InputError(pending_error_);
    }
  }
  return size - room;
}

bool BeginsAsBrotli(std::string_view prefix) {
  BrotliDecoderState* state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
  if (state == nullptr) throw std::bad_alloc();
  size_t available = prefix.size();
  const auto* next = reinterpret_cast<const uint8_t*>(prefix.data());
  std::string scratch(kChunk, '\0');
  BrotliDecoderResult result = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
  // A few blocks of output say enough, and a bomb stops here.
  for (int round = 0; round < 16 && result == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT; ++round) {
    size_t room = scratch.size();
    auto* out = reinterpret_cast<uint8_t*>(scratch.data());
    result = BrotliDecoderDecompressStream(state, &available, &next, &room, &out, nullptr);
  }
  BrotliDecoderDestroyInstance(state);
  return result != BROTLI_DECODER_RESULT_ERROR;
}

}  // namespace korvane::cli
