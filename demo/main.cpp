// The physics demonstration: opens its window, starts the engine in it,
// builds the scene (a ground plate and two wheels on an axle) and runs the
// frame loop until the window is closed or Escape is held. The mouse
// buttons shoot balls (left) and wall slabs (right); P shows the physics
// debug view.
//
// Automation options (the program behaves as without them otherwise):
//   --frames N         leave the loop after N frames, as if Escape was held
//   --screenshot FILE  save the last presented frame as PNG before shutdown
//   --script FILE      play the timed input events of FILE (demo_script.h)
//   --record FILE      write the input of this run to FILE as such a script
//   --help             print this and exit
// With --script or --record the physics runs one step of 1/60 s per frame
// and each frame lasts at least that long, so a replay repeats the run.
#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "demo_script.h"
#include "velmora.h"

namespace {

constexpr const char* kTitle = "Velmora Engine - Physics";
constexpr int kWidth = 1600;
constexpr int kHeight = 900;
constexpr float kScriptStep = 1.0f / 60.0f;  // seconds per frame in scripted runs
constexpr float kUnset = -65535.0f;          // "take the default" in engine calls

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

struct Options {
  long frames = 0;  // 0: until Escape or close
  std::string screenshot;
  std::string script;
  std::string record;
  bool help = false;
};

void PrintUsage(FILE* to, const char* program) {
  std::fprintf(to,
               "Usage: %s [--frames N] [--screenshot FILE] [--script FILE] [--record FILE]"
               " [--help]\n"
               "  --frames N         leave after N frames, as if Escape was held\n"
               "  --screenshot FILE  save the last presented frame as PNG\n"
               "  --script FILE      play the timed input events of FILE\n"
               "  --record FILE      write this run's input to FILE as a script\n"
               "  --help             show this text\n",
               program);
}

// Relative to where the program was started, not to "Resources".
std::string Absolute(const char* path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? std::string(path) : full.string();
}

// Returns false (with the reason on stderr) for arguments it does not know.
bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--frames" && i + 1 < argc) {
      const char* text = argv[++i];
      char* end = nullptr;
      errno = 0;
      const long frames = std::strtol(text, &end, 10);
      if (errno != 0 || end == text || *end != 0 || frames <= 0) {
        std::fprintf(stderr, "%s: --frames needs a positive whole number, not \"%s\"\n", argv[0],
                     text);
        return false;
      }
      options.frames = frames;
    } else if (arg == "--screenshot" && i + 1 < argc) {
      options.screenshot = Absolute(argv[++i]);
    } else if (arg == "--script" && i + 1 < argc) {
      options.script = Absolute(argv[++i]);
    } else if (arg == "--record" && i + 1 < argc) {
      options.record = Absolute(argv[++i]);
    } else {
      std::fprintf(stderr, "%s: unknown or incomplete argument \"%s\"\n", argv[0], arg.c_str());
      return false;
    }
  }
  return true;
}

// Reads and parses the script; false with the reason on stderr.
bool LoadScript(const char* program, const std::string& path,
                std::vector<demo::ScriptEvent>& events) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: the script \"%s\" cannot be read\n", program, path.c_str());
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::string error;
  if (!demo::ParseScript(text.str(), events, error)) {
    std::fprintf(stderr, "%s: %s: %s\n", program, path.c_str(), error.c_str());
    return false;
  }
  return true;
}

// Fetches events until none is pending; false when the window was closed,
// so that the loop leaves without drawing another frame.
bool HandleWindowEvents() {
  for (int event = VLM_WindowEvent(); event != VLM_EVENT_NONE; event = VLM_WindowEvent()) {
    if (event == VLM_EVENT_CLOSEWINDOW) return false;
  }
  return true;
}

