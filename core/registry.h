// Generic object registry: one per object kind. Owns the records, maps IDs
// (0..65535) to records through a table, and names to records through a map.
// A handle is an ID or a record's address; addresses are only honoured when
// they belong to a live record of the kind.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "velmora/core.h"

namespace vlm {

constexpr intptr_t kDynamicId = -1;
constexpr intptr_t kMaxId = 0xFFFF;

inline bool IsIdHandle(intptr_t h) { return (static_cast<uintptr_t>(h) & ~uintptr_t{0xFFFF}) == 0; }

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
      VLM_LogMessage("Fail: This ID is not available!", VLM_COLOR_FAIL, 0, "", info_.createProc);
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
    auto it = live_.find(reinterpret_cast<const T*>(handle));
    return it == live_.end() ? nullptr : const_cast<T*>(it->first);
  }

  // The validity test: any value may be passed.
  T* Find(intptr_t handle) const { return Resolve(handle); }

  // Takes a record out of table, names and list and deletes it. Called by
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
    for (const auto& e : entries_) out.push_back(e.get());
    return out;
  }
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& e : entries_) f(e.get());
  }
  void ReleaseAll() {
    for (T* record : Records()) Release(record->iHandle);
  }

  T* FindByName(const std::string& name) const {
    auto it = names_.find(name);
    return it == names_.end() ? nullptr : it->second;
  }
  size_t Count() const { return entries_.size(); }
  size_t TableSize() const { return table_.size(); }
  T* Last() const { return entries_.empty() ? nullptr : entries_.back().get(); }

 private:
  T* Append() {
    entries_.push_back(std::make_unique<T>());
    auto node = std::prev(entries_.end());
    T* record = node->get();
    live_.emplace(record, node);
    return record;
  }

  KindInfo info_;
  ReleaseFn release_;
  std::list<std::unique_ptr<T>> entries_;
  std::unordered_map<const T*, typename std::list<std::unique_ptr<T>>::iterator> live_;
  std::vector<T*> table_;
  std::unordered_map<std::string, T*> names_;
};

}  // namespace vlm
