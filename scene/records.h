// Records of nodes, skeletons and animations.
#pragma once

#include "core/named_record.h"

struct VLM_NODE : vlm::NamedRecord {};
struct VLM_SKELETON : vlm::NamedRecord {};
struct VLM_ANIMATION : vlm::NamedRecord {};
