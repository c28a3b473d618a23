// Definition trees: loading, lookup, child access and release.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "definition/definition_internal.h"
#include "definition/definition_state.h"

namespace vlm {

namespace {

using Node = VLM_DEFINITION_NODE;

// Direct lookups in nodes with at least this many children go through a
// name index built on first use; narrower nodes are scanned.
constexpr uint32_t kIndexThreshold = 16;

// Files beyond this size are not read: their text (up to twice the bytes
// after decoding) must stay within the lengths of the tree.
constexpr off_t kMaxFileSize = off_t(kMaxDefinitionText / 2);

DefinitionState& State() { return Definitions(); }

bool ValueMatches(const Node* node, std::string_view value) {
  return value.empty() || node->Value() == value;
}

Node* ScanChildren(Node* node, std::string_view name) {
  for (uint32_t i = 0; i < node->childCount; ++i) {
    if (node->children[i]->Name() == name) return node->children[i];
  }
  return nullptr;
}

Node* FirstChildNamed(Node* node, std::string_view name) {
  if (name.empty()) return nullptr;  // unnamed children are never indexed
  if (node->childCount < kIndexThreshold) return ScanChildren(node, name);
  auto& indexes = State().nameIndexes;
  auto found = indexes.find(node);
  if (found == indexes.end()) {
    // An index dies with its tree: a node out of its tree is scanned.
    DefinitionTree* tree = DefinitionTreeOf(node);
    if (!tree) return ScanChildren(node, name);
    DefinitionNameIndex index;
    for (uint32_t i = 0; i < node->childCount; ++i) {
      Node* child = node->children[i];
      if (child->nameLength) index.emplace(child->Name(), child);  // the first of a name stays
    }
    found = indexes.emplace(node, std::move(index)).first;
    node->indexed = 1;
    tree->indexedNodes.push_back(node);
  }
  auto entry = found->second.find(name);
  return entry == found->second.end() ? nullptr : entry->second;
}

void DropIndex(Node* node) {
  if (!node->indexed) return;
  State().nameIndexes.erase(node);
  node->indexed = 0;
}

// Path lookup without recursion: each frame is a search-mode lookup whose
// children are being tried in turn. The first node found anywhere is the
// answer; a frame that runs out of children has found nothing.
Node* Find(Node* start, std::string_view path, std::string_view value) {
  struct Frame {
    Node* node;
    size_t pathOffset;  // this lookup's path starts here
    size_t restOffset;  // the path after its first segment
    std::string_view segment;
    uint32_t next;      // next child to try
  };
  std::vector<Frame> frames;

  // Starts the lookup of path[offset..] at `node`: returns a found node,
  // or null after pushing a search frame (or when nothing can match).
  auto enter = [&](Node* node, size_t offset) -> Node* {
    for (;;) {
      const std::string_view sub = path.substr(offset);
      if (!sub.empty() && sub[0] == '\\') {
        const size_t separator = sub.find('\\', 1);
        const std::string_view segment =
            sub.substr(1, separator == std::string_view::npos ? std::string_view::npos : separator - 1);
        // The end of the path: the value filter applies to this node only.
        if (segment.empty()) return ValueMatches(node, value) ? node : nullptr;
        Node* child = FirstChildNamed(node, segment);
        if (!child) return nullptr;
        node = child;  // only the first child of that name is tried
        offset = separator == std::string_view::npos ? path.size() : offset + separator;
        continue;
      }
      const size_t separator = sub.size() > 1 ? sub.find('\\', 1) : std::string_view::npos;
      const std::string_view segment = sub.substr(0, separator);
      if (segment.empty()) return ValueMatches(node, value) ? node : nullptr;
      if (node->Name() == segment && ValueMatches(node, value)) return node;
      frames.push_back({node, offset,
                        separator == std::string_view::npos ? path.size() : offset + separator,
                        segment, 0});
      return nullptr;
    }
  };

  if (Node* found = enter(start, 0)) return found;
  while (!frames.empty()) {
    Frame& frame = frames.back();
    if (frame.next >= frame.node->childCount) {
      frames.pop_back();
      continue;
    }
    Node* child = frame.node->children[frame.next++];
    const size_t offset = child->Name() == frame.segment ? frame.restOffset : frame.pathOffset;
    if (Node* found = enter(child, offset)) return found;  // may grow `frames`
  }
  return nullptr;
}

// Takes a node (not a root) out of its parent.
void Detach(Node* node) {
  Node* parent = node->parent;
  if (!parent || node->position >= parent->childCount || parent->children[node->position] != node) {
    return;  // already out of its tree
  }
  DropIndex(parent);
  for (uint32_t i = node->position + 1; i < parent->childCount; ++i) {
    parent->children[i - 1] = parent->children[i];
    parent->children[i - 1]->position = i - 1;
  }
  --parent->childCount;
  node->parent = nullptr;
  node->detached = 1;
}

bool IsLoadedTree(const Node* node) {
  for (const auto& tree : State().trees) {
    if (tree.get() == node) return true;
  }
  return false;
}

bool IsReleasedRoot(const Node* node) {
  const auto& released = State().releasedRoots;
  return std::find(released.begin(), released.end(), static_cast<const void*>(node)) != released.end();
}

std::string ReadWholeFile(const std::string& path, bool& ok) {
  ok = false;
  std::string bytes;
  // Non-blocking open: a pipe or device must not hang the loader.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return bytes;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileSize) {
    ::close(fd);
    return bytes;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() >= static_cast<size_t>(kMaxFileSize)) break;  // grew while read
      bytes.resize(std::min(bytes.size() + 65536, static_cast<size_t>(kMaxFileSize)));
    }
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes.clear();
      return bytes;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  bytes.resize(done);
  ok = true;
  return bytes;
}

}  // namespace

