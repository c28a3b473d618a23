// The simulation step: reset, joints, integration and collisions, each phase
// under the physics lock with a short pause after it for other threads.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/engine_state.h"
#include "core/finite.h"
#include "physics/body.h"
#include "physics/debug_view.h"
#include "physics/joint.h"
#include "physics/pair_loop.h"
#include "physics/sleep.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "scene/entity.h"
#include "velmora/math.h"

namespace vlm {

namespace {

// Lets threads waiting for the lock take it: yields until the time is up.
void WaitStep(std::chrono::microseconds duration) {
  if (!World().waits) return;
  const auto end = std::chrono::steady_clock::now() + duration;
  do {
    std::this_thread::yield();
  } while (std::chrono::steady_clock::now() < end);
}

void ResetPhase(PhysicsWorld& world) {
  CompactBodyLists(world);
  const v4f zero{0.0f, 0.0f, 0.0f, 0.0f};
  for (VLM_OBJECT* body : world.staticBodies) {
    body->Body.v4fAcceleration = zero;
    body->Body.v4fAngularAcceleration = zero;
    body->Body.v4fMovement = zero;
  }
  for (VLM_OBJECT* body : world.dynamicBodies) {
    body->Body.v4fAcceleration = world.gravity;
    body->Body.v4fAcceleration.w = 0.0f;
    body->Body.v4fAngularAcceleration = zero;
    body->Body.v4fMovement = zero;
  }
}

void JointPhase(PhysicsWorld& world, float dt) {
  for (VLM_JOINT* joint : world.activeJoints) {
    // Fixed and sleeping bodies alike stay where they are.
    const bool stillA = IsFixed(joint->pBodyA) || joint->pBodyA->Body.iAsleep;
    if (stillA && (IsFixed(joint->pBodyB) || joint->pBodyB->Body.iAsleep)) continue;
    if (!FiniteMotion(joint->pBodyA) || !FiniteMotion(joint->pBodyB)) continue;
    VLM_v4fAddScaled(&joint->v4fSharedVelocity, &world.gravity, dt);
    SolveJoint(joint);
  }
}

// Step rotation from the rotation vector (radians), applied before the
// orientation. No turn at all is the identity, which needs no trigonometry.
void Turn(VLM_OBJECT* body, float x, float y, float z) {
  v4f& step = body->Body.q4fStepRotation;
  if (x == 0.0f && y == 0.0f && z == 0.0f) {
    step = v4f{0.0f, 0.0f, 0.0f, 1.0f};
    return;
  }
  VLM_q4fFromEuler(&step, x, y, z, 1);
  VLM_q4fMultiplyInto(&body->q4fOrientation, &step, &body->q4fOrientation);
}

void IntegratePhase(PhysicsWorld& world, float dt) {
  CompactBodyLists(world);
  for (VLM_OBJECT* body : world.staticBodies) {
    auto& b = body->Body;
    b.v4fStepStart = body->v4fPosition;
    AddScaled3(b.v4fMovement, b.v4fVelocity, dt);
    body->v4fPosition = Add4(body->v4fPosition, b.v4fMovement);
    const v4f& w = b.v4fAngularVelocity;
    Turn(body, w.x * dt, w.y * dt, w.z * dt);
    RebuildObjectMatrices(body);
  }
  const float dt2 = dt * dt;
  for (VLM_OBJECT* body : world.dynamicBodies) {
    auto& b = body->Body;
    b.v4fStepStart = body->v4fPosition;
    if ((!b.pCage && b.fMass == 0.0f) || b.iAsleep) continue;
    // Inline forms of the math library's, rounded as it rounds them.
    AddScaled3(b.v4fMovement, b.v4fAcceleration, dt2);
    AddScaled3(b.v4fMovement, b.v4fVelocity, dt);
    body->v4fPosition = Add4(body->v4fPosition, b.v4fMovement);
    AddScaled3(b.v4fVelocity, b.v4fAcceleration, dt);
    const v4f& w = b.v4fAngularVelocity;
    const v4f& a = b.v4fAngularAcceleration;
    Turn(body, w.x * dt + a.x * dt2, w.y * dt + a.y * dt2, w.z * dt + a.z * dt2);
    VLM_v4fAddScaled(&b.v4fAngularVelocity, &a, dt);
    RebuildObjectMatrices(body);
  }
}

// The longest step a measured frame is stepped in (seconds), and the most
// such steps one update runs: 4 s of world time.
constexpr float kMaxVariableStep = 1.0f / 30.0f;
constexpr int kMaxSubSteps = 120;

int RoundedFrameRate(float frequency) {
  if (!std::isfinite(frequency) || frequency < 0.0f || frequency > 2.0e9f) return 0;
  return static_cast<int>(std::lround(frequency));
}

}  // namespace

int StepsThisUpdate(PhysicsWorld& world, float frameTime) {
  const float h = world.fixedStep;
  if (!(h > 0.0f)) {
    // One step of the frame's duration, unless the frame is so long that
    // one step would carry a falling body through a thin plate: then equal
    // sub-steps of at most kMaxVariableStep. Time past kMaxSubSteps of them
    // is dropped, so that a long stall slows the world down for a frame
    // instead of tunnelling or stalling the next frames.
    int steps = 1;
    if (frameTime > kMaxVariableStep && std::isfinite(frameTime)) {
      const double wanted = std::ceil(static_cast<double>(frameTime) / kMaxVariableStep);
      if (wanted <= kMaxSubSteps) {
        steps = static_cast<int>(wanted);
        frameTime /= static_cast<float>(steps);
      } else {
        steps = kMaxSubSteps;
        frameTime = kMaxVariableStep;
      }
    }
    world.timeStep = frameTime;
    return steps;
  }
  world.timeStep = h;
  // Without a measured frame (no window) every update is one step.
  if (!(frameTime > 0.0f) || !std::isfinite(frameTime)) return 1;
  world.carriedTime += frameTime;
  const double whole = std::floor(world.carriedTime / h);
  const int steps = whole < world.maxSteps ? static_cast<int>(whole) : world.maxSteps;
  world.carriedTime -= steps * static_cast<double>(h);
  // Time beyond the largest count is not made up later: a long stall would
  // otherwise fast-forward the world for many frames.
  world.carriedTime = std::min(world.carriedTime, static_cast<double>(h) * world.maxSteps);
  return steps;
}

// `last`: the last step of this update. Sub-steps of a long frame pause
// only between their phases, so that a frame of many of them does not
// spend a millisecond of pause on each.
void SimulationStep(bool last) {
  PhysicsWorld& world = World();
  {
    PhysicsLock guard(world.lock);
    if (!world.enabled) return;
    ResetPhase(world);
  }
  WaitStep(std::chrono::microseconds(10));
  {
    PhysicsLock guard(world.lock);
    JointPhase(world, world.timeStep);
  }
  WaitStep(std::chrono::microseconds(10));
  {
    PhysicsLock guard(world.lock);
    IntegratePhase(world, world.timeStep);
  }
  WaitStep(std::chrono::microseconds(10));
  {
    PhysicsLock guard(world.lock);
    // Restored rather than cleared, for a step run from a collision procedure.
    const int32_t outer = world.collisionPhase;
    world.collisionPhase = 1;
    PrepareContactPasses(world);
    CollisionPhase(world);
    RunContactPasses(world);
    world.collisionPhase = outer;
  }
  if (last) {
    WaitStep(std::chrono::milliseconds(1));
  } else {
    WaitStep(std::chrono::microseconds(10));
  }
}

}  // namespace vlm

