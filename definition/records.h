// Records of textures and materials.
#pragma once

#include "core/named_record.h"

struct VLM_TEXTURE : vlm::NamedRecord {};
struct VLM_MATERIAL : vlm::NamedRecord {};