// ---- Arena --------------------------------------------------------------------

// Chunks from this size on are mapped directly and may use huge pages: a
// tree of a large file touches hundreds of megabytes once, and page faults
// would otherwise cost as much as the parse itself.
constexpr size_t kMappedChunk = size_t(2) << 20;
constexpr size_t kLargestChunk = size_t(8) << 20;

DefinitionArena::~DefinitionArena() {
  for (const Chunk& chunk : chunks_) {
    if (chunk.mapped) {
      ::munmap(chunk.data, chunk.size);
    } else {
      ::operator delete(chunk.data);
    }
  }
}

std::byte* DefinitionArena::NewChunk(size_t size) {
  if (size >= kMappedChunk) {
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data != MAP_FAILED) {
      ::madvise(data, size, MADV_HUGEPAGE);
      chunks_.push_back({static_cast<std::byte*>(data), size, true});
      reserved_ += size;
      return static_cast<std::byte*>(data);
    }
  }
  auto* data = static_cast<std::byte*>(::operator new(size));
  chunks_.push_back({data, size, false});
  reserved_ += size;
  return data;
}

void* DefinitionArena::AllocateSlow(size_t bytes, size_t align) {
  if (bytes + align > nextChunk_ / 2) {
    // A large block gets a chunk of its own; small ones keep filling the
    // current chunk.
    std::byte* chunk = NewChunk(bytes + align);
    return chunk + ((0 - reinterpret_cast<uintptr_t>(chunk)) & (align - 1));
  }
  cursor_ = NewChunk(nextChunk_);
  left_ = nextChunk_;
  if (nextChunk_ < kLargestChunk) nextChunk_ *= 2;
  return Allocate(bytes, align);
}

