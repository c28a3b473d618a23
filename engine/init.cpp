// Engine start-up and shutdown.
#include "core/layout_check.h"
#include "engine/context.h"
#include "gpu/gl_context.h"
#include "mesh/cage.h"
#include "particles/particle_state.h"
#include "physics/world.h"
#include "platform/screen.h"
#include "platform/sdl_input.h"
#include "render/default_resources.h"
#include "render/frame_state.h"
#include "render/gl_init.h"
#include "render/targets.h"
#include "render/uniform_buffers.h"
#include "sound/sound_internal.h"
#include "text/text_internal.h"
#include "velmora.h"

namespace {

constexpr const char* kProc = "VLM_Init";

}  // namespace

extern "C" {

int VLM_Init(void) {
  vlm::Context& ctx = vlm::Ctx();

  VLM_OpenLogFile("VLM LogFile.html", 0, 1);
  VLM_SetLogColumns(VLM_LOG_MODULE | VLM_LOG_LINE);
  VLM_BeginLogSection("[VLM] Velmora Engine", VLM_COLOR_TITLE);
  VLM_LogMessage(VLM_VERSION_TEXT, VLM_COLOR_PLAIN, 0, "", kProc);

  // Image codecs (libpng, libjpeg) need no registration.

  const bool hasGL = ctx.engine.hasGL;
  if (hasGL) {
    vlm::gl::LoadFunctionTable();
    vlm::gl::SetInitialState();
  }
  ctx.render.cache = vlm::RenderStateCache{};
  ctx.render.screenFrameReady = 0;
  if (hasGL) vlm::gl::LogSystemInfo();
  // A surface the driver cannot draw into is closed again before anything
  // is made for it; the procedure that opened it tells the caller.
  if (hasGL && !vlm::render::ScreenTargetsFit(ctx.screen.width, ctx.screen.height, nullptr)) {
    vlm::platform::CloseScreen();
    return 0;
  }

  ctx.render.lighting.directLightIntensity = 1.0f;
  VLM_v4fSet(&ctx.render.lighting.directLightDirection, 0, -1, 0, 0);
  VLM_v4fFromColor(&ctx.render.lighting.directLightColour, 0xFFFFFFFFu);
  VLM_v4fFromColor(&ctx.render.lighting.ambientColour, 0xFF000000u);

  ctx.render.defaultTextureFilter = 0x2601;  // GL_LINEAR
  ctx.render.maxAnisotropy = 8.0f;
  if (hasGL) vlm::render::FitAnisotropyToRenderer();
  if (hasGL) vlm::gl::CreateDepthFramebuffer();

  ctx.render.effects = vlm::EffectParameters{};
  ctx.timing.counterFrequency = vlm::platform::kCounterFrequency;

  if (hasGL) vlm::gl::CreateQuadBatch();
  VLM_InitJoysticks();

  VLM_InitCamera(ctx.screen.width, ctx.screen.height);
  if (hasGL) VLM_InitShaders();

  VLM_InitSound();

  vlm::InitPhysicsWorld();
  vlm::CheckRecordLayout(vlm::RecordLayoutFacts());

  if (hasGL) {
    VLM_InitFrameBuffer();
    VLM_InitGBuffer();
    VLM_InitShadowMaps(2048, 2048);
    vlm::gl::CreateQuadGrid();
    vlm::text::CreateDefaultFont();
  }

  ctx.timing.gamma = 1.0f;

  if (hasGL) vlm::render::CreateDefaultResources();
  vlm::particles::InstallFrameHook();

  VLM_BeginLogSection("Program", VLM_COLOR_PROGRAM);
  ctx.engine.initialised = true;
  return 0;
}

int VLM_Shutdown(void) {
  vlm::Context& ctx = vlm::Ctx();
  vlm::Registries& reg = ctx.registries;
  if (ctx.engine.hasGL) vlm::render::DeleteUniformBuffers();
  // Renderable kinds, in the order their users depend on them.
  vlm::text::FreeAllFonts();
  reg.elements.ReleaseAll();
  vlm::particles::RemoveFrameHook();
  reg.particleEmitters.ReleaseAll();
  reg.ribbons.ReleaseAll();
  reg.billboards.ReleaseAll();
  reg.meshes.ReleaseAll();
  reg.objects.ReleaseAll();
  reg.materials.ReleaseAll();
  reg.shaders.ReleaseAll();
  reg.textures.ReleaseAll();
  reg.lights.ReleaseAll();
  ctx.render.defaults = vlm::DefaultResources{};
  if (ctx.engine.hasGL) {
    vlm::gl::DeleteGlobalObjects();
    vlm::render::DeleteRenderTargets();
    vlm::render::DeleteSceneDrawing();
  }
  ctx.render.scene = vlm::SceneDrawing{};
  // The world goes too, so that a later VLM_Init starts an empty one: bodies,
  // joints and physical materials, then the cages the bodies used.
  vlm::ResetPhysics();
  vlm::ResetCages();
  // Sounds and channels go before the output device closes under them.
  vlm::sound::ShutdownSound();
  vlm::platform::CloseScreen();
  vlm::platform::ShutdownInput();
  ctx.input.joystickCount = 0;  // the devices are closed
  ctx.engine.initialised = false;
  return 0;
}

}  // extern "C"
