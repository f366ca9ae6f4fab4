// SPDX-License-Identifier: Apache-2.0
#include "py_interrupt.h"

#include <utility>

namespace korvane::python {
namespace py = pybind11;
namespace {

// As often as the readers look at the stop flag.
constexpr std::chrono::milliseconds kCheckInterval{100};

}  // namespace

InterruptCheck::InterruptCheck()
    : next_check_(std::chrono::steady_clock::now() + kCheckInterval),
      stop_check_([this] { return Interrupted(); }) {}

bool InterruptCheck::Interrupted() {
  if (error_) return true;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_check_) return false;
  next_check_ = now + kCheckInterval;
  py::gil_scoped_acquire gil;
  if (PyErr_CheckSignals() != 0) error_.emplace();
  return error_.has_value();
}

void InterruptCheck::RaiseIfInterrupted() {
  if (error_) throw std::exchange(error_, std::nullopt).value();
}

}  // namespace korvane::python
