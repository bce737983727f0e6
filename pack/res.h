// The engine's resource pack: resource identifier -> bytes.
//
// Which pack file holds a resource, and where, is recorded in RESTABLE of
// the game database, or failing that of the shared pack database
// "<root>data\Pack.mdb".  CRes loads resources by identifier and appends new
// ones (a file or a block of memory) to pack files, recording the range in
// the game database.  Pack files are opened on first use and stay open.
//
// A buffer from LoadData holds the resource's bytes and a zero byte after
// them; it belongs to the caller, who frees it with delete[] or hands it
// back to the next LoadData, which frees it first.
#ifndef TESSERA_PACK_RES_H
#define TESSERA_PACK_RES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>

#include "pack/pack_list.h"

class CPackFileDataBase;
class CPackResDataBase;

class CRes {
 public:
  // Opens the game database `dataBase` and the shared pack database under
  // `root` (a folder prefix ending in a separator) and creates the table
  // objects.  A database that cannot be opened makes its look-ups fail.
  CRes(const char* dataBase, const char* root);
  // Closes the packs, destroys the tables and releases both databases.
  ~CRes();
  // Copies every member as it is: both objects then share the pack nodes,
  // and only one of them may be destroyed.
  CRes& operator=(const CRes&) = default;

  // Opens the pack file `file` (resolved as a pack name: "*name" under the
  // engine folder, otherwise beside the game database) and registers it as
  // `name`.  False when `name` is registered already or the file cannot be
  // opened.
  bool RegistPack(const char* name, const char* file);

  // Appends the whole file `file` to pack `packName` as resource `id`.  The
  // last argument is not used.
  bool AddFileToPack(const char* file, const char* id, const char* packName, const char* text);
  // Appends `length` bytes to pack `packName` as resource `id`, recording
  // the range once the bytes are in the file and synced.  An identifier
  // that exists gets the new range; the old bytes stay in the pack,
  // unreferenced.  Finding the end, writing and recording hold the pack's
  // append lock (PackAppendLock), so several processes may add to one pack.
  // A row that could not be recorded (checked before writing: no database,
  // a read-only one; or an insert that fails) leaves the pack as it was.
  // A short write (a full disk) reports "Failed to write file,%s %ld" and
  // records the range written, as the engine does: a caller that must not
  // keep a cut resource compares the row's range with its length.
  bool AddDataToPack(unsigned char* data, long length, const char* id, const char* packName,
                     const char* text);
  // Appends the zero-terminated `text` without its zero.
  bool AddDataToPack(unsigned char* text, const char* id, const char* packName, const char* text2);

  // Loads resource `id` into a new buffer; its length plus one, or 0.
  int LoadData(unsigned char*& buffer, char* id);
  int LoadData(unsigned char*& buffer, const char* id);
  bool ImageLoad(unsigned char*& buffer, char* id);
  bool ImageLoad(unsigned char*& buffer, const char* id);

  // Writes the game database's folder (with its final separator) followed
  // by `id` into `path`; false, `path` untouched, when the database path
  // has no separator.
  bool ID2Path(char* id, char* path);
  bool ID2Path(const char* id, char* path);

  pack* m_pFirst;
  pack* m_pLast;
  char m_szDataBase[256];
  char m_szRoot[256];

  // Shared by every CRes; created by the first constructor that finds them
  // null and destroyed by the destructor.
  static CPackFileDataBase* m_pFileDb;
  static CPackResDataBase* m_pResDb;
  static CPackResDataBase* m_pSharedResDb;

 private:
  // The registered pack `name`, registering it (file = name) on first use.
  pack* SeekPack(const char* name);
};

namespace tessera {
// Why a RESTABLE row for `id` in `packName` cannot be written through
// `table` (no database, a read-only database), or empty when it can.
std::string WhyResRowCannotBeRecorded(CPackResDataBase* table, const char* id,
                                      const char* packName);

// "<root>data\Pack.mdb": the shared pack database under the engine folder.
std::string SharedPackDataBasePath(const char* root);
}  // namespace tessera

#pragma GCC visibility pop
#endif
