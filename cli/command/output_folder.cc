// SPDX-License-Identifier: Apache-2.0
#include "output_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace korvane::cli {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

std::vector<std::string> Parts(const std::string& relative) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    parts.push_back(relative.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsPlainPart(const std::string& part) { return !part.empty() && part != "." && part != ".."; }

bool WriteAll(int fd, std::string_view bytes, std::string* error) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      *error = Reason(errno);
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// A name no other writer uses: this process's id and a counter; O_EXCL
// makes sure of it. Short, so that a record's name that fits, fits.
std::string TemporaryName() {
  static std::atomic<uint64_t> counter{0};
  return ".korvane-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
}

}  // namespace

OutputFolder::OutputFolder(std::string root) : root_(std::move(root)) {}

OutputFolder::~OutputFolder() {
  if (root_fd_ >= 0) ::close(root_fd_);
}

int OutputFolder::OpenRoot(std::string* error) {
  if (root_fd_ >= 0) return root_fd_;
  std::error_code made;
  std::filesystem::create_directories(root_, made);
  // The root is the user's choice: a link to a folder is followed.
  root_fd_ = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root_fd_ < 0) {
    // A folder that could not be made is missing for the reason it could
    // not be made (a read-only file system, a denied permission).
    *error = errno == ENOENT && made ? "cannot create " + root_ + ": " + made.message()
                                     : "cannot open " + root_ + ": " + Reason(errno);
  }
  return root_fd_;
}

std::string OutputFolder::Write(const std::string& relative, std::string_view bytes) {
  std::string error;
  if (OpenRoot(&error) < 0) return error;
  const std::vector<std::string> parts = Parts(relative);
  for (const std::string& part : parts) {
    if (!IsPlainPart(part)) return "bad record file name " + relative;
  }
  std::string where = root_;
  Fd folder(::dup(root_fd_));
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    where += "/" + parts[i];
    if (::mkdirat(folder.get(), parts[i].c_str(), 0777) != 0 && errno != EEXIST) {
      return "cannot create " + where + ": " + Reason(errno);
    }
    const int next =
        ::openat(folder.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      const int reason = errno;
      struct stat status;
      const bool link =
          ::fstatat(folder.get(), parts[i].c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(status.st_mode);
      return "cannot enter " + where + ": " +
             (link ? std::string("a symbolic link, not followed") : Reason(reason));
    }
    folder.reset(next);
  }
  const std::string& name = parts.back();
  const std::string path = where + "/" + name;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = TemporaryName();
    fd = ::openat(folder.get(), temporary.c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return "cannot write " + path + ": " + Reason(errno);
  }
  if (fd < 0) return "cannot write " + path + ": " + Reason(EEXIST);
  const bool written = WriteAll(fd, bytes, &error);
  const bool closed = ::close(fd) == 0;
  if (written && !closed) error = Reason(errno);
  if (!written || !closed ||
      ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) {
    if (error.empty()) error = Reason(errno);
    ::unlinkat(folder.get(), temporary.c_str(), 0);
    return "cannot write " + path + ": " + error;
  }
  return {};
}

}  // namespace korvane::cli
