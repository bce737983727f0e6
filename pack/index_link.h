// The pairing of a table (DBF) with the index that orders it (IDX), made by
// DBF::SetOrderTo.
//
// Both sides hold the one link object, and each side only ever clears its
// own end of it: when it is destroyed, pairs up anew, or is told to let go
// (assigning nullptr).  So neither class writes the other's fields on the
// way out, and whichever side goes first, the other reads null instead of a
// dangling pointer.  A table is ordered by one index at a time and an index
// orders one table at a time: pairing either side again ends its old
// pairing for both.
#ifndef TESSERA_PACK_INDEX_LINK_H
#define TESSERA_PACK_INDEX_LINK_H
#pragma GCC visibility push(default)  // game-facing: exported

#include <cstddef>
#include <memory>

class DBF;
class IDX;

namespace tessera {

struct IndexLink {
  DBF* table = nullptr;
  IDX* index = nullptr;
};

// One side's end: reads as a pointer to the other side.
template <typename Self, typename Other, Self* IndexLink::*kMine, Other* IndexLink::*kTheirs>
class LinkEnd {
 public:
  LinkEnd() = default;
  LinkEnd(const LinkEnd&) = delete;
  LinkEnd& operator=(const LinkEnd&) = delete;
  ~LinkEnd() { Leave(); }

  void Join(const std::shared_ptr<IndexLink>& link) {
    Leave();
    link_ = link;
  }
  void Leave() {
    if (link_) (*link_).*kMine = nullptr;
    link_.reset();
  }
  LinkEnd& operator=(std::nullptr_t) {
    Leave();
    return *this;
  }

  Other* get() const { return link_ ? (*link_).*kTheirs : nullptr; }
  operator Other*() const { return get(); }  // so that the end reads as a pointer
  Other* operator->() const { return get(); }
  Other& operator*() const { return *get(); }

 private:
  std::shared_ptr<IndexLink> link_;
};

// The table's end (DBF::m_pIdx) reads as its index; the index's end
// (IDX::m_pDbf) as its table.
using TableLinkEnd = LinkEnd<DBF, IDX, &IndexLink::table, &IndexLink::index>;
using IndexLinkEnd = LinkEnd<IDX, DBF, &IndexLink::index, &IndexLink::table>;

}  // namespace tessera

#pragma GCC visibility pop
#endif
