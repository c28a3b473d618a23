// HTML log "VLM LogFile.html": one row per engine event, flushed at once so
// the file is complete up to the last row even if the process dies.
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "core/log_internal.h"
#include "velmora/core.h"

namespace {

// Columns of a freshly opened log.
constexpr int kDefaultColumns = VLM_LOG_TIME | VLM_LOG_LINE;

struct LogState {
  FILE* file = nullptr;
  int sectionDepth = 0;
  int columnMask = kDefaultColumns;
};

LogState g_log;

const char kHeader[] =
    "<html><head><style>body,td,pre{font:12px Verdana;margin:0px;} big{font:bold 14px Verdana; "
    "display:block; margin: 8px; } th{font:bold 12px Verdana;border-bottom:solid 1px #C0C0C0;} "
    "td,th{ vertical-align:top; padding:3px 6px;} table{border-collapse:collapse;} "
    "i{color:#404040;} blockquote{margin:0px 16px;}</style></head><body><table>";

void Write(std::string_view text) {
  if (!g_log.file) return;
  std::fwrite(text.data(), 1, text.size(), g_log.file);
  std::fflush(g_log.file);
}

void AppendCell(std::string& row, std::string_view text) {
  row += "<td>";
  row += text;
  row += "</td>";
}

const char* LastPathComponent(const char* path) {
  const char* last = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '/' || *p == '\\') last = p + 1;
  }
  return last;
}

}  // namespace

extern "C" {

char* VLM_ColourToHtml(uint32_t colour, char out[8]) {
  const uint32_t rgb = (colour & 0xFFu) << 16 | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
  std::snprintf(out, 8, "#%06X", rgb);
  return out;
}

int VLM_OpenLogFile(const char* fileName, int noHeader, int mode) {
  if (g_log.file) {
    std::fclose(g_log.file);
    g_log.file = nullptr;
  }
  g_log.columnMask = kDefaultColumns;
  if (!fileName) return 0;
  if (mode == 1) {
    g_log.file = std::fopen(fileName, "wb");
  } else {
    // Write from the start of an existing file without truncating it.
    g_log.file = std::fopen(fileName, "r+b");
    if (!g_log.file) g_log.file = std::fopen(fileName, "wb");
  }
  if (!g_log.file) return 0;
  std::string start = "\xEF\xBB\xBF";
  if (!noHeader) {
    start += kHeader;
    start += "\r\n";
  }
  Write(start);
  return 0;
}

int VLM_SetLogColumns(int mask) {
  g_log.columnMask = mask;
  if (g_log.file) std::fflush(g_log.file);
  return 0;
}

int VLM_BeginLogSection(const char* title, uint32_t colour) {
  ++g_log.sectionDepth;
  char html[8];
  std::string s = "</table><big style='color:";
  s += VLM_ColourToHtml(colour, html);
  s += ";font-size:";
  s += std::to_string(16 - 2 * g_log.sectionDepth);
  s += "px;'>";
  s += title ? title : "";
  s += "</big><blockquote><table>";
  Write(s);
  return 0;
}

int VLM_EndLogSection(void) {
  --g_log.sectionDepth;
  Write("</table></blockquote><table><br>");
  return 0;
}

int VLM_LogMessage(const char* text, uint32_t colour, int line, const char* module,
                   const char* procedure) {
  if (!g_log.file) return 0;
  std::string row = "<tr><td>\xC2\x95</td>";
  const int mask = g_log.columnMask;
  if (mask & VLM_LOG_TIME) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[16];
    std::snprintf(when, sizeof when, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    AppendCell(row, when);
  }
  if (mask & VLM_LOG_MODULE) AppendCell(row, LastPathComponent(module ? module : ""));
  if (mask & VLM_LOG_PROCEDURE) AppendCell(row, procedure ? procedure : "");
  if (mask & VLM_LOG_LINE) AppendCell(row, line != 0 ? std::to_string(line) : std::string());
  char html[8];
  row += "<td colspan=2><i style='color:";
  row += VLM_ColourToHtml(colour, html);
  row += ";'>";
  row += text ? text : "";
  row += "</i></td></tr>";
  Write(row);
  return 0;
}

int VLM_LogBreak(void) {
  Write("<br>");
  return 0;
}

}  // extern "C"

namespace vlm {

int LogSectionDepth() { return g_log.sectionDepth; }
void SetLogSectionDepth(int depth) { g_log.sectionDepth = depth; }

}  // namespace vlm
