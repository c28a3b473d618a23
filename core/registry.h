// Generic object registry: one per object kind. Owns the records, maps IDs
// (0..65535) to records through a table, and names to records through a map.
// A handle is an ID or a record's address; addresses are only honoured when
// they belong to a live record of the kind.
//
// Reuse guarantee for address handles: records live in a per-kind pool
// whose memory is never handed back to the general allocator while the
// registry exists (the engine's registries live until the process ends), so
// an address that once named a record of a kind never names anything but a
// record of that kind. A freed slot waits at the back of a first-in
// first-out quarantine and is handed out again only after
// kRecordReuseDelay (4096) further records of the same kind have been
// freed; until then its stale address resolves to 0. Creation and release
// stay O(1), and a kind's memory is bounded by its peak count of live
// records plus the quarantine, however long records are created and freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/fail.h"
#include "velmora/core.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define VLM_POISON_RECORD(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define VLM_UNPOISON_RECORD(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define VLM_POISON_RECORD(p, n) ((void)(p), (void)(n))
#define VLM_UNPOISON_RECORD(p, n) ((void)(p), (void)(n))
#endif

namespace vlm {

constexpr intptr_t kDynamicId = -1;
constexpr intptr_t kMaxId = 0xFFFF;

// Records of a kind freed after a record, before its slot may be reused.
constexpr size_t kRecordReuseDelay = 4096;

inline bool IsIdHandle(intptr_t h) { return (static_cast<uintptr_t>(h) & ~uintptr_t{0xFFFF}) == 0; }

// Storage of one kind's records: slots in blocks that are kept until the
// pool goes, freed slots reused first in, first out after the delay above.
template <class T>
class RecordPool {
 public:
  RecordPool() = default;
  RecordPool(const RecordPool&) = delete;
  RecordPool& operator=(const RecordPool&) = delete;

  // A value-initialised record (T{}).
  T* Acquire() {
    Slot* slot;
    if (quarantine_.size() > kRecordReuseDelay) {
      slot = quarantine_.front();
      quarantine_.pop_front();
      VLM_UNPOISON_RECORD(slot, sizeof(Slot));
    } else {
      if (blocks_.empty() || usedInLastBlock_ == kBlockSlots) {
        blocks_.push_back(std::make_unique<Slot[]>(kBlockSlots));
        usedInLastBlock_ = 0;
      }
      slot = &blocks_.back()[usedInLastBlock_++];
    }
    return ::new (static_cast<void*>(slot->bytes)) T();
  }

  // Ends a record; its slot joins the back of the quarantine.
  void Release(T* record) {
    record->~T();
    Slot* slot = reinterpret_cast<Slot*>(record);
    VLM_POISON_RECORD(slot, sizeof(Slot));
    quarantine_.push_back(slot);
  }

  // Slots ever taken from the blocks (live, quarantined or reused).
  size_t Capacity() const {
    return blocks_.empty() ? 0 : (blocks_.size() - 1) * kBlockSlots + usedInLastBlock_;
  }

  ~RecordPool() {
    for (Slot* slot : quarantine_) VLM_UNPOISON_RECORD(slot, sizeof(Slot));
  }

 private:
  struct Slot {
    alignas(T) unsigned char bytes[sizeof(T)];
  };
  static constexpr size_t kBlockSlots = 64;

  std::vector<std::unique_ptr<Slot[]>> blocks_;
  size_t usedInLastBlock_ = 0;
  std::deque<Slot*> quarantine_;
};

struct KindInfo {
  const char* kindName;    // "Mesh"
  const char* createProc;  // "VLM_CreateMeshListEntry"
  bool loadedDoubleNotice; // "Loaded double: ..." rather than "Info: ... replaced!"
};

// Records need `intptr_t iHandle` and `std::string sName` members.
template <class T>
class Registry {
 public:
  // The kind's release procedure, called by handle on name collision and ID
  // re-use. It frees the kind's resources and ends with Remove().
  using ReleaseFn = int (*)(intptr_t handle);

  Registry(const KindInfo& info, ReleaseFn release) : info_(info), release_(release) {}
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  ~Registry() {
    for (T* record : entries_) pool_.Release(record);
  }

