#include "game.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace demo {

namespace {

// Hangs an object of `mesh` drawn with the material named `material` on the
// body, taking the body's whole transform. A missing material name draws
// with the default material.
void Dress(VLM_OBJECT* body, VLM_HANDLE object, VLM_HANDLE mesh, const char* material) {
  VLM_OBJECT* look = VLM_CreateObject(object, mesh, VLM_GetMaterialByName(material), 0, "");
  if (body && look) VLM_AttachEntity(body, look, VLM_LINK_FULL);
}

// Where a body's centre is in the world.
v4f BodyCentre(VLM_HANDLE body) {
  m4f world{};
  VLM_EntityWorldMatrix(&world, VLM_ResolveBody(body), 1);
  return {world.e[12], world.e[13], world.e[14], 1.0f};
}

// One pass leaves a resting slab jittering a few hundredths above the
// plate; this many settle it.
constexpr int kContactPasses = 10;

constexpr int64_t kFontColour = -65535;  // the font's own colour

struct Control {
  const char* key;
  const char* action;
};
constexpr Control kControls[] = {
    {"mouse", "look around"},
    {"W / S", "fly forward / back"},
    {"A / D", "fly left / right"},
    {"left button", "shoot a ball"},
    {"right button", "shoot a wall slab"},
    {"P", "show or hide the physics debug view"},
    {"F1", "show or hide this help"},
    {"Escape", "quit"},
};

// Text with a dark copy one pixel down and right beneath it.
void DrawShadowed(float x, float y, const char* text, int64_t colour) {
  constexpr int64_t kShadow = 0xC0000000;
  VLM_DrawText(kFont, x + 1.0f, y + 1.0f, text, kShadow, kUnset, kUnset);
  VLM_DrawText(kFont, x, y, text, colour, kUnset, kUnset);
}

std::string Fixed(double value, int decimals) {
  char number[64];
  std::snprintf(number, sizeof number, "%.*f", decimals, value);
  return number;
}

}  // namespace

bool OpenScreen(int& width, int& height) {
  VLM_OpenWindow(0, 0, 0, kWidth, kHeight, kTitle,
                 VLM_WINDOW_CENTERED | VLM_WINDOW_TITLEBAR | VLM_WINDOW_SYSTEMMENU |
                     VLM_WINDOW_SIZEGADGET);
  width = VLM_WindowInnerWidth(0);
  height = VLM_WindowInnerHeight(0);
  if (VLM_OpenScreenInWindow(VLM_WindowID(0), 0, 0, width, height, 32) == 0) return false;
  VLM_SetVSync(1);
  VLM_LockMouse();
  VLM_HideCursor();
  VLM_SetCurrentDirectory((std::string(VLM_ProgramDirectory()) + "Resources").c_str());
  return true;
}

