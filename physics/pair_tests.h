// Which shape test meets two cage kinds: one row per kind of the first
// body P and one column per kind of the second body Q, every cell either a
// test or the reason why the two kinds never touch.
#pragma once

#include <cstdint>

struct VLM_OBJECT;

namespace vlm {

struct PairTest {
  int (*test)(VLM_OBJECT* first, VLM_OBJECT* second);  // null: no contact, ever
  bool swapped;     // the test takes (Q, P) instead of (P, Q)
  const char* why;  // for a cell without a test: why, for the table's own check
};

// The cell for P's kind and Q's kind (VLM_CAGE_NONE .. VLM_CAGE_POLYHEDRON);
// codes of no kind get NONE's cells.
const PairTest& PairTestFor(int32_t kindP, int32_t kindQ);

}  // namespace vlm
