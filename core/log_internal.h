// Log internals for tests: the section depth is never reset by the engine.
#pragma once

namespace vlm {

int LogSectionDepth();
void SetLogSectionDepth(int depth);

}  // namespace vlm