void BuildScene() {
  VLM_Glow(0.0f);
  VLM_Bloom(0.0f);
  VLM_BackgroundColour(0xFF808080u);
  VLM_DirectLight(0);

  // One point light that casts a (dynamic) shadow.
  VLM_CreateLight(kLight, 20.0f, 20.0f, 20.0f, 1);
  VLM_LightColour(kLight, 0xFFFFFFFFu);
  VLM_LightShadow(kLight, 1, 0);
  VLM_LightIntensity(kLight, 1.0f);
  VLM_LightRange(kLight, 100.0f);

  VLM_AmbientColour(0xFF101010u);
  VLM_Shadows(1);
  VLM_CameraFar(2000.0f);
  VLM_CameraNear(0.1f);
  VLM_CameraFOV(60.0f);
  VLM_CameraPosition(0.0f, 5.0f, 10.0f, 0);

  VLM_LoadFont(kFont, "Arial.tf");

  VLM_ParseDefinitionFiles("Materials.vld", 15);

  // The cross-hair's picture, in the default texture filter, no mipmaps.
  VLM_TEXTURE* cross = VLM_LoadTextureFile(-1, "Cross.png", static_cast<int>(0xFFFF0001u), 0, "");
  VLM_CreateMaterial(kMaterialCross, reinterpret_cast<VLM_HANDLE>(cross), 8, "");
  VLM_CreateElement(kElementCross, kMaterialCross, 0, 0);

  VLM_LoadMesh(kMeshPlane, "Plane.vlm", "");
  VLM_LoadOBJMesh(kMeshBall, "Ball.obj", "");
  VLM_LoadMesh(kMeshCube, "Cube.vlm", "");
  VLM_CreateCubeMesh(kMeshPrimitive, 2.0f, 50.0f, 0, "");
  VLM_LoadOBJMesh(kMeshWheel, "Wheel.obj", "");
  VLM_ScaleMesh(kMeshWheel, 2.0f, 2.0f, 2.0f);

  VLM_LoadCageFile(kCagePlane, "Plane.vlb", "");
  VLM_CreateSphereCage(kCageBall, 2.0f, "");
  VLM_CreateBoxCage(kCageSlab, 2.0f, kUnset, kUnset, "");
  VLM_CreateCageFromMesh(kCageWheel, kMeshWheel, VLM_GetCageKindByName("SPHERE"), 1.0f, "");

  VLM_CreatePhysicalMaterial(kSurfaceShot, 0.5f, 0.3f, "");
  VLM_CreatePhysicalMaterial(kSurfaceGround, 1.0f, 0.3f, "");
  VLM_CreatePhysicalMaterial(kSurfaceWheel, 0.9f, 0.1f, "");
  VLM_SetGravity(0.0f, -9.81f, 0.0f);
  VLM_SetPhysicsContactPasses(kContactPasses);

  VLM_OBJECT* ground = VLM_CreateBody(kBodyGround, kCagePlane, kSurfaceGround, "");
  VLM_BodyScale(kBodyGround, 10.0f, 10.0f, 10.0f, 0);
  Dress(ground, kObjectGround, kMeshPlane, "Plane");

  VLM_OBJECT* wheelA = VLM_CreateBody(kBodyWheelA, kCageWheel, kSurfaceWheel, "");
  VLM_SetBodyMass(kBodyWheelA, 0.5f);
  VLM_BodyRotation(kBodyWheelA, 0.0f, 180.0f, 0.0f, 0);
  VLM_BodyScale(kBodyWheelA, 1.0f, -1.0f, -1.0f, 0);
  const v4f atA{-2.0f, 10.0f, -14.0f, 1.0f};
  VLM_BodyPosition(kBodyWheelA, &atA, 0);
  Dress(wheelA, kObjectWheelA, kMeshWheel, "Wheel");

  VLM_OBJECT* wheelB = VLM_CreateBody(kBodyWheelB, kCageWheel, kSurfaceWheel, "");
  VLM_SetBodyMass(kBodyWheelB, 0.5f);
  VLM_BodyScale(kBodyWheelB, 1.0f, -1.0f, -1.0f, 0);
  const v4f atB{2.0f, 10.0f, -14.0f, 1.0f};
  VLM_BodyPosition(kBodyWheelB, &atB, 0);
  Dress(wheelB, kObjectWheelB, kMeshWheel, "Wheel");

  VLM_CreateJoint(kJointAxle, VLM_JOINT_ROD, kBodyWheelA, kBodyWheelB, 0, 0, 0, 0, 0, 0);
}

bool HandleWindowEvents() {
  for (int event = VLM_WindowEvent(); event != VLM_EVENT_NONE; event = VLM_WindowEvent()) {
    if (event == VLM_EVENT_CLOSEWINDOW) return false;
  }
  return true;
}

