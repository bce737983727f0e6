#include "pack/pack_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "platform/path.h"
#include "public/error_report.h"

namespace tessera {

pack* FindPack(pack* last, const char* name) {
  if (!name) return nullptr;
  for (pack* p = last; p; p = p->pPrev)
    if (std::strcmp(p->szName, name) == 0) return p;
  return nullptr;
}

bool RegisterPack(pack*& first, pack*& last, const char* name, const std::string& path) {
  if (!name || FindPack(last, name)) return false;
  if (std::strlen(name) >= sizeof(pack::szName)) return false;
  pack* node = new (std::nothrow) pack;
  if (!node) {
    ErrorBox("No enough memory for Pack!\n %s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  std::memset(node, 0, sizeof *node);
  node->fp = path.empty() ? nullptr : OpenFile(path, "rb+");
  if (!node->fp && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    // Read-only install: the pack is read; adding to it fails.
    node->fp = OpenFile(path, "rb");
    node->bReadOnly = node->fp != nullptr;
  }
  if (!node->fp) {
    ErrorBox("Not found file %s.\n %s %ld", path.c_str(), __FILE__, (long)__LINE__);
    delete node;
    return false;
  }
  struct stat st;
  node->nKnownSize = ::fstat(::fileno(node->fp), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
  std::strcpy(node->szName, name);
  node->pPrev = last;
  if (last)
    last->pNext = node;
  else
    first = node;
  last = node;
  return true;
}

void FreePacks(pack*& first, pack*& last) {
  pack* p = last;
  while (p) {
    pack* prev = p->pPrev;
    if (p->fp) std::fclose(p->fp);
    delete p;
    p = prev;
  }
  first = nullptr;
  last = nullptr;
}

std::string ResolvePackPath(const char* database, const char* root, const char* name) {
  if (!name) return std::string();
  std::string path;
  if (name[0] == '*') {
    path = root ? root : "";
    path += name + 1;
  } else {
    std::string db = database ? database : "";
    size_t sep = LastSeparator(db);
    path = sep == std::string::npos ? db : db.substr(0, sep);
    path += name;
  }
  if (path.size() > 1023) return std::string();
  return path;
}

PackAppendLock::PackAppendLock(pack* p) {
  if (!p || !p->fp || p->bReadOnly) return;
  int fd = ::fileno(p->fp);
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kPackLockOffset;
  lock.l_len = 1;
  int rc;
  do {
    rc = ::fcntl(fd, F_OFD_SETLKW, &lock);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) fd_ = fd;
}

PackAppendLock::~PackAppendLock() {
  if (fd_ < 0) return;
  struct flock lock = {};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kPackLockOffset;
  lock.l_len = 1;
  ::fcntl(fd_, F_OFD_SETLK, &lock);
}

bool UndoAppend(pack* p, int32_t start) {
  if (!p || !p->fp || p->bReadOnly || start < 0) return false;
  std::fflush(p->fp);
  if (::ftruncate(::fileno(p->fp), start) != 0) return false;
  p->nKnownSize = start;
  return true;
}

bool SyncPack(pack* p) {
  return p && p->fp && std::fflush(p->fp) == 0 && ::fdatasync(::fileno(p->fp)) == 0;
}

bool AppendToPack(pack* p, const unsigned char* data, long length, int32_t& start, int32_t& end,
                  bool sync) {
  if (!p || !p->fp || length < 0 || (length > 0 && !data)) {
    ErrorBox("Failed to write file,%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  if (p->bReadOnly) {
    ErrorBox("Read-only file %s.\n %s %ld", p->szName, __FILE__, (long)__LINE__);
    return false;
  }
  if (std::fseek(p->fp, 0, SEEK_END) != 0) {
    ErrorBox("Failed to write file,%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  long pos = std::ftell(p->fp);
  if (pos < 0 || static_cast<unsigned long>(pos) + static_cast<unsigned long>(length) >
                     static_cast<unsigned long>(std::numeric_limits<int32_t>::max())) {
    ErrorBox("Failed to write file,%s %ld", __FILE__, (long)__LINE__);
    return false;
  }
  size_t written = length > 0 ? std::fwrite(data, 1, static_cast<size_t>(length), p->fp) : 0;
  // Durable before the range is recorded: a crash after the row's commit
  // must not leave a row over bytes that never reached the disk.
  bool flushed = std::fflush(p->fp) == 0 && (!sync || ::fdatasync(::fileno(p->fp)) == 0);
  if (written < static_cast<size_t>(length) || !flushed) {
    ErrorBox("Failed to write file,%s %ld", __FILE__, (long)__LINE__);
    // The next append starts afresh rather than on a stream stuck in error.
    std::clearerr(p->fp);
    // What reached the file is what the file holds now.
    struct stat st;
    if (::fstat(::fileno(p->fp), &st) == 0 && st.st_size >= pos)
      written = std::min<size_t>(written, static_cast<size_t>(st.st_size - pos));
    else
      written = 0;
  }
  start = static_cast<int32_t>(pos);
  end = static_cast<int32_t>(pos + static_cast<long>(written));
  p->nKnownSize = end;
  return true;
}

namespace {
void ReportReadFailure(const char* id, long line) {
  if (id)
    ErrorBox("Failed to read file,%s %ld \n[PackId : %s]", __FILE__, line, id);
  else
    ErrorBox("Failed to read file,%s %ld", __FILE__, line);
}
}  // namespace

int ReadPackRange(pack* p, int32_t start, int32_t end, unsigned char*& buffer, const char* id) {
  // The range is checked against the file before anything is allocated, so
  // a damaged index row can neither ask for gigabytes nor hand out bytes
  // that are not the resource's.
  int fd = p && p->fp ? ::fileno(p->fp) : -1;
  if (fd >= 0 && end > p->nKnownSize) {
    struct stat st;
    if (::fstat(fd, &st) == 0) p->nKnownSize = st.st_size;
  }
  if (fd < 0 || start < 0 || end < start || end > p->nKnownSize ||
      end - start == std::numeric_limits<int32_t>::max()) {
    ReportReadFailure(id, (long)__LINE__);
    return 0;
  }
  if (buffer) {
    delete[] buffer;
    buffer = nullptr;
  }
  size_t length = static_cast<size_t>(end - start);
  buffer = new (std::nothrow) unsigned char[length + 1];
  if (!buffer) {
    ErrorBox("No enough memory for loadpack!\n %s %ld", __FILE__, (long)__LINE__);
    return 0;
  }
  // Positioned reads leave the stream's own position alone; every append
  // seeks to the end itself.
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::pread(fd, buffer + done, length - done,
                        static_cast<off_t>(start) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done < length) {
    // The file shrank under us: report it and hand out zeros, not stale
    // memory, for the part that could not be read.
    ReportReadFailure(id, (long)__LINE__);
    std::memset(buffer + done, 0, length - done);
  }
  buffer[length] = 0;
  return static_cast<int>(length + 1);
}

unsigned char* ReadFileForPack(const char* file, long& size) {
  size = 0;
  std::FILE* in = file ? OpenFile(file, "rb") : nullptr;
  long length = -1;
  if (in && std::fseek(in, 0, SEEK_END) == 0) length = std::ftell(in);
  if (length < 0) {
    if (in) std::fclose(in);
    ErrorBox("Can not open file %s\n%s %ld", file ? file : "", __FILE__, (long)__LINE__);
    return nullptr;
  }
  std::rewind(in);
  unsigned char* buffer = new (std::nothrow) unsigned char[static_cast<size_t>(length) + 1];
  if (!buffer) {
    std::fclose(in);
    ErrorBox("No enough memory to create buf\n%s %ld", __FILE__, (long)__LINE__);
    return nullptr;
  }
  size_t got = std::fread(buffer, 1, static_cast<size_t>(length), in);
  std::fclose(in);
  if (got < static_cast<size_t>(length)) {
    // Only what was read is added: the recorded range then matches the bytes
    // in the pack.
    ErrorBox("Failed to read file,%s %ld", __FILE__, (long)__LINE__);
  }
  size = static_cast<long>(got);
  return buffer;
}

}  // namespace tessera
