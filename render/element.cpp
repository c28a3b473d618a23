// Screen elements: a unit quad in its own vertex buffer, sized, turned and
// placed by one matrix, drawn at once with its material.
#include <cmath>
#include <numbers>

#include "core/fail.h"
#include "core/finite.h"
#include "core/registries.h"
#include "core/trig.h"
#include "definition/texture_material_records.h"
#include "gpu/gl_objects.h"
#include "render/draw2d.h"
#include "render/element_record.h"
#include "render/render_state.h"
#include "render/shader_state.h"
#include "velmora/element.h"
#include "velmora/registry.h"

namespace vlm::render {

namespace {

constexpr float kLogoSize = 102.0f;  // pixels
// The logo's centre lies this far in from the right and bottom edges, so
// the logo ends one pixel short of them.
constexpr float kLogoCentreInset = 52.0f;

VLM_ELEMENT* Resolve(intptr_t handle) { return ElementRegistry().Resolve(handle); }

void UploadVertices(const VLM_ELEMENT& element) {
  if (!element.iVertexBuffer) return;
  gl::BindBuffer(GL_ARRAY_BUFFER, element.iVertexBuffer);
  vlmgl.glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof element.aVertices, element.aVertices);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

void CreateBuffers(VLM_ELEMENT& element) {
  if (!HasGL() || !gl::HasVertexArrayFunctions()) return;
  element.iVertexArray = gl::CreateVertexArray();
  element.iVertexBuffer = gl::CreateBuffer();
  gl::BindVertexArray(element.iVertexArray);
  gl::FillBuffer(GL_ARRAY_BUFFER, element.iVertexBuffer, sizeof element.aVertices, element.aVertices,
                 GL_DYNAMIC_DRAW);
  gl::DeclareAttributes(sizeof(VLM_ELEMENT_VERTEX),
                        {{0, 4, GL_FLOAT, 0}, {2, 2, GL_FLOAT, 16}, {3, 2, GL_FLOAT, 24}});
  gl::BindVertexArray(0);
  gl::BindBuffer(GL_ARRAY_BUFFER, 0);
}

void Display(VLM_ELEMENT& element, float x, float y) {
  element.m4fMatrix.e[12] = x;
  element.m4fMatrix.e[13] = y;
  element.m4fMatrix.e[14] = 0.0f;
  const VLM_MATERIAL* material = MaterialRegistry().Resolve(element.iMaterial);
  if (!material || !element.iVertexArray || !Begin2D(*material, element.m4fMatrix)) return;
  gl::BindVertexArray(element.iVertexArray);
  vlmgl.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  End2D();
}

bool FiniteShape(const VLM_ELEMENT& e) {
  bool finite = AllFinite({e.fAngle, e.fWidth, e.fHeight});
  for (const VLM_ELEMENT_VERTEX& v : e.aVertices) finite = finite && AllFinite({v.position[0], v.position[1]});
  for (float x : e.m4fMatrix.e) finite = finite && std::isfinite(x);
  return finite;
}

// Applies `change` to the element and rebuilds its matrix; refuses with the
// failure row of `procedure`, leaving the element as it was, when a number
// is not finite. 0 for a handle that names no element.
template <class Change>
int ChangeShape(intptr_t handle, const char* procedure, Change&& change) {
  VLM_ELEMENT* element = Resolve(handle);
  if (!element) return 0;
  // The whole record is kept to be put back: a setter that left a number
  // not finite would make the element vanish from the screen.
  const VLM_ELEMENT before = *element;
  change(*element);
  BuildElementMatrix(*element);
  if (!FiniteShape(*element)) {
    *element = before;
    return RefuseNumber(procedure);
  }
  return 1;
}

}  // namespace

void BuildElementMatrix(VLM_ELEMENT& element) {
  const double a = static_cast<double>(element.fAngle) * std::numbers::pi / 180.0;
  const float c = static_cast<float>(vlm::Cos(a));
  const float s = static_cast<float>(vlm::Sin(a));
  m4f& m = element.m4fMatrix;
  for (int i = 0; i < 12; ++i) m.e[i] = 0.0f;
  m.e[0] = c * element.v4fScale.x;
  m.e[1] = s * element.v4fScale.x;
  m.e[4] = -s * element.v4fScale.y;
  m.e[5] = c * element.v4fScale.y;
  m.e[10] = 1.0f;
  m.e[15] = 1.0f;
}

void CreateLogoElement(intptr_t material) {
  const VLM_HANDLE logo = VLM_CreateElement(-1, material, 0, 0);
  if (logo) VLM_ZoomElement(logo, kLogoSize, kLogoSize);
  Render().defaults.logoElement = logo;
}

void DrawLogo(int screenWidth, int screenHeight) {
  if (!Render().showLogo) return;
  VLM_ELEMENT* logo = Resolve(Render().defaults.logoElement);
  if (!logo) return;
  Display(*logo, static_cast<float>(screenWidth) - kLogoCentreInset,
          static_cast<float>(screenHeight) - kLogoCentreInset);
}

}  // namespace vlm::render

