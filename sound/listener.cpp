// The listener is the camera. This is the one place that reads its matrix.
#include "sound/listener.h"

#include <optional>

#include "velmora/math.h"

namespace vlm::sound {

namespace {

std::optional<m4f>& TestListener() {
  static std::optional<m4f> listener;
  return listener;
}

}  // namespace

m4f ListenerWorldMatrix() {
  if (TestListener()) return *TestListener();
  // The camera is not in the engine yet: the listener stands at the origin,
  // looking down -z, until the camera's world matrix is read here.
  m4f identity;
  VLM_m4fSetDiagonal(&identity, 1.0f);
  return identity;
}

void SetListenerForTests(const m4f* world) {
  if (world) {
    TestListener() = *world;
  } else {
    TestListener().reset();
  }
}

}  // namespace vlm::sound
