// SPDX-License-Identifier: Apache-2.0
#include "input/file_slice.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "input/byte_reader.h"

namespace korvane::cli {
namespace {

size_t ReadAt(int fd, char* into, size_t size, uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd, into, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) throw InputError(std::strerror(errno));
  }
}

}  // namespace

SharedFile::~SharedFile() { ::close(fd_); }

std::string_view ReadSlice(const FileSlice& slice, std::string& buffer) {
  const bool whole_file = slice.limit > 0;
  // A whole file is read one byte past its size: that byte shows that it
  // grew, and the reading goes on.
  uint64_t wanted = whole_file ? std::min(slice.size, slice.limit) + 1 : slice.size;
  size_t have = 0;
  for (;;) {
    if (buffer.size() < wanted) buffer.resize(wanted);
    const size_t got =
        ReadAt(slice.file->fd(), buffer.data() + have, wanted - have, slice.offset + have);
    have += got;
    if (got == 0 || (have == wanted && !whole_file)) break;
    if (have < wanted) continue;
    if (have > slice.limit) throw TooLarge(slice.limit);
    wanted = std::min(slice.limit + 1, wanted * 2);
  }
  if (!whole_file && have < slice.size) throw InputError("record cut short");
  return std::string_view(buffer.data(), have);
}

}  // namespace korvane::cli