extern "C" {

VLM_HANDLE VLM_CreateElement(VLM_HANDLE id, VLM_HANDLE materialHandle, int topLeft, int flipV) {
  constexpr const char* kProc = "VLM_CreateElement";
  const VLM_MATERIAL* material = vlm::MaterialRegistry().Resolve(materialHandle);
  if (!material) {
    vlm::Fail("Fail: Material not found!", kProc);
    return 0;
  }
  VLM_HANDLE handle = id;
  VLM_ELEMENT* element = vlm::ElementRegistry().CreateEntry(&handle, "");
  if (!element) return 0;
  element->iMaterial = material->iHandle;
  const VLM_TEXTURE* texture = material->apTextures[VLM_SLOT_COLOUR];
  element->fWidth = texture ? static_cast<float>(texture->iWidth) : 0.0f;
  element->fHeight = texture ? static_cast<float>(texture->iHeight) : 0.0f;
  element->v4fScale = {element->fWidth, element->fHeight, 1.0f, 0.0f};
  vlm::render::BuildElementMatrix(*element);
  // Strip order: (0,0), (0,1), (1,0), (1,1) in the unit square.
  const float lo = topLeft ? 0.0f : -0.5f;
  for (int i = 0; i < 4; ++i) {
    VLM_ELEMENT_VERTEX& v = element->aVertices[i];
    const float u = static_cast<float>(i / 2);
    const float t = static_cast<float>(i % 2);
    v.position[0] = lo + u;
    v.position[1] = lo + t;
    v.position[2] = 0.0f;
    v.position[3] = 1.0f;
    v.uv0[0] = v.uv1[0] = u;
    v.uv0[1] = v.uv1[1] = flipV ? 1.0f - t : t;
  }
  vlm::render::CreateBuffers(*element);
  return handle;
}

int VLM_DisplayElement(VLM_HANDLE handle, float x, float y) {
  VLM_ELEMENT* element = vlm::render::Resolve(handle);
  if (!element) return 0;
  if (!vlm::AllFinite({x, y})) return vlm::RefuseNumber("VLM_DisplayElement");
  vlm::render::Display(*element, x, y);
  return 1;
}

int VLM_RotateElement(VLM_HANDLE handle, float angle, int relative) {
  return vlm::render::ChangeShape(handle, "VLM_RotateElement", [&](VLM_ELEMENT& element) {
    element.fAngle = relative ? element.fAngle + angle : angle;
  });
}

int VLM_ZoomElement(VLM_HANDLE handle, float width, float height) {
  return vlm::render::ChangeShape(handle, "VLM_ZoomElement", [&](VLM_ELEMENT& element) {
    element.fWidth = width;
    element.fHeight = height;
    element.v4fScale = {width, height, 1.0f, 0.0f};
  });
}

int VLM_TransformElement(VLM_HANDLE handle, float x0, float y0, float x1, float y1, float x2, float y2,
                         float x3, float y3) {
  const float corners[4][2] = {{x0, y0}, {x1, y1}, {x2, y2}, {x3, y3}};
  const int done = vlm::render::ChangeShape(handle, "VLM_TransformElement", [&](VLM_ELEMENT& element) {
    for (int i = 0; i < 4; ++i) {
      element.aVertices[i].position[0] = corners[i][0];
      element.aVertices[i].position[1] = corners[i][1];
    }
    element.fAngle = 0.0f;
    element.v4fScale = {1.0f, 1.0f, 1.0f, 0.0f};
  });
  if (done) vlm::render::UploadVertices(*vlm::render::Resolve(handle));
  return done;
}

int VLM_FreeElement(VLM_HANDLE handle) {
  VLM_ELEMENT* element = vlm::render::Resolve(handle);
  if (!element) return 0;
  if (vlm::render::HasGL()) {
    GLuint buffer = element->iVertexBuffer, array = element->iVertexArray;
    vlm::gl::DeleteBuffer(buffer);
    vlm::gl::DeleteVertexArray(array);
  }
  vlm::ElementRegistry().Remove(element);
  return 1;
}

VLM_ELEMENT* VLM_IsElement(VLM_HANDLE handle) { return vlm::ElementRegistry().Find(handle); }

int VLM_ShowEngineLogo(int on) {
  const int before = vlm::Render().showLogo;
  vlm::Render().showLogo = on != 0;
  return before;
}

}  // extern "C"
