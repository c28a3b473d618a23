#include "core/context.h"

namespace vlm {

Context& Ctx() {
  // Built on first use so that every subsystem sees it during static start-up.
  static Context* context = new Context();
  return *context;
}

}  // namespace vlm
