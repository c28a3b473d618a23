// Uses the installed header and library: a vector sum and a log row.
#include <velmora.h>

#include <cstdio>

int main() {
  v4f point{1, 2, 3, 1};
  const v4f step{1, 1, 1, 0};
  VLM_v4fAdd(&point, &step);
  VLM_OpenLogFile("consumer-log.html", 0, 1);
  VLM_LogMessage("OK", VLM_COLOR_OK, 0, "", "main");
  const bool ok = point.x == 2 && point.y == 3 && point.z == 4 && point.w == 1;
  std::puts(ok ? "consumer ok" : "consumer wrong");
  return ok ? 0 : 1;
}
