// The demonstration's scene and the parts of its frame that do not depend
// on how the frame is driven: start-up, shooting, flying, the overlay and
// the summary an automated run prints. The program (main.cpp) and the
// frame benchmark (bench/bench_demo.cpp) run the same scene through it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "velmora.h"

namespace demo {

inline constexpr const char* kTitle = "Velmora Engine - Physics";
inline constexpr int kWidth = 1600;
inline constexpr int kHeight = 900;
inline constexpr float kUnset = -65535.0f;  // "take the default" in engine calls

// Fixed IDs of the scene.
enum : VLM_HANDLE {
  kMeshPlane = 1,
  kMeshBall = 9,
  kMeshCube = 17,
  kMeshPrimitive = 18,
  kMeshWheel = 20,
  kCagePlane = 2,
  kCageBall = 3,
  kCageSlab = 5,
  kCageWheel = 6,
  kFont = 26,
  kElementCross = 27,
  kMaterialCross = 28,
  kLight = 34,
  kNodeMoving = 47,
  kSurfaceShot = 59,
  kSurfaceGround = 60,
  kSurfaceWheel = 61,
  kBodyGround = 48,
  kBodyWheelA = 57,
  kBodyWheelB = 58,
  kJointAxle = 43,
  kObjectGround = 7,
  kObjectWheelA = 15,
  kObjectWheelB = 16,
};

// Opens window 0 and the engine's surface in it (which starts the engine),
// turns vertical sync on, locks and hides the mouse and makes "Resources"
// beside the program the current directory. False when the window or its
// surface cannot be opened; the screen's size goes to width and height.
bool OpenScreen(int& width, int& height);

// Lights, camera, font, definitions, cross-hair, meshes, cages, physical
// materials, the ground and the two wheels on their axle. Contacts are
// resolved in several passes per step, so that slabs and stacks come to
// rest instead of jittering on the plate.
void BuildScene();

// Fetches window events until none is pending; false at the first close
// event, so that the loop leaves without drawing another frame (events
// behind it stay queued).
bool HandleWindowEvents();

// A ball (left button) or a wall slab (right button), shot from the camera
// along the view ray through the screen centre. Returns the body.
VLM_HANDLE Shoot(bool slab);

// Moves node 47, when a definition file made one, on its fixed path;
// `milliseconds` is the engine's elapsed time.
void MoveNode(double milliseconds);

// Mouse look, then W/A/S/D by 10 units per second of `frameTime`.
void FlyCamera(float frameTime);

// One line of the statistics overlay.
struct OverlayLine {
  float y;
  int64_t colour;  // -65535: the font's own colour
  std::string text;
};

// The thirteen overlay lines as they read now.
std::vector<OverlayLine> OverlayLines();

// Draws OverlayLines() with font 26 at x = 20, in the font's size and
// slant, each over a dark copy one pixel down and right, so that the lines
// stay readable over bright objects.
void DrawOverlay();

// The controls as --help prints them: "Controls:", then one line per key
// or button with what it does.
std::string ControlsText();

// The controls in two columns in the window's top-right corner, with the
// overlay's shadow; `screenWidth` is the drawing area's width.
void DrawHelp(int screenWidth);

// What an automated run prints at its end: the body and joint counts, the
// lowest body centre, the axle length, the camera, the debug view and the
// last frame's rendered counters as the overlay shows them.
std::string Statistics(const std::vector<VLM_HANDLE>& shots, int debugView);

// Every body's centre, velocity and spin (ground, wheels, then the shots in
// order) and the hash of the whole physics state, for comparing runs.
std::string BodyDump(const std::vector<VLM_HANDLE>& shots);

}  // namespace demo
