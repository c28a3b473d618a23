// Records of the renderer's object kinds.
#pragma once

#include "core/named_record.h"
#include "render/shader_record.h"

struct VLM_RIBBON : vlm::NamedRecord {};
struct VLM_BILLBOARD : vlm::NamedRecord {};
