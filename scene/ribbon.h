// Ribbons: the per-frame advance the effect pass runs.
#pragma once

namespace vlm {

// Steps every ribbon whose step time has passed at `elapsedSeconds`: its
// vertex pairs move one place tailward, pair 0 is laid at the ribbon's
// world position across its world x axis, and the mesh is re-uploaded.
void AdvanceRibbons(double elapsedSeconds);

}  // namespace vlm