extern "C" {

int VLM_UpdatePhysics(int debug) {
  vlm::PhysicsWorld& world = vlm::World();
  const vlm::TimingState& timing = vlm::Timing();
  int steps = 1;
  {
    vlm::PhysicsLock guard(world.lock);
    world.frameRate = vlm::RoundedFrameRate(timing.renderFrequency);
    steps = vlm::StepsThisUpdate(world, timing.lastFrameSeconds);
  }
  for (int i = 0; i < steps; ++i) vlm::SimulationStep(i + 1 == steps);
  if (debug) {
    vlm::PhysicsLock guard(world.lock);
    vlm::BuildDebugView(world);
  }
  return 0;
}

float VLM_PhysicsFrequency(void) {
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  return static_cast<float>(world.frameRate);
}

int VLM_SetPhysicsTimeStep(float seconds, int maxSteps) {
  if (!std::isfinite(seconds) || seconds < 0.0f || maxSteps < 1) {
    return vlm::RefuseNumber("VLM_SetPhysicsTimeStep",
                             "Fail: The time step must be a finite number of at least 0, with at least one step!");
  }
  // One update must end in bounded time: at most kMaxStepsPerUpdate steps,
  // each at least kMinTimeStep long (together they still cover 0.1 s).
  if ((seconds > 0.0f && seconds < vlm::kMinTimeStep) || seconds > vlm::kMaxTimeStep ||
      maxSteps > vlm::kMaxStepsPerUpdate) {
    return vlm::RefuseNumber("VLM_SetPhysicsTimeStep",
                             "Fail: The time step must be 0 or from 0.0001 s to 60 s, with at most 1000 steps!");
  }
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.fixedStep = seconds;
  world.maxSteps = maxSteps;
  world.carriedTime = 0.0;
  return 1;
}

int VLM_SetPhysicsContactPasses(int passes) {
  if (passes < 1) {
    return vlm::RefuseNumber("VLM_SetPhysicsContactPasses", "Fail: At least one contact pass is needed!");
  }
  vlm::PhysicsWorld& world = vlm::World();
  vlm::PhysicsLock guard(world.lock);
  world.passes.count = passes;
  vlm::WakeAll(world);
  world.passes.contacts.clear();
  world.passes.previous.clear();
  world.passes.previousPairs.Clear();
  return 1;
}

}  // extern "C"