// Hangs an object of `mesh` drawn with the material named `material` on the
// body, taking the body's whole transform. A missing material name draws
// with the default material.
void Dress(VLM_OBJECT* body, VLM_HANDLE object, VLM_HANDLE mesh, const char* material) {
  VLM_OBJECT* look = VLM_CreateObject(object, mesh, VLM_GetMaterialByName(material), 0, "");
  if (body && look) VLM_AttachEntity(body, look, VLM_LINK_FULL);
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

// A ball (left button) or a wall slab (right button), shot from the view.
VLM_HANDLE Shoot(bool slab) {
  VLM_OBJECT* body = VLM_CreateBody(-1, slab ? kCageSlab : kCageBall, kSurfaceShot, "");
  const VLM_HANDLE handle = reinterpret_cast<VLM_HANDLE>(body);
  Dress(body, -1, slab ? kMeshCube : kMeshBall, slab ? "Wall" : "Ball");
  if (slab) {
    VLM_BodyRotation(handle, 0.0f, 0.0f, 0.0f, 0);
    VLM_BodyScale(handle, 2.0f, 2.0f, 0.3f, 0);
  }
  // From the camera's world position along the view ray through the centre.
  v4f origin{};
  VLM_GetCameraPosition(&origin, VLM_CAMERA_WORLD);
  const v4f direction = *VLM_CameraPickRay(VLM_PICK_CENTRE, VLM_PICK_CENTRE);
  VLM_BodyPosition(handle, &origin, 0);
  VLM_SetBodyMass(handle, 1.0f);
  VLM_SetBodyVelocity(handle, nullptr, 10.0f * direction.x, 10.0f * direction.y,
                      10.0f * direction.z, 5);
  return handle;
}

// Where a body's centre is in the world.
v4f BodyCentre(VLM_HANDLE body) {
  m4f world{};
  VLM_EntityWorldMatrix(&world, VLM_ResolveBody(body), 1);
  return {world.e[12], world.e[13], world.e[14], 1.0f};
}

// What the overlay and an automated run's summary report.
std::string Statistics(const std::vector<VLM_HANDLE>& shots) {
  char text[256];
  std::string out;
  std::snprintf(text, sizeof text, "Bodies: %d (dyn) + %d (stc)\nJoints: %d\n", VLM_CountBodies(1),
                VLM_CountBodies(0), VLM_CountJoints());
  out += text;
  float lowest = BodyCentre(kBodyWheelA).y;
  for (VLM_HANDLE body : {kBodyWheelB}) lowest = std::min(lowest, BodyCentre(body).y);
  for (VLM_HANDLE body : shots) lowest = std::min(lowest, BodyCentre(body).y);
  const v4f a = BodyCentre(kBodyWheelA), b = BodyCentre(kBodyWheelB);
  const float axle = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                               (a.z - b.z) * (a.z - b.z));
  std::snprintf(text, sizeof text, "Lowest body centre: %.3f\nAxle length: %.4f\n", lowest, axle);
  out += text;
  v4f camera{};
  VLM_GetCameraPosition(&camera, VLM_CAMERA_WORLD);
  std::snprintf(text, sizeof text, "Camera: %.4f %.4f %.4f\n", camera.x, camera.y, camera.z);
  return out + text;
}

// Moves node 47, when a definition file made one, on its fixed path.
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

