// Wavefront OBJ subset: positions, normals, texture coordinates, groups and
// the first three corners of every face. One pass over the text, then one
// vertex per corner (vertices are not shared between faces).
#include "mesh/obj_loader.h"

#include <sys/stat.h>

#include <cfloat>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/fail.h"
#include "core/text.h"
#include "mesh/mesh_internal.h"
#include "velmora/core.h"

namespace vlm::mesh {

namespace {

constexpr const char* kProc = "VLM_LoadOBJMesh";

// Field separators. Runs of them count as one: files written with double
// spaces or tabs between numbers are common and must not shift fields.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Fallback for numbers beyond the float range: strtod in the C locale.
float SlowFloat(const char* begin, const char* end, bool negative) {
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  std::string copy(begin, end);
  double d = cLocale ? strtod_l(copy.c_str(), nullptr, cLocale) : std::strtod(copy.c_str(), nullptr);
  float f;
  if (d != d) {
    f = std::numeric_limits<float>::quiet_NaN();
  } else if (d > FLT_MAX) {
    f = std::numeric_limits<float>::infinity();
  } else {
    f = static_cast<float>(d);
  }
  return negative ? -f : f;
}

// Plain decimals ("-12.345678") without exponent, up to 15 digits: the
// digits as an integer divided by a power of ten is exact in double and
// rounded once, and rounding that double to float gives the correctly
// rounded float unless it lies exactly halfway between two floats. False
// when the text needs the general conversion.
inline bool FastDecimal(const char* b, const char* e, float& out) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = b;
  const bool negative = p < e && *p == '-';
  if (p < e && (*p == '-' || *p == '+')) ++p;
  uint64_t digits = 0;
  int count = 0;
  int fraction = 0;
  for (; p < e && static_cast<unsigned>(*p - '0') < 10; ++p, ++count) digits = digits * 10 + static_cast<unsigned>(*p - '0');
  if (p < e && *p == '.') {
    for (++p; p < e && static_cast<unsigned>(*p - '0') < 10; ++p, ++count, ++fraction) {
      digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
  }
  if (count == 0 || count > 15 || (p < e && (*p == 'e' || *p == 'E'))) return false;
  const double value = static_cast<double>(digits) / kPowers[fraction];
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if ((bits & 0x1FFFFFFFu) == 0x10000000u) return false;  // halfway between two floats
  const auto single = static_cast<float>(value);
  out = negative ? -single : single;
  return true;
}

inline float ParseFloat(const char* b, const char* e) {
  while (b < e && IsBlank(*b)) ++b;
  if (b == e) return 0.0f;
  if (float fast; FastDecimal(b, e, fast)) return fast;
  const std::string_view whole(b, static_cast<size_t>(e - b));
  bool negative = false;
  const char* digits = b;
  if (*digits == '+' || *digits == '-') {
    negative = *digits == '-';
    ++digits;
  }
  if (digits == e || !((*digits >= '0' && *digits <= '9') || *digits == '.')) {
    if (EqualsNoCase(whole, "nan")) return std::numeric_limits<float>::quiet_NaN();
    if (EqualsNoCase(whole, "+infinity")) return std::numeric_limits<float>::infinity();
    if (EqualsNoCase(whole, "-infinity")) return -std::numeric_limits<float>::infinity();
    return 0.0f;
  }
  float value = 0.0f;
  const auto result = std::from_chars(digits, e, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) return SlowFloat(digits, result.ptr, negative);
  if (result.ec != std::errc()) return 0.0f;  // "." or ".e5": no number
  return negative ? -value : value;
}

inline int64_t ParseInteger(const char* b, const char* e) {
  while (b < e && (*b == ' ' || *b == '\t')) ++b;
  bool negative = false;
  if (b < e && (*b == '+' || *b == '-')) {
    negative = *b == '-';
    ++b;
  }
  constexpr int64_t kLimit = int64_t{1} << 62;
  int64_t value = 0;
  auto accumulate = [&value](int64_t base, int64_t digit) {
    value = value > (kLimit - digit) / base ? kLimit : value * base + digit;
  };
  if (b < e && *b == '$') {
    for (++b; b < e; ++b) {
      const char c = *b;
      int64_t d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else break;
      accumulate(16, d);
    }
  } else if (b < e && *b == '%') {
    for (++b; b < e && (*b == '0' || *b == '1'); ++b) accumulate(2, *b - '0');
  } else {
    for (; b < e && *b >= '0' && *b <= '9'; ++b) accumulate(10, *b - '0');
  }
  return negative ? -value : value;
}

// The next field of a line, or an empty view at its end.
inline std::string_view NextField(const char*& p, const char* e) {
  while (p < e && IsBlank(*p)) ++p;
  const char* start = p;
  while (p < e && !IsBlank(*p)) ++p;
  return {start, static_cast<size_t>(p - start)};
}

inline float NextFloat(const char*& p, const char* e) {
  const std::string_view field = NextField(p, e);
  return ParseFloat(field.data(), field.data() + field.size());
}

struct Position {
  float x, y, z;
  int32_t group;  // -1: read while no group was current
};
struct Normal {
  float x, y, z;
};
struct TexCoord {
  float u, v;
};
struct Corner {
  int32_t position, texCoord, normal;  // zero-based; -1: none
  int32_t group;
};

// One corner number: positive counts from 1, negative back from the last
// entry read so far; 0, an empty part or a number beyond the int32 range
// names nothing (-1). Positive numbers are checked against the lists once
// the whole file has been read.
inline int32_t CornerNumber(const char* b, const char* e, size_t countSoFar) {
  if (b == e) return -1;
  const int64_t n = ParseInteger(b, e);
  int64_t index = -1;
  if (n > 0) index = n - 1;
  else if (n < 0) index = static_cast<int64_t>(countSoFar) + n;
  return index >= 0 && index <= INT32_MAX ? static_cast<int32_t>(index) : -1;
}

// What one pass over the text collects. Groups are numbered here in the
// order they first appear and entered into the mesh once it exists.
struct ObjLists {
  std::vector<Position> positions;
  std::vector<Normal> normals;
  std::vector<TexCoord> texCoords;
  std::vector<Corner> corners;
  std::vector<std::string> groupNames;
  std::unordered_map<std::string, int32_t> groupIndex;
  int32_t group = -1;  // current group, -1 before the first "g"