VLM_HANDLE Shoot(bool slab) {
  VLM_OBJECT* body = VLM_CreateBody(-1, slab ? kCageSlab : kCageBall, kSurfaceShot, "");
  const VLM_HANDLE handle = reinterpret_cast<VLM_HANDLE>(body);
  Dress(body, -1, slab ? kMeshCube : kMeshBall, slab ? "Wall" : "Ball");
  if (slab) {
    VLM_BodyRotation(handle, 0.0f, 0.0f, 0.0f, 0);
    VLM_BodyScale(handle, 2.0f, 2.0f, 0.3f, 0);
  }
  v4f origin{};
  VLM_GetCameraPosition(&origin, VLM_CAMERA_WORLD);
  const v4f direction = *VLM_CameraPickRay(VLM_PICK_CENTRE, VLM_PICK_CENTRE);
  VLM_BodyPosition(handle, &origin, 0);
  VLM_SetBodyMass(handle, 1.0f);
  VLM_SetBodyVelocity(handle, nullptr, 10.0f * direction.x, 10.0f * direction.y,
                      10.0f * direction.z, 5);
  return handle;
}

void MoveNode(double milliseconds) {
  if (!VLM_IsNode(kNodeMoving)) return;
  const double t = milliseconds;
  const v4f at{static_cast<float>(3.0 * std::cos(t / 1000.0)),
               static_cast<float>(3.0 * std::sin(t / 500.0) + 3.0),
               static_cast<float>(3.0 * std::sin(t / 750.0)), 1.0f};
  VLM_NodePosition(kNodeMoving, &at, 0);
  VLM_NodeRotation(kNodeMoving, static_cast<float>(90.0 * std::cos(t / 1000.0)),
                   static_cast<float>(90.0 * std::sin(t / 500.0)),
                   static_cast<float>(90.0 * std::sin(t / 750.0)), 0);
}

// The frame time factor keeps the speed at 10 units per second whatever
// the frame rate.
void FlyCamera(float frameTime) {
  VLM_CameraRotation(0.0f, -0.1f * static_cast<float>(VLM_MouseDeltaX()), 0.0f, 5);
  VLM_CameraRotation(-0.1f * static_cast<float>(VLM_MouseDeltaY()), 0.0f, 0.0f, 3);
  const float f = frameTime;
  if (VLM_KeyboardDown('W')) {
    VLM_CameraPosition(0.0f, 0.0f, -10.0f * f, 3);
  } else if (VLM_KeyboardDown('S')) {
    VLM_CameraPosition(0.0f, 0.0f, 10.0f * f, 3);
  }
  if (VLM_KeyboardDown('A')) {
    VLM_CameraPosition(-10.0f * f, 0.0f, 0.0f, 3);
  } else if (VLM_KeyboardDown('D')) {
    VLM_CameraPosition(10.0f * f, 0.0f, 0.0f, 3);
  }
}

std::vector<OverlayLine> OverlayLines() {
  const int objects = VLM_CountObjects();
  const int lights = VLM_CountLights();
  const auto count = [](int64_t n) { return std::to_string(n); };
  return {
      {25, kFontColour, "Grafik: " + Fixed(VLM_RenderFrequency(), 1) + " Hz"},
      {50, kFontColour, "Physik: " + Fixed(VLM_PhysicsFrequency(), 1) + " Hz"},
      {100, kFontColour, "Gesamtenergie: " + Fixed(VLM_GetPhysicsEnergy(15), 3)},
      {125, 0xFF80FFFF, "  Lage: " + Fixed(VLM_GetPhysicsEnergy(4), 1)},
      {150, 0xFF4080FF, "  Spannung: " + Fixed(VLM_GetPhysicsEnergy(8), 1)},
      {175, 0xFF40FF80, "  Translation: " + Fixed(VLM_GetPhysicsEnergy(1), 1)},
      {200, 0xFFFFC080, "  Rotation: " + Fixed(VLM_GetPhysicsEnergy(2), 1)},
      {250, kFontColour,
       "Bodies: " + count(VLM_CountBodies(1)) + " (dyn) + " + count(VLM_CountBodies(0)) + " (stc)"},
      {275, kFontColour, "Joints: " + count(VLM_CountJoints())},
      {300, kFontColour, "Particle: " + count(VLM_CountParticles(-1))},
      {350, kFontColour,
       "Rendered Objects: " + count(VLM_RenderedCount(VLM_RENDERED_OBJECTS)) + " / " + count(objects)},
      {375, kFontColour,
       "Rendered Lights: " + count(VLM_RenderedCount(VLM_RENDERED_LIGHTS)) + " / " + count(lights)},
      // Every light may draw every object into each of its six cube faces.
      {400, kFontColour,
       "Rendered Shadow Objects: " + count(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS)) +
           " / " + count(int64_t{lights} * 6 * objects)},
  };
}

