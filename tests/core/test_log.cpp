// The HTML log, compared byte for byte.
#include <gtest/gtest.h>

#include <regex>

#include "core/log_internal.h"
#include "support/test_support.h"
#include "velmora/core.h"

namespace {

using vlmtest::LogBody;
using vlmtest::OpenTestLog;
using vlmtest::ReadFile;
using vlmtest::TempDir;

const std::string kBullet = "<td>\xC2\x95</td>";

std::string Html(uint32_t colour) {
  char out[8];
  return VLM_ColourToHtml(colour, out);
}

TEST(LogColour, IgnoresAlphaAndSwapsRedAndBlue) {
  EXPECT_EQ(Html(0), "#000000");
  EXPECT_EQ(Html(0xFF), "#FF0000");
  EXPECT_EQ(Html(0xFF0000FF), "#FF0000");
  EXPECT_EQ(Html(0xFFFF0000), "#0000FF");
  EXPECT_EQ(Html(0x00D06600), "#0066D0");
  EXPECT_EQ(Html(0x404040), "#404040");
  EXPECT_EQ(Html(0xFF00FF11), "#11FF00");
  EXPECT_EQ(Html(0xFF31BC51), "#51BC31");
  EXPECT_EQ(Html(0xBEFB), "#FBBE00");
  EXPECT_EQ(Html(0x00010203), "#030201");
}

TEST(LogFile, StartsWithBomAndHeaderEndingInCrLf) {
  TempDir dir;
  const std::string path = dir.File("VLM LogFile.html");
  VLM_OpenLogFile(path.c_str(), 0, 1);
  const std::string bytes = ReadFile(path);
  const std::string expected =
      "\xEF\xBB\xBF<html><head><style>body,td,pre{font:12px Verdana;margin:0px;} big{font:bold 14px "
      "Verdana; display:block; margin: 8px; } th{font:bold 12px Verdana;border-bottom:solid 1px "
      "#C0C0C0;} td,th{ vertical-align:top; padding:3px 6px;} table{border-collapse:collapse;} "
      "i{color:#404040;} blockquote{margin:0px 16px;}</style></head><body><table>\r\n";
  EXPECT_EQ(bytes, expected);
}

TEST(LogFile, NoHeaderWritesOnlyTheBom) {
  TempDir dir;
  const std::string path = dir.File("plain.html");
  VLM_OpenLogFile(path.c_str(), 1, 1);
  EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF");
}

TEST(LogFile, ModeZeroWritesFromTheStartWithoutTruncating) {
  TempDir dir;
  const std::string path = dir.File("old.html");
  vlmtest::WriteFile(path, "0123456789");
  VLM_OpenLogFile(path.c_str(), 1, 0);
  EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF" "3456789");
  VLM_OpenLogFile(path.c_str(), 1, 1);
  EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF");
}

TEST(LogFile, UncreatableFileMakesEveryOperationANoOp) {
  TempDir dir;
  const std::string path = dir.File("missing-folder/log.html");
  VLM_OpenLogFile(path.c_str(), 0, 1);
  VLM_SetLogColumns(15);
  const int depth = vlm::LogSectionDepth();
  VLM_BeginLogSection("Title", 0);
  VLM_LogMessage("text", 0, 1, "m", "p");
  VLM_LogBreak();
  VLM_EndLogSection();
  EXPECT_EQ(vlm::LogSectionDepth(), depth);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(LogRow, MaskTenHasModuleAndLineCellsOnly) {
  TempDir dir;
  const std::string path = OpenTestLog(dir, VLM_LOG_MODULE | VLM_LOG_LINE);
  VLM_LogMessage("Load Mesh: Ball.vlm", 0x404040, 42, "C:\\Engine\\VLM Mesh", "VLM_LoadMesh");
  VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", "VLM_LoadMesh");
  EXPECT_EQ(LogBody(path),
            "<tr>" + kBullet +
                "<td>VLM Mesh</td><td>42</td><td colspan=2><i style='color:#404040;'>Load Mesh: "
                "Ball.vlm</i></td></tr>"
                "<tr>" + kBullet +
                "<td></td><td></td><td colspan=2><i style='color:#11FF00;'>OK</i></td></tr>");
}

TEST(LogRow, EveryCellInMaskOrderAndNoEscaping) {
  TempDir dir;
  const std::string path = OpenTestLog(dir, 15);
  VLM_LogMessage("a <b>bold</b> row", VLM_COLOR_FAIL, 7, "src/mesh/VLM Mesh", "VLM_Proc");
  const std::string body = LogBody(path);
  const std::regex row(
      "<tr><td>\xC2\x95</td><td>[0-2][0-9]:[0-5][0-9]:[0-5][0-9]</td><td>VLM Mesh</td><td>VLM_Proc</td>"
      "<td>7</td><td colspan=2><i style='color:#FF0000;'>a <b>bold</b> row</i></td></tr>");
  EXPECT_TRUE(std::regex_match(body, row)) << body;
}

TEST(LogRow, FreshlyOpenedLogCarriesTimeAndLineCells) {
  // Opening sets the mask 9: rows carry the time and the line, nothing else,
  // until the columns are changed.
  TempDir dir;
  const std::string path = dir.File("fresh.html");
  VLM_OpenLogFile(path.c_str(), 1, 1);
  VLM_LogMessage("first", VLM_COLOR_FAIL, 12, "VLM Mesh", "VLM_LoadMesh");
  VLM_LogMessage("second", VLM_COLOR_OK, 0, "", "VLM_LoadMesh");
  const std::string body = LogBody(path);
  const std::string time = "<td>[0-2][0-9]:[0-5][0-9]:[0-5][0-9]</td>";
  const std::regex rows("<tr><td>\xC2\x95</td>" + time +
                        "<td>12</td><td colspan=2><i style='color:#FF0000;'>first</i></td></tr>"
                        "<tr><td>\xC2\x95</td>" + time +
                        "<td></td><td colspan=2><i style='color:#11FF00;'>second</i></td></tr>");
  EXPECT_TRUE(std::regex_match(body, rows)) << body;
}

TEST(LogRow, ProcedureOnlyAndEmptyModule) {
  TempDir dir;
  const std::string path = OpenTestLog(dir, VLM_LOG_PROCEDURE | VLM_LOG_MODULE);
  VLM_LogMessage("x", 0, 0, "", "VLM_Init");
  EXPECT_EQ(LogBody(path), "<tr>" + kBullet + "<td></td><td>VLM_Init</td><td colspan=2><i style='color:#000000;'>x</i></td></tr>");
}

TEST(LogSection, FontSizeFollowsDepthIncludingNegativeSizes) {
  TempDir dir;
  const std::string path = OpenTestLog(dir);
  vlm::SetLogSectionDepth(0);
  VLM_BeginLogSection("Top", VLM_COLOR_TITLE);
  VLM_BeginLogSection("Inner", 0xD06600);
  VLM_EndLogSection();
  VLM_EndLogSection();
  EXPECT_EQ(LogBody(path),
            "</table><big style='color:#51BC31;font-size:14px;'>Top</big><blockquote><table>"
            "</table><big style='color:#0066D0;font-size:12px;'>Inner</big><blockquote><table>"
            "</table></blockquote><table><br>"
            "</table></blockquote><table><br>");

  const std::string deep = OpenTestLog(dir);
  vlm::SetLogSectionDepth(7);
  VLM_BeginLogSection("Eight", 0);
  VLM_BeginLogSection("Nine", 0);
  EXPECT_EQ(LogBody(deep),
            "</table><big style='color:#000000;font-size:0px;'>Eight</big><blockquote><table>"
            "</table><big style='color:#000000;font-size:-2px;'>Nine</big><blockquote><table>");

  // More closings than openings: the depth goes below zero and the next
  // title grows.
  const std::string under = OpenTestLog(dir);
  vlm::SetLogSectionDepth(0);
  VLM_EndLogSection();
  VLM_EndLogSection();
  VLM_BeginLogSection("Big", 0);
  EXPECT_EQ(vlm::LogSectionDepth(), -1);
  EXPECT_EQ(LogBody(under),
            "</table></blockquote><table><br></table></blockquote><table><br>"
            "</table><big style='color:#000000;font-size:18px;'>Big</big><blockquote><table>");
  vlm::SetLogSectionDepth(0);
}

TEST(LogBreak, WritesBrAndSetColumnsWritesNothing) {
  TempDir dir;
  const std::string path = OpenTestLog(dir);
  VLM_SetLogColumns(3);
  VLM_LogBreak();
  EXPECT_EQ(LogBody(path), "<br>");
}

TEST(LogFile, EveryRowIsOnDiskAtOnce) {
  TempDir dir;
  const std::string path = OpenTestLog(dir);
  size_t previous = LogBody(path).size();
  for (int i = 0; i < 3; ++i) {
    VLM_LogMessage("row", 0, 0, "", "p");
    const size_t now = LogBody(path).size();
    EXPECT_GT(now, previous);
    previous = now;
  }
}

}  // namespace
