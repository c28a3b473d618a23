// Writing definition files (engine mesh files are written this way).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "definition/definition_internal.h"

struct VLM_DEFINITION_WRITER {
  std::FILE* file = nullptr;
  int depth = 0;
  bool failed = false;
  std::string buffer;  // written out in large pieces
};

namespace {

constexpr size_t kFlushSize = size_t(1) << 16;

void Flush(VLM_DEFINITION_WRITER* writer) {
  if (!writer->buffer.empty() && !writer->failed &&
      std::fwrite(writer->buffer.data(), 1, writer->buffer.size(), writer->file) != writer->buffer.size()) {
    writer->failed = true;
  }
  writer->buffer.clear();
}

void Indent(VLM_DEFINITION_WRITER* writer) { writer->buffer.append(static_cast<size_t>(writer->depth), '\t'); }

int EndLine(VLM_DEFINITION_WRITER* writer) {
  writer->buffer += "\r\n";
  if (writer->buffer.size() >= kFlushSize) Flush(writer);
  return writer->failed ? 0 : 1;
}

void AppendFloat(std::string& out, float value) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value > 0 ? "+Infinity" : "-Infinity";
    return;
  }
  if (value == 0.0f) value = 0.0f;  // no "-0.000000"
  if (value >= 0.0f) out += ' ';
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
  out.append(text, result.ptr);
}

}  // namespace

extern "C" {

VLM_DEFINITION_WRITER* VLM_OpenDefinitionWriter(const char* fileName) {
  if (!fileName || !*fileName) return nullptr;
  std::FILE* file = std::fopen(vlm::SystemPath(fileName).c_str(), "wb");
  if (!file) return nullptr;
  auto* writer = new (std::nothrow) VLM_DEFINITION_WRITER;
  if (!writer) {
    std::fclose(file);
    return nullptr;
  }
  writer->file = file;
  writer->buffer.reserve(kFlushSize + 4096);
  return writer;
}

int VLM_BeginDefinitionBlock(VLM_DEFINITION_WRITER* writer, const char* name, const char* value) {
  if (!writer) return 0;
  const std::string_view n = name ? name : "";
  const std::string_view v = value ? value : "";
  Indent(writer);
  std::string& out = writer->buffer;
  if (!n.empty()) {
    out += n;
    out += ':';
  }
  if (!v.empty()) {
    if (!n.empty()) out += ' ';
    out += v;
  }
  out += n.empty() && v.empty() ? "{" : " {";
  ++writer->depth;
  return EndLine(writer);
}

int VLM_EndDefinitionBlock(VLM_DEFINITION_WRITER* writer) {
  if (!writer) return 0;
  if (writer->depth > 0) --writer->depth;
  Indent(writer);
  writer->buffer += '}';
  return EndLine(writer);
}

int VLM_WriteDefinitionStatement(VLM_DEFINITION_WRITER* writer, const char* name, const char* value) {
  if (!writer) return 0;
  const std::string_view n = name ? name : "";
  Indent(writer);
  if (!n.empty()) {
    writer->buffer += n;
    writer->buffer += ": ";
  }
  writer->buffer += value ? value : "";
  return EndLine(writer);
}

int VLM_WriteDefinitionFloats(VLM_DEFINITION_WRITER* writer, const float* values, int32_t count) {
  if (!writer) return 0;
  Indent(writer);
  for (int32_t i = 0; values && i < count; ++i) {
    if (i) writer->buffer += ',';
    AppendFloat(writer->buffer, values[i]);
  }
  return EndLine(writer);
}

int VLM_WriteDefinitionIntegers(VLM_DEFINITION_WRITER* writer, const int32_t* values, int32_t count) {
  if (!writer) return 0;
  Indent(writer);
  writer->buffer += ' ';
  for (int32_t i = 0; values && i < count; ++i) {
    if (i) writer->buffer += ',';
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, values[i]);
    writer->buffer.append(text, result.ptr);
  }
  return EndLine(writer);
}

int VLM_WriteDefinitionLine(VLM_DEFINITION_WRITER* writer, const char* text) {
  if (!writer) return 0;
  if (text && *text) {
    Indent(writer);
    writer->buffer += text;
  }
  return EndLine(writer);
}

int VLM_CloseDefinitionWriter(VLM_DEFINITION_WRITER* writer) {
  if (!writer) return 0;
  Flush(writer);
  if (std::fclose(writer->file) != 0) writer->failed = true;
  const int ok = writer->failed ? 0 : 1;
  delete writer;
  return ok;
}

}  // extern "C"
