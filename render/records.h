// Records of the renderer's object kinds (ribbons and billboard groups are
// entities: scene/records.h).
#pragma once

#include "render/shader_record.h"
