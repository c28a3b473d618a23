// The definition parser: one pass over the text, building the tree in the
// tree's arena. Blocks and lists nest on an explicit stack, so no input can
// exhaust the machine stack however deep it nests.
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "definition/definition_internal.h"

namespace vlm {

namespace {

using Node = VLM_DEFINITION_NODE;

// Characters the parser stops at; every other character belongs to a segment.
constexpr std::array<bool, 256> kStops = [] {
  std::array<bool, 256> stops{};
  for (unsigned char c : {'\'', '/', ':', ',', ';', '\n', '{', '}'}) stops[c] = true;
  return stops;
}();

bool IsBlank(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

// [from, to) without blanks at either end.
std::string_view Trimmed(const char* from, const char* to) {
  while (from < to && IsBlank(*from)) ++from;
  while (to > from && IsBlank(to[-1])) --to;
  return {from, static_cast<size_t>(to - from)};
}

// Text collected for a statement: usually one piece of the source, seen in
// place; pieces split by a comment are joined in a buffer.
class Collected {
 public:
  bool Empty() const { return size_ == 0; }
  const char* Data() const { return data_; }
  size_t Size() const { return size_; }
  bool Joined() const { return joined_; }

  void Clear() {
    data_ = nullptr;
    size_ = 0;
    joined_ = false;
  }
  void Append(const char* text, size_t length) {
    if (length == 0) return;
    if (size_ == 0) {
      data_ = text;
      size_ = length;
      joined_ = false;
      return;
    }
    if (!joined_) {
      buffer_.assign(data_, size_);
      joined_ = true;
    }
    buffer_.append(text, length);
    data_ = buffer_.data();
    size_ = buffer_.size();
  }
  // Quoted text replaces whatever the statement had collected.
  void Assign(const char* text, size_t length) {
    data_ = text;
    size_ = length;
    joined_ = false;
  }
  // this <- from; from is emptied.
  void Take(Collected& from) {
    if (from.joined_) {
      buffer_.swap(from.buffer_);
      data_ = buffer_.data();
      size_ = buffer_.size();
      joined_ = true;
    } else {
      data_ = from.data_;
      size_ = from.size_;
      joined_ = false;
    }
    from.Clear();
  }

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
  bool joined_ = false;
  std::string buffer_;
};

class Parser {
 public:
  explicit Parser(DefinitionTree& tree)
      : tree_(tree),
        begin_(tree.text.c_str()),
        end_(begin_ + std::strlen(begin_)) {}

  void Run();

 private:
  struct Level {
    Node* node;
    size_t firstPending;      // this level's children start here in pending_
    const char* segmentStart;
    bool list;
  };

  void PushLevel(Node* node, const char* segmentStart, bool list) {
    node->container = 1;
    levels_.push_back({node, pending_.size(), segmentStart, list});
  }
  // Moves the level's children from the pending stack into the node.
  void CloseLevel() {
    const Level& level = levels_.back();
    const size_t count = pending_.size() - level.firstPending;
    Node* node = level.node;
    node->childCount = static_cast<uint32_t>(count);
    if (count) {
      auto** children = static_cast<Node**>(tree_.arena.Allocate(count * sizeof(Node*), alignof(Node*)));
      std::memcpy(children, pending_.data() + level.firstPending, count * sizeof(Node*));
      node->children = children;
    }
    pending_.resize(level.firstPending);
    levels_.pop_back();
  }

  // T <- T + trim(text from the segment start up to `at`).
  void TakeSegment(const Level& level, const char* at) {
    const std::string_view segment = Trimmed(level.segmentStart, at);
    value_.Append(segment.data(), segment.size());
  }

  // Text in one piece stays in place; joined text is copied (zero-ended).
  const char* Store(const Collected& text, bool& terminated) {
    terminated = text.Empty() || text.Joined();
    if (text.Empty()) return "";
    return text.Joined() ? tree_.arena.Copy(text.Data(), text.Size()) : text.Data();
  }
  Node* NewNode(Node* parent, const Collected& name, const Collected& value) {
    Node* node = tree_.arena.New<Node>();
    bool terminated;
    node->parent = parent;
    node->name = Store(name, terminated);
    node->nameTerminated = terminated;
    node->nameLength = static_cast<uint32_t>(name.Size());
    node->value = Store(value, terminated);
    node->valueTerminated = terminated;
    node->valueLength = static_cast<uint32_t>(value.Size());
    return node;
  }
  // Appends a child to the current level's node.
  Node* AddChild(const Collected& name, const Collected& value) {
    Level& level = levels_.back();
    Node* node = NewNode(level.node, name, value);
    node->position = static_cast<uint32_t>(pending_.size() - level.firstPending);
    pending_.push_back(node);
    return node;
  }
  void AddPendingStatement() {
    if (!value_.Empty()) AddChild(name_, value_);
    value_.Clear();
    name_.Clear();
  }

  // A list ended at `at`: its node's value is the raw text of the whole
  // list, and the block that opened it handles the terminator next.
  void EndList(const char* at) {
    Node* list = levels_.back().node;
    CloseLevel();
    Level& parent = levels_.back();
    const std::string_view text = Trimmed(parent.segmentStart, at);
    if (!text.empty()) {
      list->value = text.data();  // a view into the text, zero-ended on demand
      list->valueLength = static_cast<uint32_t>(text.size());
      list->valueTerminated = 0;
    }
    parent.segmentStart = at;
  }

  // End of the text: the statement being collected is kept and every
  // open level ends here.
  void EndOfText() {
    TakeSegment(levels_.back(), end_);
    AddPendingStatement();
    while (levels_.size() > 1) {
      if (levels_.back().list) {
        EndList(end_);
      } else {
        CloseLevel();
      }
    }
    CloseLevel();
  }

  // An unterminated comment or quote: everything stops at once and the
  // statement being collected is dropped.
  void Abort() {
    while (!levels_.empty()) CloseLevel();
  }

  DefinitionTree& tree_;
  const char* const begin_;
  const char* const end_;
  std::vector<Level> levels_;
  std::vector<Node*> pending_;  // children of the open levels, innermost last
  // Only the innermost level collects: opening a block or a list consumes
  // the outer level's statement, so one pair serves every level.
  Collected value_;  // T
  Collected name_;   // N
};

void Parser::Run() {
  levels_.reserve(64);
  pending_.reserve(1024);
  PushLevel(&tree_, begin_, false);
  const char* at = begin_;
  for (;;) {
    while (at < end_ && !kStops[static_cast<unsigned char>(*at)]) ++at;
    if (at >= end_) {
      EndOfText();
      return;
    }
    Level& level = levels_.back();
    switch (*at) {
      case '\'': {
        // Text before the quote is dropped; the quoted text, untrimmed,
        // replaces what the statement had collected.
        const char* open = at + 1;
        const char* close =
            static_cast<const char*>(std::memchr(open, '\'', static_cast<size_t>(end_ - open)));
        if (!close) {
          Abort();
          return;
        }
        value_.Assign(open, static_cast<size_t>(close - open));
        level.segmentStart = close + 1;
        at = close + 1;
        break;
      }
      case '/':
        if (at + 1 < end_ && at[1] == '/') {
          TakeSegment(level, at);
          const char* lineEnd = static_cast<const char*>(
              std::memchr(at + 2, '\n', static_cast<size_t>(end_ - (at + 2))));
          // The line feed ends the statement as usual; the end of the text
          // keeps the statement too.
          at = lineEnd ? lineEnd : end_;
          level.segmentStart = at;
        } else if (at + 1 < end_ && at[1] == '*') {
          TakeSegment(level, at);
          const char* close = nullptr;
          for (const char* p = at + 2; p + 1 < end_; ++p) {
            p = static_cast<const char*>(std::memchr(p, '*', static_cast<size_t>(end_ - 1 - p)));
            if (!p) break;
            if (p[1] == '/') {
              close = p;
              break;
            }
          }
          if (!close) {
            Abort();
            return;
          }
          at = close + 2;
          level.segmentStart = at;
        } else {
          ++at;
        }
        break;
      case ':':
        TakeSegment(level, at);
        // A colon with nothing before it keeps the earlier name.
        if (!value_.Empty()) name_.Take(value_);
        level.segmentStart = at + 1;
        ++at;
        break;
      case ',':
        TakeSegment(level, at);
        if (level.list) {
          AddPendingStatement();
          level.segmentStart = at + 1;
          ++at;
        } else {
          // The list node, its first element, then the rest of the list on
          // a level of its own. The block's segment start stays where it is:
          // the list's raw text is measured from there.
          Node* list = AddChild(name_, Collected());
          Node* first = value_.Empty() ? nullptr : NewNode(list, Collected(), value_);
          value_.Clear();
          name_.Clear();
          PushLevel(list, at + 1, true);
          if (first) pending_.push_back(first);
          ++at;
        }
        break;
      case ';':
      case '\n':
        TakeSegment(level, at);
        AddPendingStatement();
        level.segmentStart = at + 1;
        if (level.list) {
          EndList(at);  // the block handles the terminator itself
        } else {
          ++at;
        }
        break;
      case '{': {
        TakeSegment(level, at);
        Node* block = AddChild(name_, value_);
        value_.Clear();
        name_.Clear();
        PushLevel(block, at + 1, false);
        ++at;
        break;
      }
      case '}':
        TakeSegment(level, at);
        AddPendingStatement();
        if (level.list) {
          EndList(at);
        } else if (levels_.size() == 1) {
          // A stray brace at the top ends the file.
          CloseLevel();
          return;
        } else {
          CloseLevel();
          ++at;
          levels_.back().segmentStart = at;
        }
        break;
    }
  }
}

}  // namespace

void ParseDefinitionTree(DefinitionTree& tree) {
  Parser parser(tree);
  parser.Run();
}

}  // namespace vlm
