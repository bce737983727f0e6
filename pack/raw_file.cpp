#include "pack/raw_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/path.h"

namespace tessera {

bool RawFile::Open(std::string_view engine_path) {
  Close();
  std::string path = NativePath(engine_path);
  auto open_as = [&](int flags) {
    int fd;
    do {
      fd = ::open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
  };
  fd_ = open_as(O_RDWR);
  // Without write permission (a read-only file or file system) the file is
  // still read; only writes fail.
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd_ = open_as(O_RDONLY);
    read_only_ = fd_ >= 0;
  }
  if (fd_ < 0) return false;
  struct stat st;
  // A folder opens read-only; nothing but a regular file passes.
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  path_ = path;
  return true;
}

void RawFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  read_only_ = false;
  path_.clear();
}

long RawFile::ReadAt(int64_t offset, void* buffer, size_t size) const {
  if (fd_ < 0 || offset < 0) return -1;
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, size - done,
                        offset + static_cast<int64_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

bool RawFile::WriteAt(int64_t offset, const void* buffer, size_t size, size_t* written) {
  size_t done = 0;
  bool ok = fd_ >= 0 && offset >= 0 && !read_only_;
  while (ok && done < size) {
    ssize_t n = ::pwrite(fd_, static_cast<const char*>(buffer) + done, size - done,
                         offset + static_cast<int64_t>(done));
    if (n < 0 && errno == EINTR) continue;
    // A full disk or a file-size limit ends the write part-way (or with
    // nothing written at all, ENOSPC / EFBIG).
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (written) *written = done;
  return ok;
}

bool RawFile::Truncate(int64_t size) {
  if (fd_ < 0 || read_only_ || size < 0) return false;
  int rc;
  do {
    rc = ::ftruncate(fd_, size);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool RawFile::Sync() { return fd_ >= 0 && ::fdatasync(fd_) == 0; }

int64_t RawFile::Size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

namespace {
bool SetLock(int fd, int64_t offset, short type, int64_t length = 1) {
  if (fd < 0) return false;
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = length;
  lock.l_pid = 0;  // must be 0 for open-file-description locks
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}
}  // namespace

bool RawFile::LockByte(int64_t offset) { return !read_only_ && SetLock(fd_, offset, F_WRLCK); }
bool RawFile::UnlockByte(int64_t offset) { return SetLock(fd_, offset, F_UNLCK); }
bool RawFile::LockRange(int64_t offset, int64_t length, bool shared) {
  if (!shared && read_only_) return false;
  return SetLock(fd_, offset, shared ? F_RDLCK : F_WRLCK, length);
}

}  // namespace tessera