  void SetGroup(std::string name) {
    auto [it, inserted] = groupIndex.try_emplace(std::move(name), static_cast<int32_t>(groupNames.size()));
    if (inserted) groupNames.push_back(it->first);
    group = it->second;
  }
};

Corner ReadCorner(std::string_view field, const ObjLists& lists, int32_t group) {
  Corner corner{-1, -1, -1, group};
  const char* p = field.data();
  const char* e = p + field.size();
  if (p == e) return corner;
  const char* slash = static_cast<const char*>(std::memchr(p, '/', static_cast<size_t>(e - p)));
  corner.position = CornerNumber(p, slash ? slash : e, lists.positions.size());
  if (!slash) return corner;
  p = slash + 1;
  slash = static_cast<const char*>(std::memchr(p, '/', static_cast<size_t>(e - p)));
  corner.texCoord = CornerNumber(p, slash ? slash : e, lists.texCoords.size());
  if (!slash) return corner;
  p = slash + 1;
  slash = static_cast<const char*>(std::memchr(p, '/', static_cast<size_t>(e - p)));
  corner.normal = CornerNumber(p, slash ? slash : e, lists.normals.size());
  return corner;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads the lines of [p, end); the last one may lack its line feed.
void ReadLines(const char* p, const char* const end, ObjLists& lists) {
  while (p < end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (!eol) eol = end;
    const char* b = p;
    const char* e = eol;
    p = eol < end ? eol + 1 : end;
    while (b < e && IsBlank(*b)) ++b;
    while (e > b && IsBlank(e[-1])) --e;
    if (b == e) continue;
    const char* q = b;
    const std::string_view keyword = NextField(q, e);
    if (keyword == "v") {
      Position& pos = lists.positions.emplace_back();
      pos.x = NextFloat(q, e);
      pos.y = NextFloat(q, e);
      pos.z = NextFloat(q, e);
      pos.group = lists.group;
    } else if (keyword == "f") {
      // Only the first three corners: faces are expected to be triangles.
      for (int k = 0; k < 3; ++k) lists.corners.push_back(ReadCorner(NextField(q, e), lists, lists.group));
    } else if (keyword == "vt") {
      TexCoord& t = lists.texCoords.emplace_back();
      t.u = NextFloat(q, e);
      t.v = -NextFloat(q, e);  // OBJ puts v = 0 at the bottom, GL textures at the top
    } else if (keyword == "vn") {
      Normal& n = lists.normals.emplace_back();
      n.x = NextFloat(q, e);
      n.y = NextFloat(q, e);
      n.z = NextFloat(q, e);
    } else if (keyword == "g") {
      // The rest of the line after "g" and its separator.
      const std::string_view rest = e - b > 2 ? std::string_view(b + 2, static_cast<size_t>(e - b - 2))
                                              : std::string_view();
      lists.SetGroup(std::string(TrimBlanks(rest)));
    }
  }
}

template <class T>
inline const T* Entry(const std::vector<T>& list, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < list.size() ? &list[static_cast<size_t>(index)] : nullptr;
}

bool BuildVertices(VLM_MESH& mesh, const ObjLists& lists) {
  const size_t count = lists.corners.size();
  if (count > static_cast<size_t>(kMaxCount)) {
    vlm::Fail("Fail: Mesh too large!", kProc);
    return false;
  }
  std::vector<VLM_MESH_VERTEX> vertices;
  std::vector<int32_t> indices;
  try {
    vertices.reserve(count);
    indices.reserve(count + 1);
  } catch (const std::bad_alloc&) {
    vlm::Fail("Fail: Out of memory!", kProc);
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    const Corner& c = lists.corners[i];
    VLM_MESH_VERTEX v;
    v.v4fPosition = v4f{0.0f, 0.0f, 0.0f, 1.0f};
    v.iGroup = c.group >= 0 ? c.group : 0;
    if (const Position* pos = Entry(lists.positions, c.position)) {
      v.v4fPosition.x = pos->x;
      v.v4fPosition.y = pos->y;
      v.v4fPosition.z = pos->z;
      if (pos->group >= 0) v.iGroup = pos->group;
    }
    const Normal* n = Entry(lists.normals, c.normal);
    v.v3fNormal[0] = n ? n->x : 0.0f;
    v.v3fNormal[1] = n ? n->y : 0.0f;
    v.v3fNormal[2] = n ? n->z : 0.0f;
    v.v3fTangent[0] = v.v3fTangent[1] = v.v3fTangent[2] = 0.0f;
    const TexCoord* t = Entry(lists.texCoords, c.texCoord);
    v.v2fTexCoord[0] = t ? t->u : 0.0f;
    v.v2fTexCoord[1] = t ? t->v : 0.0f;
    vertices.push_back(v);
    indices.push_back(static_cast<int32_t>(i));
  }
  indices.push_back(0);  // the spare element
  const size_t triangles = count / 3;
  mesh.aVertices.swap(vertices);
  mesh.iVertexCount = static_cast<int32_t>(count);
  mesh.aiIndices.swap(indices);
  mesh.iIndexCount = static_cast<int32_t>(triangles * 3);
  return true;
}

}  // namespace

float TextToFloat(std::string_view text) { return ParseFloat(text.data(), text.data() + text.size()); }

int64_t TextToInteger(std::string_view text) { return ParseInteger(text.data(), text.data() + text.size()); }

namespace {

// Creates the mesh, enters the groups in the order they were met, builds
// one vertex per corner and finishes it. The lists are emptied.
VLM_MESH* CreateFromLists(VLM_HANDLE id, ObjLists& lists, std::string_view fileName, const char* name) {
  const std::string meshName = NameOrFilePart(name, fileName);
  VLM_HANDLE handle = id;
  VLM_MESH* mesh = VLM_CreateMeshListEntry(&handle, meshName.c_str());
  if (!mesh) return nullptr;
  bool built = false;
  try {
    for (const std::string& group : lists.groupNames) VLM_AddMeshGroup(handle, group.c_str());
    built = BuildVertices(*mesh, lists);
  } catch (const std::bad_alloc&) {
    vlm::Fail("Fail: Out of memory!", kProc);
  }
  lists = ObjLists{};  // the temporary lists go before the GPU copy is made
  if (!built) {
    VLM_FreeMesh(handle);
    return nullptr;
  }
  VLM_FinishMesh(handle);
  VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", kProc);
  return mesh;
}

// Reads an open file in pieces of whole lines, so that a large file never
// needs a copy of itself in memory. False on a read error.
bool ReadFileLines(std::FILE* file, ObjLists& lists) {
  std::vector<char> buffer(size_t{1} << 22);
  size_t kept = 0;  // bytes of an unfinished line at the buffer's start
  for (;;) {
    if (kept == buffer.size()) buffer.resize(buffer.size() * 2);  // a line longer than the buffer
    const size_t got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, file);
    if (std::ferror(file)) return false;
    const size_t filled = kept + got;
    if (got == 0) {
      ReadLines(buffer.data(), buffer.data() + filled, lists);
      return true;
    }
    size_t complete = filled;
    while (complete > kept && buffer[complete - 1] != '\n') --complete;
    if (complete == kept) {
      kept = filled;
      continue;
    }
    ReadLines(buffer.data(), buffer.data() + complete, lists);
    std::memmove(buffer.data(), buffer.data() + complete, filled - complete);
    kept = filled - complete;
  }
}

// Opens a regular file for reading; null for anything else.
std::FILE* OpenRegularFile(const std::string& fileName) {
  std::FILE* file = fileName.empty() ? nullptr : std::fopen(fileName.c_str(), "rb");
  if (!file) return nullptr;
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace

VLM_MESH* BuildOBJMesh(VLM_HANDLE id, std::string_view text, std::string_view fileName,
                       const char* name) {
  ObjLists lists;
  try {
    ReadLines(text.data(), text.data() + text.size(), lists);
  } catch (const std::bad_alloc&) {
    vlm::Fail("Fail: Out of memory!", kProc);
    return nullptr;
  }
  return CreateFromLists(id, lists, fileName, name);
}

}  // namespace vlm::mesh

extern "C" VLM_MESH* VLM_LoadOBJMesh(VLM_HANDLE mesh, const char* fileName, const char* name) {
  using namespace vlm::mesh;
  const std::string file = fileName ? fileName : "";
  std::FILE* handle = OpenRegularFile(file);
  const std::string headline = "Load OBJ Mesh: " + file;
  VLM_LogMessage(headline.c_str(), VLM_COLOR_INFO, __LINE__, kModule, kProc);
  if (!handle) {
    vlm::Fail("Fail: File not found!", kProc);
    return nullptr;
  }
  // Everything is read before the registry entry is made, so a file that
  // cannot be read leaves an existing mesh of the same ID or name alone.
  ObjLists lists;
  bool read = false;
  try {
    read = ReadFileLines(handle, lists);
    if (!read) vlm::Fail("Fail: File could not be read!", kProc);
  } catch (const std::bad_alloc&) {
    vlm::Fail("Fail: Out of memory!", kProc);
  }
  std::fclose(handle);
  return read ? CreateFromLists(mesh, lists, file, name) : nullptr;
}
