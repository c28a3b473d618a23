// Where the listener is: the camera's world matrix.
#pragma once

#include "velmora/types.h"

namespace vlm::sound {

// The listener's world matrix (the camera's).
m4f ListenerWorldMatrix();

// Tests place the listener here; null returns to the camera.
void SetListenerForTests(const m4f* world);

}  // namespace vlm::sound
