// The listener is the camera. This is the one place that reads its matrix.
#include "sound/listener.h"

#include <optional>

#include "scene/camera.h"
#include "velmora/camera.h"

namespace vlm::sound {

namespace {

std::optional<m4f>& TestListener() {
  static std::optional<m4f> listener;
  return listener;
}

}  // namespace

m4f ListenerWorldMatrix() {
  if (TestListener()) return *TestListener();
  // The camera keeps its world matrix current whenever it moves.
  return VLM_GetCamera(0)->mWorld;
}

void SetListenerForTests(const m4f* world) {
  if (world) {
    TestListener() = *world;
  } else {
    TestListener().reset();
  }
}

}  // namespace vlm::sound