void DrawOverlay() {
  for (const OverlayLine& line : OverlayLines()) DrawShadowed(20.0f, line.y, line.text.c_str(), line.colour);
}

std::string ControlsText() {
  std::string text = "Controls:\n";
  char line[128];
  for (const Control& control : kControls) {
    std::snprintf(line, sizeof line, "  %-14s %s\n", control.key, control.action);
    text += line;
  }
  return text;
}

void DrawHelp(int screenWidth) {
  const auto width = [](const char* text) {
    float w = 0.0f;
    VLM_TextLine(kFont, text, kUnset, &w, nullptr);
    return w;
  };
  float keys = 0.0f, actions = 0.0f;
  for (const Control& control : kControls) {
    keys = std::max(keys, width(control.key));
    actions = std::max(actions, width(control.action));
  }
  constexpr float kGap = 20.0f;
  const float left = static_cast<float>(screenWidth) - 20.0f - keys - kGap - actions;
  DrawShadowed(left, 25.0f, "Controls", kFontColour);
  float y = 50.0f;
  for (const Control& control : kControls) {
    DrawShadowed(left, y, control.key, kFontColour);
    DrawShadowed(left + keys + kGap, y, control.action, kFontColour);
    y += 25.0f;
  }
}

std::string Statistics(const std::vector<VLM_HANDLE>& shots, int debugView) {
  char text[256];
  std::string out;
  std::snprintf(text, sizeof text, "Bodies: %d (dyn) + %d (stc)\nJoints: %d\n", VLM_CountBodies(1),
                VLM_CountBodies(0), VLM_CountJoints());
  out += text;
  const v4f a = BodyCentre(kBodyWheelA), b = BodyCentre(kBodyWheelB);
  float lowest = std::min(a.y, b.y);
  for (VLM_HANDLE body : shots) lowest = std::min(lowest, BodyCentre(body).y);
  const float axle = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                               (a.z - b.z) * (a.z - b.z));
  std::snprintf(text, sizeof text, "Lowest body centre: %.3f\nAxle length: %.4f\n", lowest, axle);
  out += text;
  v4f camera{};
  VLM_GetCameraPosition(&camera, VLM_CAMERA_WORLD);
  std::snprintf(text, sizeof text, "Camera: %.4f %.4f %.4f\nDebug view: %d\n", camera.x, camera.y,
                camera.z, debugView);
  out += text;
  const std::vector<OverlayLine> lines = OverlayLines();
  for (size_t i = lines.size() - 3; i < lines.size(); ++i) out += lines[i].text + "\n";
  return out;
}

std::string BodyDump(const std::vector<VLM_HANDLE>& shots) {
  std::string out;
  char text[256];
  std::vector<VLM_HANDLE> bodies = {kBodyGround, kBodyWheelA, kBodyWheelB};
  bodies.insert(bodies.end(), shots.begin(), shots.end());
  for (size_t i = 0; i < bodies.size(); ++i) {
    const VLM_HANDLE body = bodies[i];
    v4f velocity{}, spin{};
    VLM_GetBodyVelocity(body, &velocity, &spin);
    const v4f at = BodyCentre(body);
    // %.9g prints every float so that it reads back to the same bits.
    std::snprintf(text, sizeof text, "Body %zu: position %.9g %.9g %.9g velocity %.9g %.9g %.9g spin %.9g %.9g %.9g\n",
                  i, at.x, at.y, at.z, velocity.x, velocity.y, velocity.z, spin.x, spin.y, spin.z);
    out += text;
  }
  std::snprintf(text, sizeof text, "Body state hash: 0x%016" PRIx64 "\n", VLM_GetPhysicsStateHash());
  return out + text;
}

}  // namespace demo
