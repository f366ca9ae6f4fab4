// SPDX-License-Identifier: Apache-2.0
#include "batch.h"

#include <cstring>

#include "convert/convert.h"
#include "input/jsonl_input.h"

namespace korvane::serve {
namespace {

// As --stdin-jsonl reads its lines: one of blanks, tabs and CRs alone
// gives no page.
bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

Batch::Batch(std::string body, BatchContext context)
    : body_(std::move(body)), context_(std::move(context)) {}

void Batch::Start() {
  std::lock_guard lock(mutex_);
  SubmitMore();
}

std::optional<Batch::Line> Batch::NextLine() {
  while (cursor_ < body_.size()) {
    const size_t end = std::min(body_.find('\n', cursor_), body_.size());
    const std::string_view text(body_.data() + cursor_, end - cursor_);
    cursor_ = end + 1;
    ++line_number_;
    if (!IsBlank(text)) return Line{text, line_number_};
  }
  return std::nullopt;
}

void Batch::SubmitMore() {
  while (!cancelled_ && submitted_ - emitted_ < context_.window) {
    const std::optional<Line> line = NextLine();
    if (!line) return;
    context_.pool->Submit([self = shared_from_this(), index = submitted_,
                           line = *line] { self->Convert(index, line); },
                          /*always=*/true);
    ++submitted_;
  }
}

void Batch::Convert(uint64_t index, Line line) {
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
  }
  if (context_.peer->Gone()) {
    context_.metrics->CountPage(PageOutcome::kAbandoned);
    Cancel();
    return;
  }
  cli::ConvertSettings settings;
  settings.format = cli::Format::kJsonl;
  settings.algorithm = context_.algorithm;
  cli::Result result = cli::Convert(cli::PageFromJsonLine(line.text, line.number), settings);
  context_.metrics->CountPage(result.kind == cli::Input::Kind::kPage ? PageOutcome::kConverted
                                                                     : PageOutcome::kFailed);
  Done(index, std::move(result.text));
}

void Batch::Done(uint64_t index, std::string text) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    done_.emplace(index, std::move(text));
    wake = waiting_ && index == emitted_;
    if (wake) waiting_ = false;
  }
  if (wake) context_.resume();
}

void Batch::Cancel() {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    wake = waiting_;
    waiting_ = false;
    done_.clear();
  }
  // A suspended connection sees that its client left only once resumed.
  if (wake) context_.resume();
}

ssize_t Batch::Read(char* buffer, size_t size) {
  std::lock_guard lock(mutex_);
  for (;;) {
    if (cancelled_) return kBroken;
    if (offset_ < current_.size()) {
      const size_t count = std::min(size, current_.size() - offset_);
      std::memcpy(buffer, current_.data() + offset_, count);
      offset_ += count;
      bytes_sent_ += count;
      return static_cast<ssize_t>(count);
    }
    const auto next = done_.find(emitted_);
    if (next != done_.end()) {
      current_ = std::move(next->second);
      offset_ = 0;
      done_.erase(next);
      ++emitted_;
      SubmitMore();
      continue;
    }
    if (emitted_ == submitted_ && cursor_ >= body_.size()) return kEnd;
    waiting_ = true;
    context_.suspend();
    return 0;
  }
}

uint64_t Batch::bytes_sent() const {
  std::lock_guard lock(mutex_);
  return bytes_sent_;
}

}  // namespace korvane::serve
