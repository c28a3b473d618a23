// State of the definition reader kept in the engine context (the last file read).
#pragma once

namespace vlm {

struct DefinitionState {};

}  // namespace vlm