  // Creates a zero-initialised record (T{}) and enters it. `id` holds the
  // wanted ID or -1 and receives the handle; on failure it is unchanged.
  T* CreateEntry(intptr_t* id, const char* name) {
    const intptr_t wanted = id ? *id : kDynamicId;
    const std::string nameText = name ? name : "";
    if (!nameText.empty()) {
      auto it = names_.find(nameText);
      if (it != names_.end()) {
        Release(it->second->iHandle);
        names_.erase(nameText);  // in case the release procedure kept it
        std::string notice = info_.loadedDoubleNotice
                                 ? std::string("Loaded double: First ") + info_.kindName + " has been released!"
                                 : std::string("Info: The already existing ") + info_.kindName + " has been replaced!";
        VLM_LogMessage(notice.c_str(), VLM_COLOR_NOTICE, 0, "", info_.createProc);
      }
    }
    T* record = nullptr;
    intptr_t handle = 0;
    if (wanted == kDynamicId) {
      record = Append();
      handle = reinterpret_cast<intptr_t>(record);
    } else if (!IsIdHandle(wanted)) {
      vlm::Fail("Fail: This ID is not available!", info_.createProc);
      return nullptr;
    } else {
      const auto slot = static_cast<size_t>(wanted);
      if (slot >= table_.size()) {
        table_.resize(slot + 1, nullptr);
      } else if (table_[slot]) {
        Release(table_[slot]->iHandle);
        table_[slot] = nullptr;  // in case the release procedure kept it
      }
      record = Append();
      table_[slot] = record;
      handle = wanted;
    }
    if (!nameText.empty()) names_[nameText] = record;
    record->iHandle = handle;
    record->sName = nameText;
    if (id) *id = handle;
    return record;
  }

  // ID: the table slot (0 when empty or beyond the table). Address: the
  // record when it is live, else 0.
  T* Resolve(intptr_t handle) const {
    if (IsIdHandle(handle)) {
      const auto slot = static_cast<size_t>(handle);
      return slot < table_.size() ? table_[slot] : nullptr;
    }
    const T* address = reinterpret_cast<const T*>(handle);
    auto it = live_.find(address);
    return it == live_.end() ? nullptr : const_cast<T*>(it->first);
  }

  // The validity test: any value may be passed.
  T* Find(intptr_t handle) const { return Resolve(handle); }

  // Takes a record out of table, names and list and ends it. Called by
  // the kind's release procedure after it has freed the kind's resources.
  void Remove(T* record) {
    auto it = live_.find(record);
    if (it == live_.end()) return;
    const intptr_t handle = record->iHandle;
    if (IsIdHandle(handle) && static_cast<size_t>(handle) < table_.size() &&
        table_[static_cast<size_t>(handle)] == record) {
      table_[static_cast<size_t>(handle)] = nullptr;
    }
    auto named = names_.find(record->sName);
    if (named != names_.end() && named->second == record) names_.erase(named);
    auto node = it->second;
    live_.erase(it);
    entries_.erase(node);
    pool_.Release(record);
  }

  // Resolves and removes: the whole release procedure of a kind that holds
  // no resources of its own. 1 when the handle was live, else 0.
  int Free(intptr_t handle) {
    T* record = Resolve(handle);
    if (!record) return 0;
    Remove(record);
    return 1;
  }

  // Releases a handle through the kind's release procedure (or plain
  // removal when the kind has none).
  void Release(intptr_t handle) {
    if (release_) {
      release_(handle);
    } else {
      Free(handle);
    }
  }

  // Records in creation order; safe to release records while iterating the copy.
  std::vector<T*> Records() const {
    std::vector<T*> out;
    out.reserve(entries_.size());
    for (T* record : entries_) out.push_back(record);
    return out;
  }
  template <class F>
  void ForEach(F&& f) const {
    for (T* record : entries_) f(record);
  }
  void ReleaseAll() {
    for (T* record : Records()) Release(record->iHandle);
  }
  // Releases every record and lets the ID table start from nothing again.
  void Reset() {
    ReleaseAll();
    table_.clear();
  }

  T* FindByName(const std::string& name) const {
    auto it = names_.find(name);
    return it == names_.end() ? nullptr : it->second;
  }
  size_t Count() const { return entries_.size(); }
  size_t TableSize() const { return table_.size(); }
  T* Last() const { return entries_.empty() ? nullptr : entries_.back(); }
  // Record slots the kind has ever taken: bounded by peak live records plus
  // the reuse delay.
  size_t PoolCapacity() const { return pool_.Capacity(); }

 private:
  T* Append() {
    T* record = pool_.Acquire();
    entries_.push_back(record);
    live_.emplace(record, std::prev(entries_.end()));
    return record;
  }

  KindInfo info_;
  ReleaseFn release_;
  RecordPool<T> pool_;  // first: the records in it outlive the containers below
  std::list<T*> entries_;
  std::unordered_map<const T*, typename std::list<T*>::iterator> live_;
  std::vector<T*> table_;
  std::unordered_map<std::string, T*> names_;
};

}  // namespace vlm
