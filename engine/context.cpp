// The engine context and the accessors through which the subsystems reach
// their parts of it.
#include "engine/context.h"

namespace vlm {

Context& Ctx() {
  // Built on first use so that every subsystem sees it during static start-up.
  static Context* context = new Context();
  return *context;
}

EngineState& Engine() { return Ctx().engine; }
TimingState& Timing() { return Ctx().timing; }
TextState& Text() { return Ctx().text; }
RenderState& Render() { return Ctx().render; }
ParticleState& Particles() { return Ctx().particles; }
render::ShaderState& render::Shaders() { return Ctx().shaderPrograms; }
ScreenState& Screen() { return Ctx().screen; }
SceneState& Scene() { return Ctx().scene; }
render::RenderTargets& render::Targets() { return Ctx().targets; }
SoundMasterState& SoundMaster() { return Ctx().sound; }
PhysicsWorld& World() { return Ctx().physics; }
InputState& Input() { return Ctx().input; }
DefinitionState& Definitions() { return Ctx().definition; }

void ResetTiming() {
  TimingState& timing = Timing();
  const int64_t frequency = timing.counterFrequency;
  timing = TimingState{};
  timing.counterFrequency = frequency;
}

}  // namespace vlm