const char* DefinitionArena::Copy(const char* text, size_t length) {
  char* copy = static_cast<char*>(Allocate(length + 1, 1));
  if (length) std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

// ---- Trees --------------------------------------------------------------------

DefinitionTree* AddDefinitionTree(std::string text, std::string directory) {
  if (text.size() > kMaxDefinitionText) text.resize(kMaxDefinitionText);
  auto tree = std::make_unique<DefinitionTree>();
  tree->text = std::move(text);
  tree->directory = std::move(directory);
  ParseDefinitionTree(*tree);
  DefinitionTree* root = tree.get();
  DefinitionState& state = State();
  std::erase(state.releasedRoots, static_cast<const void*>(root));
  state.trees.push_back(std::move(tree));
  return root;
}

DefinitionTree* DefinitionTreeOf(Node* node) {
  while (node && node->parent) node = node->parent;
  if (!node || !node->root) return nullptr;
  return static_cast<DefinitionTree*>(node);
}

void ReleaseDefinitionTree(const Node* root) {
  DefinitionState& state = State();
  auto it = std::find_if(state.trees.begin(), state.trees.end(),
                         [&](const auto& tree) { return tree.get() == root; });
  if (it == state.trees.end()) return;
  for (const Node* indexed : (*it)->indexedNodes) state.nameIndexes.erase(indexed);
  // A released tree must not stay the last file's tree.
  if (state.lastTree == it->get()) state.lastTree = nullptr;
  state.trees.erase(it);
  ++state.releases;
  constexpr size_t kRemembered = 256;
  if (state.releasedRoots.size() >= kRemembered) state.releasedRoots.erase(state.releasedRoots.begin());
  state.releasedRoots.push_back(root);
}

const char* DefinitionValue(Node* node) {
  if (node->valueTerminated) return node->value;
  DefinitionTree* tree = DefinitionTreeOf(node);
  if (!tree) return "";  // out of its tree: its text may be gone
  node->value = tree->arena.Copy(node->value, node->valueLength);
  node->valueTerminated = 1;
  return node->value;
}

const char* DefinitionName(Node* node) {
  if (node->nameTerminated) return node->name;
  DefinitionTree* tree = DefinitionTreeOf(node);
  if (!tree) return "";
  node->name = tree->arena.Copy(node->name, node->nameLength);
  node->nameTerminated = 1;
  return node->name;
}

std::string_view DefinitionDirectoryPart(std::string_view fileName) {
  if (!fileName.empty() && fileName[0] == '"') fileName.remove_prefix(1);
  const size_t separator = fileName.find_last_of("\\/");
  return separator == std::string_view::npos ? std::string_view() : fileName.substr(0, separator + 1);
}

std::string_view DefinitionFilePart(std::string_view fileName) {
  if (!fileName.empty() && fileName[0] == '"') fileName.remove_prefix(1);
  const size_t separator = fileName.find_last_of("\\/");
  return separator == std::string_view::npos ? fileName : fileName.substr(separator + 1);
}

std::string SystemPath(std::string_view fileName) {
  std::string path(fileName);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace vlm

using vlm::DefinitionTree;
using Node = VLM_DEFINITION_NODE;

extern "C" {

VLM_DEFINITION_NODE* VLM_LoadDefinitionFile(const char* fileName) {
  const std::string_view name = fileName ? fileName : "";
  vlm::DefinitionState& state = vlm::Definitions();
  state.lastFileName = vlm::DefinitionFilePart(name);
  state.lastDirectory = vlm::DefinitionDirectoryPart(name);
  state.lastTree = nullptr;
  if (name.empty()) return nullptr;
  bool ok = false;
  const std::string bytes = vlm::ReadWholeFile(vlm::SystemPath(name), ok);
  if (!ok) return nullptr;
  std::string text =
      vlm::DecodeDefinitionBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  DefinitionTree* tree = vlm::AddDefinitionTree(std::move(text), state.lastDirectory);
  state.lastTree = tree;
  return tree;
}

VLM_DEFINITION_NODE* VLM_ParseDefinitionText(const char* text, const char* directory) {
  std::string_view source = text ? text : "";
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
  return vlm::AddDefinitionTree(std::string(source), directory ? directory : "");
}

VLM_DEFINITION_NODE* VLM_CatchDefinitionFile(const void* memory, size_t size, const char* directory) {
  std::string text =
      vlm::DecodeDefinitionBytes(static_cast<const unsigned char*>(memory), memory ? size : 0);
  return vlm::AddDefinitionTree(std::move(text), directory ? directory : "");
}

VLM_DEFINITION_NODE* VLM_FindDefinitionNode(VLM_DEFINITION_NODE* node, const char* path,
                                            const char* value, int fallback) {
  if (!node) return nullptr;
  Node* found = vlm::Find(node, path ? path : "", value ? value : "");
  return found ? found : (fallback == 1 ? node : nullptr);
}

VLM_DEFINITION_NODE* VLM_GetDefinitionChild(VLM_DEFINITION_NODE* node, int32_t index) {
  if (!node) return nullptr;
  const int64_t at = index < 0 ? int64_t(node->childCount) + index : int64_t(index);
  if (at < 0 || at >= int64_t(node->childCount)) return nullptr;
  return node->children[at];
}

VLM_DEFINITION_NODE* VLM_NextDefinitionNode(VLM_DEFINITION_NODE* node) {
  if (!node || !node->parent) return nullptr;
  const Node* parent = node->parent;
  const uint32_t next = node->position + 1;
  return next < parent->childCount ? parent->children[next] : nullptr;
}

VLM_DEFINITION_NODE* VLM_GetDefinitionParent(VLM_DEFINITION_NODE* node) {
  return node ? node->parent : nullptr;
}

int32_t VLM_CountDefinitionChildren(VLM_DEFINITION_NODE* node, const char* name) {
  if (!node) return 0;
  const std::string_view wanted = name ? name : "";
  uint32_t count = 0;
  if (wanted.empty()) {
    count = node->childCount;
  } else {
    for (uint32_t i = 0; i < node->childCount; ++i) count += node->children[i]->Name() == wanted;
  }
  return static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
}

const char* VLM_GetDefinitionName(VLM_DEFINITION_NODE* node) {
  return node ? vlm::DefinitionName(node) : "";
}

const char* VLM_GetDefinitionDirectory(VLM_DEFINITION_NODE* node) {
  DefinitionTree* tree = vlm::DefinitionTreeOf(node);
  return tree ? tree->directory.c_str() : "";
}

int VLM_FreeDefinitionNode(VLM_DEFINITION_NODE* node, int wholeTree) {
  if (!node) return 0;
  // Roots are recognised by address first, so a root released twice is
  // never read.
  if (vlm::IsLoadedTree(node)) {
    vlm::ReleaseDefinitionTree(node);
    return 0;
  }
  if (vlm::IsReleasedRoot(node)) return 0;
  if (wholeTree == 1) {
    if (DefinitionTree* tree = vlm::DefinitionTreeOf(node)) vlm::ReleaseDefinitionTree(tree);
    return 0;
  }
  if (!node->root) vlm::Detach(node);
  return 0;
}

int VLM_FreeDefinitionFile(void) {
  vlm::DefinitionState& state = vlm::Definitions();
  if (state.lastTree) vlm::ReleaseDefinitionTree(state.lastTree);
  state.lastTree = nullptr;
  state.lastFileName.clear();
  state.lastDirectory.clear();
  return 0;
}

}  // extern "C"
