// Reading a body's motion, and one number that stands for the whole world's
// state: a replay or a lockstep peer compares it to see that both ran alike.
#include <cstring>

#include "physics/body.h"
#include "physics/world.h"
#include "scene/object_record.h"

namespace {

// FNV-1a over bytes: simple, and the same on every machine.
struct Fnv1a {
  uint64_t value = 0xcbf29ce484222325ull;
  void Add(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) value = (value ^ bytes[i]) * 0x100000001b3ull;
  }
};

}  // namespace

extern "C" {

int VLM_GetBodyVelocity(VLM_HANDLE handle, v4f* velocity, v4f* angularVelocity) {
  const VLM_OBJECT* body = vlm::BodyOf(handle);
  if (!body) return 0;
  vlm::PhysicsLock guard(vlm::World().lock);
  if (velocity) *velocity = body->Body.v4fVelocity;
  if (angularVelocity) *angularVelocity = body->Body.v4fAngularVelocity;
  return 1;
}

uint64_t VLM_GetPhysicsStateHash(void) {
  vlm::PhysicsLock guard(vlm::World().lock);
  Fnv1a hash;
  vlm::BodyRegistry().ForEach([&](const VLM_OBJECT* body) {
    // The bits as stored, so that a difference in the last bit shows.
    const v4f state[4] = {body->v4fPosition, body->q4fOrientation, body->Body.v4fVelocity,
                          body->Body.v4fAngularVelocity};
    hash.Add(state, sizeof state);
    // Sleep decides what the next steps do; it is hashed where it is not
    // all zero, so that worlds of one pass keep the hashes they had.
    if (body->Body.iAsleep || body->Body.fRestTime != 0.0f) {
      hash.Add(&body->Body.iAsleep, sizeof body->Body.iAsleep);
      hash.Add(&body->Body.fRestTime, sizeof body->Body.fRestTime);
    }
  });
  return hash.value;
}

}  // extern "C"
