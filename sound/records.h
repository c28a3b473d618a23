// The sound record.
#pragma once

#include "core/named_record.h"

struct VLM_SOUND : vlm::NamedRecord {};
