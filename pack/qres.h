// QRES: the table-file pack.
//
// The same pack files as CRes (plain concatenations of resource bytes) and
// the same loading contract, but the index of identifiers and byte ranges
// is a dBase table -- fields ID (C), PACKNAME (C), START (N), END (N) --
// ordered by an index file on ID.  Pack names are used as file paths as
// they stand.  The open packs are kept in the list CRes uses (pack_list.h).
//
// Look-ups are prefix searches on ID: an identifier shorter than the ID
// field finds the first stored identifier that begins with it, so
// identifiers should fill the field.
#ifndef TESSERA_PACK_QRES_H
#define TESSERA_PACK_QRES_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <string>
#include <string_view>

#include "pack/pack_list.h"

class DBF;
class IDX;

class QRES {
 public:
  // Opens the table and the index (both exclusive) and orders the table by
  // ID; "Could not set order." when that fails.  No pack is open yet.
  QRES(char* table, char* index);
  QRES(const char* table, const char* index);
  // Deletes the table and the index, then closes every pack, newest first.
  ~QRES();
  QRES(const QRES&) = delete;
  // Copies the four pointers as they are: both objects then share
  // everything, and only one of them may be destroyed.
  QRES& operator=(const QRES&) = default;

  // Opens `path` as it stands ("rb+") and registers it as `name`; false
  // when the name is registered already or the file cannot be opened.
  bool RegistPack(const char* name, const char* path);
  // Appends the whole file `file` to pack `packName` as resource `id`.
  bool AddFileToPack(const char* file, const char* id, const char* packName, const char* text);
  // Appends `length` bytes and records the range: an existing identifier's
  // record is overwritten (the old bytes stay in the pack), a new one is
  // appended to the table and its key added to the index.  The table's
  // append lock (DbfAppendGuard) is held across the look-up, AppendBlank,
  // the writes and IdxInsert, and the pack's lock across the append and the
  // record, so several processes may add to one table-file pack.  A record
  // that cannot be written (read-only table or index, a full disk) leaves
  // the pack as it was.
  bool AddDataToPack(unsigned char* data, long length, const char* id, const char* packName,
                     const char* text);
  // The zero-terminated `text`, without its zero.
  bool AddDataToPack(unsigned char* text, const char* id, const char* packName, const char* text2);
  // Loads resource `id` into a new[] buffer with a zero byte after the
  // data (freeing a non-null `buffer` first); its length plus one, or 0.
  int LoadData(unsigned char*& buffer, const char* id);
  bool ImageLoad(unsigned char*& buffer, const char* id);

  pack* m_pFirst;
  pack* m_pLast;
  DBF* m_pDbf;
  IDX* m_pIdx;

 private:
  // The registered pack `name`, registering it (path = name) on first use.
  pack* SeekPack(const char* name);
  bool Usable() const;
};

namespace tessera {

// Creates an empty table-file pack index: the table `table` with the fields
// ID (C, `id_length`), PACKNAME (C, `name_length`), START and END (N, 10),
// and the index `index` on ID.  Replaces existing files.
bool CreateQresFiles(std::string_view table, std::string_view index, int id_length, int name_length,
                     std::string& error);

// Creates an empty pack file (or empties an existing one).
bool CreatePackFile(std::string_view path, std::string& error);

}  // namespace tessera

#pragma GCC visibility pop
#endif
