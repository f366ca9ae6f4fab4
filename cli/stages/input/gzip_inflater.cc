// SPDX-License-Identifier: Apache-2.0
#include "input/gzip_inflater.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <limits>
#include <string>

#include "input/byte_reader.h"

namespace korvane::cli {
namespace {

constexpr uint8_t kFlagHeaderCrc = 0x02;
constexpr uint8_t kFlagExtra = 0x04;
constexpr uint8_t kFlagName = 0x08;
constexpr uint8_t kFlagComment = 0x10;
constexpr uint8_t kReservedFlags = 0xE0;
constexpr size_t kFixedHeader = 10;

InputError DataError(std::string_view reason) {
  return InputError("gzip data error: " + std::string(reason));
}

std::string Reason(int status) {
  switch (status) {
    case ISAL_INCORRECT_CHECKSUM:
      return "incorrect data check (CRC-32 or length of the member)";
    case ISAL_INVALID_LOOKBACK:
      return "invalid distance too far back";
    case ISAL_INVALID_SYMBOL:
      return "invalid code";
    case ISAL_INVALID_BLOCK:
      return "invalid block";
    default:
      return "status " + std::to_string(status);
  }
}

// ISA-L counts in 32 bits.
constexpr size_t kMostAtOnce = std::numeric_limits<uint32_t>::max();

}  // namespace

// The header of a member, read a byte at a time as it arrives. ISA-L reads
// headers too, but checks a header's own CRC (FHCRC) wrongly when the
// header arrives in two pieces; it inflates the rest.
class GzipInflater::Header {
 public:
  bool done() const { return stage_ == Stage::kDone; }

  // Takes header bytes from the start of `bytes`; returns how many.
  size_t Read(const uint8_t* bytes, size_t size) {
    size_t at = 0;
    while (at < size && !done()) {
      if (stage_ == Stage::kHeaderCrc) {
        Take(bytes[at++]);
        continue;
      }
      // The header's own CRC covers every byte before it.
      const size_t start = at;
      while (at < size && !done() && stage_ != Stage::kHeaderCrc) Take(bytes[at++]);
      crc_ = crc32_gzip_refl(crc_, bytes + start, at - start);
    }
    return at;
  }

 private:
  enum class Stage { kFixed, kExtraLength, kExtra, kName, kComment, kHeaderCrc, kDone };

  void Take(uint8_t byte) {
    switch (stage_) {
      case Stage::kFixed:
        TakeFixed(byte);
        return;
      case Stage::kExtraLength:
        extra_left_ |= static_cast<size_t>(byte) << (8 * count_++);
        if (count_ == 2) NextStage(Stage::kExtra);
        return;
      case Stage::kExtra:
        if (--extra_left_ == 0) NextStage(Stage::kName);
        return;
      case Stage::kName:
        if (byte == 0) NextStage(Stage::kComment);
        return;
      case Stage::kComment:
        if (byte == 0) NextStage(Stage::kHeaderCrc);
        return;
      case Stage::kHeaderCrc:
        stored_crc_ |= static_cast<uint32_t>(byte) << (8 * count_++);
        if (count_ == 2) {
          if (stored_crc_ != (crc_ & 0xFFFF)) throw DataError("header crc mismatch");
          stage_ = Stage::kDone;
        }
        return;
      case Stage::kDone:
        return;
    }
  }

  void TakeFixed(uint8_t byte) {
    if ((count_ == 0 && byte != 0x1F) || (count_ == 1 && byte != 0x8B)) {
      throw DataError("incorrect header check");
    }
    if (count_ == 2 && byte != 8) throw DataError("unknown compression method");
    if (count_ == 3) {
      if (byte & kReservedFlags) throw DataError("unknown header flags set");
      flags_ = byte;
    }
    if (++count_ == kFixedHeader) NextStage(Stage::kExtraLength);
  }

  // Moves on to `stage`, or past it when the flags leave it out.
  void NextStage(Stage stage) {
    count_ = 0;
    stage_ = stage;
    if (stage_ == Stage::kExtraLength && !(flags_ & kFlagExtra)) stage_ = Stage::kName;
    if (stage_ == Stage::kExtra && extra_left_ == 0) stage_ = Stage::kName;
    if (stage_ == Stage::kName && !(flags_ & kFlagName)) stage_ = Stage::kComment;
    if (stage_ == Stage::kComment && !(flags_ & kFlagComment)) stage_ = Stage::kHeaderCrc;
    if (stage_ == Stage::kHeaderCrc && !(flags_ & kFlagHeaderCrc)) stage_ = Stage::kDone;
  }

  Stage stage_ = Stage::kFixed;
  uint8_t flags_ = 0;
  size_t count_ = 0;
  size_t extra_left_ = 0;
  uint32_t crc_ = 0;
  uint32_t stored_crc_ = 0;
};

GzipInflater::GzipInflater() : state_(std::make_unique<inflate_state>()) { StartMember(); }

GzipInflater::~GzipInflater() = default;

void GzipInflater::StartMember() {
  // The reset keeps what is left of the input.
  isal_inflate_reset(state_.get());
  // Raw deflate data followed by the CRC-32 and length, which ISA-L checks.
  state_->crc_flag = ISAL_GZIP_NO_HDR_VER;
  header_ = std::make_unique<Header>();
  member_ended_ = false;
}

void GzipInflater::SetInput(std::string_view compressed) {
  state_->next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(compressed.data()));
  state_->avail_in = static_cast<uint32_t>(std::min(compressed.size(), kMostAtOnce));
}

size_t GzipInflater::input_left() const { return state_->avail_in; }

GzipInflater::Step GzipInflater::Inflate(char* out, size_t size) {
  if (!pending_error_.empty()) throw InputError(pending_error_);
  if (member_ended_) StartMember();
  if (state_->avail_in == 0 && !in_member_) return {};
  in_member_ = true;
  if (!header_->done()) {
    const size_t taken = header_->Read(state_->next_in, state_->avail_in);
    state_->next_in += taken;
    state_->avail_in -= static_cast<uint32_t>(taken);
    if (!header_->done()) return {};
  }
  state_->next_out = reinterpret_cast<uint8_t*>(out);
  state_->avail_out = static_cast<uint32_t>(std::min(size, kMostAtOnce));
  const uint32_t room = state_->avail_out;
  const int status = isal_inflate(state_.get());
  Step step{room - state_->avail_out, false};
  if (status != ISAL_DECOMP_OK) {
    pending_error_ = "gzip data error: " + Reason(status);
    if (step.written == 0) throw InputError(pending_error_);
    return step;
  }
  if (state_->block_state == ISAL_BLOCK_FINISH) {
    step.member_end = true;
    in_member_ = false;
    member_ended_ = true;
  }
  return step;
}

}  // namespace korvane::cli