// Mouse look, then W/A/S/D scaled by the frame time so the speed is
// 10 units per second whatever the frame rate.
void FlyCamera() {
  VLM_CameraRotation(0.0f, -0.1f * static_cast<float>(VLM_MouseDeltaX()), 0.0f, 5);
  VLM_CameraRotation(-0.1f * static_cast<float>(VLM_MouseDeltaY()), 0.0f, 0.0f, 3);
  const float f = VLM_FrameTime();
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

// The statistics overlay: one VLM_DrawText line each, in the font's size.
void DrawOverlay() {
  constexpr int64_t kFontColour = -65535;
  struct Line {
    float y;
    int64_t colour;
    std::string text;
  };
  char number[64];
  const auto fixed = [&number](double value, int decimals) {
    std::snprintf(number, sizeof number, "%.*f", decimals, value);
    return std::string(number);
  };
  const int objects = VLM_CountObjects();
  const int lights = VLM_CountLights();
  const Line lines[] = {
      {25, kFontColour, "Grafik: " + fixed(VLM_RenderFrequency(), 1) + " Hz"},
      {50, kFontColour, "Physik: " + fixed(VLM_PhysicsFrequency(), 1) + " Hz"},
      {100, kFontColour, "Gesamtenergie: " + fixed(VLM_GetPhysicsEnergy(15), 3)},
      {125, 0xFF80FFFF, "  Lage: " + fixed(VLM_GetPhysicsEnergy(4), 1)},
      {150, 0xFF4080FF, "  Spannung: " + fixed(VLM_GetPhysicsEnergy(8), 1)},
      {175, 0xFF40FF80, "  Translation: " + fixed(VLM_GetPhysicsEnergy(1), 1)},
      {200, 0xFFFFC080, "  Rotation: " + fixed(VLM_GetPhysicsEnergy(2), 1)},
      {250, kFontColour,
       "Bodies: " + std::to_string(VLM_CountBodies(1)) + " (dyn) + " +
           std::to_string(VLM_CountBodies(0)) + " (stc)"},
      {275, kFontColour, "Joints: " + std::to_string(VLM_CountJoints())},
      {300, kFontColour, "Particle: " + std::to_string(VLM_CountParticles(-1))},
      {350, kFontColour,
       "Rendered Objects: " + std::to_string(VLM_RenderedCount(VLM_RENDERED_OBJECTS)) + " / " +
           std::to_string(objects)},
      {375, kFontColour,
       "Rendered Lights: " + std::to_string(VLM_RenderedCount(VLM_RENDERED_LIGHTS)) + " / " +
           std::to_string(lights)},
      {400, kFontColour,
       "Rendered Shadow Objects: " +
           std::to_string(VLM_RenderedCount(VLM_RENDERED_SHADOW_OBJECTS)) + " / " +
           std::to_string(static_cast<int64_t>(lights) * 6 * objects)},
  };
  for (const Line& line : lines) {
    VLM_DrawText(kFont, 20.0f, line.y, line.text.c_str(), line.colour, kUnset, kUnset);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    PrintUsage(stderr, argv[0]);
    return 2;
  }
  if (options.help) {
    PrintUsage(stdout, argv[0]);
    return 0;
  }
  std::vector<demo::ScriptEvent> script;
  if (!options.script.empty() && !LoadScript(argv[0], options.script, script)) return 2;
  FILE* recordFile = nullptr;
  if (!options.record.empty()) {
    recordFile = std::fopen(options.record.c_str(), "w");
    if (!recordFile) {
      std::fprintf(stderr, "%s: the record \"%s\" cannot be written\n", argv[0],
                   options.record.c_str());
      return 2;
    }
    std::fputs("# velmora-demo input record: frame, then the event\n", recordFile);
  }
  const bool fixedSteps = !options.script.empty() || recordFile;

  VLM_OpenWindow(0, 0, 0, kWidth, kHeight, kTitle,
                 VLM_WINDOW_CENTERED | VLM_WINDOW_TITLEBAR | VLM_WINDOW_SYSTEMMENU |
                     VLM_WINDOW_SIZEGADGET);
  const int screenWidth = VLM_WindowInnerWidth(0);
  const int screenHeight = VLM_WindowInnerHeight(0);
  if (VLM_OpenScreenInWindow(VLM_WindowID(0), 0, 0, screenWidth, screenHeight, 32) == 0) {
    // Without a surface there is nothing to show and no event would ever
    // end the loop.
    std::fprintf(stderr, "%s: the window or its OpenGL surface cannot be opened\n", argv[0]);
    if (recordFile) std::fclose(recordFile);
    return 1;
  }
  VLM_SetVSync(1);
  VLM_LockMouse();
  VLM_HideCursor();
  VLM_SetCurrentDirectory((std::string(VLM_ProgramDirectory()) + "Resources").c_str());
  BuildScene();
  int debugView = 0;
  // A replay must step the world as the recorded run did: one step per frame.
  if (fixedSteps) VLM_SetPhysicsTimeStep(kScriptStep, 1);

  if (!options.screenshot.empty()) VLM_KeepPresentedFrames(1);

  demo::Recorder recorder(recordFile);
  std::vector<VLM_HANDLE> shots;
  size_t nextEvent = 0;
  long frame = 0;
  auto frameStart = std::chrono::steady_clock::now();
  for (;; ++frame) {
    if (!HandleWindowEvents()) break;
    VLM_UpdateParticles();
    VLM_UpdateSounds();
    nextEvent = demo::PostEvents(script, nextEvent, frame);
    VLM_ExamineMouse();
    VLM_ExamineKeyboard();
    if (recordFile) recorder.Frame(frame);
    VLM_UpdatePhysics(debugView);
    MoveNode(VLM_ElapsedTime() * 1000.0);

    // Once per release, however many clicks the frame held.
    if (VLM_MouseButtonReleased(VLM_MOUSE_LEFT)) {
      shots.push_back(Shoot(false));
    }
    if (VLM_MouseButtonReleased(VLM_MOUSE_RIGHT)) {
      shots.push_back(Shoot(true));
    }
    FlyCamera();

    if (VLM_KeyboardDown(VLM_KEY_ESCAPE)) break;
    if (VLM_KeyboardReleased('P')) debugView = 1 - debugView;

    VLM_RenderWorld(-1);
    VLM_DisplayElement(kElementCross, static_cast<float>(screenWidth) / 2.0f,
                       static_cast<float>(screenHeight) / 2.0f);
    DrawOverlay();
    if (fixedSteps) {
      // Every frame at least one step long, so every update runs one step.
      const auto due = frameStart + std::chrono::duration<double>(kScriptStep * 1.02);
      std::this_thread::sleep_until(due);
    }
    VLM_FlipBuffers();
    frameStart = std::chrono::steady_clock::now();
    if (options.frames > 0 && frame + 1 >= options.frames) break;
  }

  if (!options.screenshot.empty() && !VLM_SavePresentedFrame(options.screenshot.c_str())) {
    std::fprintf(stderr, "%s: the screenshot \"%s\" cannot be written\n", argv[0],
                 options.screenshot.c_str());
  }
  if (fixedSteps) std::fputs(Statistics(shots).c_str(), stdout);
  if (recordFile) std::fclose(recordFile);
  VLM_Shutdown();
  return 0;
}
