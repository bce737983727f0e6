// An unbuffered read-write file with byte-range locks, for table and index
// files.
//
// Tables and indexes are shared between processes: one process appends
// while another reads.  A buffered stream would keep stale bytes, so every
// read and write goes straight to the file (pread/pwrite).  Locks are
// per-open-file (F_OFD_SETLK): two handles on one file exclude each other
// even inside one process, as record locks must.
#ifndef TESSERA_PACK_RAW_FILE_H
#define TESSERA_PACK_RAW_FILE_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessera {

class RawFile {
 public:
  RawFile() = default;
  ~RawFile() { Close(); }
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  // Opens an existing regular file for reading and writing (an engine
  // path: see NativePath).  Never creates the file.  A file that may be read
  // but not written (a read-only install) opens read-only: reads work and
  // every write fails, so callers can say why with ReadOnly().
  bool Open(std::string_view engine_path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool ReadOnly() const { return read_only_; }
  // The native path the file was opened under.
  const std::string& Path() const { return path_; }

  // Reads up to `size` bytes at `offset`; the number read (less at the end
  // of the file), or -1 on an error.
  long ReadAt(int64_t offset, void* buffer, size_t size) const;
  // Writes all `size` bytes at `offset`.  False when not all of them
  // reached the file (a full disk, a file-size limit, a read-only file);
  // `written`, when given, gets how many did.
  bool WriteAt(int64_t offset, const void* buffer, size_t size, size_t* written = nullptr);
  // Cuts the file to `size` bytes.
  bool Truncate(int64_t size);
  // Makes what was written durable (fdatasync).
  bool Sync();
  // Current size in bytes, or -1.
  int64_t Size() const;

  // Locks or unlocks one byte for writing, without waiting.  True when the
  // lock was granted (or released).  A read-only file takes no write lock.
  bool LockByte(int64_t offset);
  bool UnlockByte(int64_t offset);
  // Locks `length` bytes from `offset` (0: to the end of any file) for
  // writing or, `shared`, for reading, without waiting; another handle's
  // write lock refuses both, its read lock refuses a write lock.
  bool LockRange(int64_t offset, int64_t length, bool shared);

 private:
  int fd_ = -1;
  bool read_only_ = false;
  std::string path_;
};

}  // namespace tessera

#pragma GCC visibility pop
#endif
