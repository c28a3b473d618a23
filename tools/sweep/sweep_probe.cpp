// Reading the records back after a case: every stored number of every kind
// a procedure can reach, and the values that cannot make sense.
#include <cmath>
#include <string>

#include "core/registries.h"
#include "definition/texture_material_records.h"
#include "input/input_state.h"
#include "mesh/cage_record.h"
#include "mesh/mesh_record.h"
#include "particles/particle_record.h"
#include "physics/surface_joint_records.h"
#include "physics/world_state.h"
#include "render/element_record.h"
#include "render/render_state.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/object_record.h"
#include "scene/entity_records.h"
#include "scene/scene_state.h"
#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "sweep.h"
#include "text/font_record.h"
#include "text/text_state.h"

namespace sweep {

namespace {

class Scan {
 public:
  explicit Scan(Findings& out) : out_(out) {}

  void Num(const char* where, float v) {
    if (!std::isfinite(v)) Note(out_.nonFinite, where);
  }
  void Vec(const char* where, const v4f& v) {
    for (float c : {v.x, v.y, v.z, v.w}) Num(where, c);
  }
  void Mat(const char* where, const m4f& m) {
    for (float e : m.e) Num(where, e);
  }
  // A value that is finite but cannot be meant.
  void Impossible(const char* where, bool bad) {
    if (bad) Note(out_.impossible, where);
  }

 private:
  void Note(int& counter, const char* where) {
    if (counter++ == 0 && out_.first.empty()) out_.first = where;
  }
  Findings& out_;
};

void Camera(Scan& s) {
  const vlm::SceneState& scene = vlm::Scene();
  const VLM_CAMERA& c = scene.camera;
  s.Num("camera fov", c.fFieldOfView);
  s.Num("camera near", c.fNear);
  s.Num("camera far", c.fFar);
  s.Vec("camera orientation", c.q4fOrientation);
  s.Vec("camera position", c.v4fPosition);
  s.Mat("camera view", c.mView);
  s.Mat("perspective", scene.projection.perspective);
  s.Mat("orthographic", scene.projection.orthographic);
  s.Impossible("camera near >= far", !(c.fNear < c.fFar));
}

void Lights(Scan& s) {
  vlm::LightRegistry().ForEach([&s](VLM_LIGHT* l) {
    s.Vec("light position", l->v4fPosition);
    s.Vec("light orientation", l->q4fOrientation);
    s.Mat("light volume", l->mVolume);
    s.Vec("light colour", l->v4fColour);
    s.Num("light intensity", l->fIntensity);
    s.Num("light range", l->fRange);
    s.Impossible("light range < 0", l->fRange < 0.0f);
    s.Impossible("light intensity < 0", l->fIntensity < 0.0f);
  });
}

void Effects(Scan& s) {
  const vlm::RenderState& r = vlm::Render();
  s.Vec("ambient colour", r.lighting.ambientColour);
  s.Vec("background colour", r.lighting.backgroundColour);
  s.Vec("direct light direction", r.lighting.directLightDirection);
  s.Vec("direct light colour", r.lighting.directLightColour);
  s.Num("direct light intensity", r.lighting.directLightIntensity);
  s.Num("glow", r.effects.glowStrength);
  s.Num("bloom", r.effects.bloomStrength);
  s.Impossible("glow < 0", r.effects.glowStrength < 0.0f);
  s.Impossible("bloom < 0", r.effects.bloomStrength < 0.0f);
}

void Sound(Scan& s, const VLM_SOUND& v) {
  s.Vec("sound position", v.v4fPosition);
  s.Vec("sound direction", v.v4fDirection);
  s.Vec("sound orientation", v.q4fOrientation);
  s.Mat("sound matrix", v.mLocal);
  s.Num("sound volume", v.fVolume);
  s.Num("sound frequency", v.fFrequencyFactor);
  s.Num("sound range min", v.fRangeMin);
  s.Num("sound range max", v.fRangeMax);
  s.Num("sound cone inner", v.fConeInner);
  s.Num("sound cone outer", v.fConeOuter);
  s.Impossible("sound volume < 0", v.fVolume < 0.0f);
  s.Impossible("sound frequency <= 0", !(v.fFrequencyFactor > 0.0f));
  s.Impossible("sound range", v.fRangeMin < 0.0f || (v.fRangeMax != -1.0f && v.fRangeMax < v.fRangeMin));
  s.Impossible("sound cone", v.fConeInner < 0.0f || (v.fConeOuter != -1.0f && v.fConeOuter < v.fConeInner));
}

void Sounds(Scan& s) {
  vlm::SoundMasterState& state = vlm::SoundMaster();
  s.Num("master volume", state.masterVolume);
  s.Num("master frequency", state.masterFrequency);
  s.Impossible("master volume < 0", state.masterVolume < 0.0f);
  s.Impossible("master frequency <= 0", !(state.masterFrequency > 0.0f));
  vlm::SoundRegistry().ForEach([&s](VLM_SOUND* v) { Sound(s, *v); });
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    for (const VLM_SOUND* channel : state.channels) Sound(s, *channel);
  }
  const vlm::PhysicsWorld& world = vlm::World();
  for (const auto* list : {&world.collisionSoundPairs, &world.collisionSoundSingles}) {
    for (const vlm::CollisionSoundEntry& entry : *list) {
      s.Num("collision sound speed", entry.fReferenceSpeed);
      s.Impossible("collision sound speed < 0", entry.fReferenceSpeed < 0.0f);
    }
  }
}

void Materials(Scan& s) {
  vlm::MaterialRegistry().ForEach([&s](VLM_MATERIAL* m) {
    s.Vec("material colour", m->v4fColor);
    s.Vec("material shine colour", m->v4fShineColor);
    s.Num("material shine", m->fShine);
    s.Num("material hardness", m->fHardness);
    s.Num("material reflection", m->fReflection);
    s.Num("material refraction", m->fRefraction);
    s.Num("material scattering", m->fSurfaceScattering);
  });
}

void Textures(Scan& s) {
  vlm::TextureRegistry().ForEach([&s](VLM_TEXTURE* t) {
    const int32_t* r = t->aiRegion;
    s.Impossible("texture region", r[0] < 0 || r[1] < 0 || r[2] < 0 || r[3] < 0 || r[0] > t->iWidth ||
                                       r[1] > t->iHeight || r[2] > t->iWidth || r[3] > t->iHeight);
  });
}

void Emitters(Scan& s) {
  vlm::ParticleEmitterRegistry().ForEach([&s](VLM_PARTICLE_EMITTER* e) {
    s.Vec("emitter shape size", e->v4fShapeSize);
    s.Num("emitter angle", e->fAngle);
    s.Num("emitter rate", e->fRate);
    s.Num("emitter turbulence", e->fTurbulence);
    for (const vlm::ParticleRange& r : e->aRanges) {
      s.Num("emitter range", r.fMin);
      s.Num("emitter range", r.fMax);
      s.Impossible("emitter range max < min", r.fMax < r.fMin);
    }
    s.Impossible("emitter lifetime < 0", e->aRanges[VLM_PARTICLE_LIFETIME].fMin < 0.0f);
    s.Impossible("emitter rate < 0", e->fRate < 0.0f);
    s.Vec("emitter velocity", e->v4fVelocity);
    s.Vec("emitter colour", e->v4fColor);
    s.Mat("emitter rotation", e->mRotation);
    s.Mat("emitter world", e->mWorld);
  });
}

void TextSettings(Scan& s, const VLM_TEXT_SETTINGS& t) {
  for (float v : {t.size, t.rotation, t.alignX, t.alignY, t.italicAngle, t.letterSpacing, t.wrapWidth})
    s.Num("text settings", v);
  s.Impossible("text size <= 0", !(t.size > 0.0f) && std::isfinite(t.size));
  s.Impossible("text wrap width < 0", t.wrapWidth < 0.0f);
  s.Impossible("text italic angle", std::fabs(t.italicAngle) >= 90.0f && std::isfinite(t.italicAngle));
}

void Text(Scan& s) {
  TextSettings(s, vlm::Text().defaults);
  vlm::FontRegistry().ForEach([&s](VLM_FONT* font) { TextSettings(s, font->settings); });
}

void Joysticks(Scan& s) {
  const vlm::InputState& input = vlm::Input();
  for (int n = 0; n < input.joystickCount; ++n) {
    for (float zone : input.joysticks[n].deadZone) {
      s.Num("joystick dead zone", zone);
      s.Impossible("joystick dead zone", zone < 0.0f || zone > 1.0f);
    }
  }
}

void Meshes(Scan& s) {
  vlm::MeshRegistry().ForEach([&s](VLM_MESH* m) {
    s.Vec("mesh box centre", m->v4fBoxCentre);
    s.Vec("mesh box extents", m->v4fBoxHalfExtents);
    for (const VLM_MESH_VERTEX& v : m->aVertices) {
      s.Vec("mesh vertex position", v.v4fPosition);
      for (float c : v.v3fNormal) s.Num("mesh vertex normal", c);
      for (float c : v.v3fTangent) s.Num("mesh vertex tangent", c);
      for (float c : v.v2fTexCoord) s.Num("mesh vertex uv", c);
      s.Impossible("mesh vertex group", v.iGroup < 0 || v.iGroup > (1 << 24));
    }
  });
}

// Objects and nodes may mirror (a negative scale); bodies may not.
void Placed(Scan& s, const char* kind, const v4f& position, const v4f& orientation, const v4f& scale,
            const m4f& matrix) {
  s.Vec(kind, position);
  s.Vec(kind, orientation);
  s.Vec(kind, scale);
  s.Mat(kind, matrix);
}

void Scene(Scan& s) {
  vlm::ObjectRegistry().ForEach([&s](VLM_OBJECT* o) {
    Placed(s, "object", o->v4fPosition, o->q4fOrientation, o->v4fScale, o->mWorld);
  });
  vlm::NodeRegistry().ForEach([&s](VLM_NODE* n) {
    Placed(s, "node", n->v4fPosition, n->q4fOrientation, n->v4fScale, n->mMatrix);
  });
  vlm::RibbonRegistry().ForEach([&s](VLM_RIBBON* r) {
    s.Num("ribbon width", r->fWidth);
    s.Num("ribbon duration", r->fDuration);
    s.Mat("ribbon matrix", r->mMatrix);
  });
  vlm::BillboardRegistry().ForEach([&s](VLM_BILLBOARD* b) {
    s.Num("billboard size", b->fWidth);
    s.Num("billboard size", b->fHeight);
    s.Mat("billboard group matrix", b->mMatrix);
    for (const m4f& m : b->aMatrices) s.Mat("billboard matrix", m);
  });
  vlm::ElementRegistry().ForEach([&s](VLM_ELEMENT* e) {
    s.Num("element angle", e->fAngle);
    s.Num("element size", e->fWidth);
    s.Num("element size", e->fHeight);
    s.Mat("element matrix", e->m4fMatrix);
    for (const VLM_ELEMENT_VERTEX& v : e->aVertices)
      for (float c : v.position) s.Num("element corner", c);
  });
}

void Physics(Scan& s) {
  vlm::BodyRegistry().ForEach([&s](VLM_OBJECT* b) {
    Placed(s, "body", b->v4fPosition, b->q4fOrientation, b->v4fScale, b->mWorld);
    // Two negative axes are a half turn (the demo's wheels); zero, one or
    // three negative axes flatten or mirror the body.
    s.Impossible("body scale 0 or mirrored", !(b->v4fScale.x * b->v4fScale.y * b->v4fScale.z > 0.0f));
    s.Num("body mass", b->Body.fMass);
    s.Vec("body velocity", b->Body.v4fVelocity);
    s.Vec("body angular velocity", b->Body.v4fAngularVelocity);
    s.Mat("body inertia", b->Body.mInertia);
  });
  vlm::JointRegistry().ForEach([&s](VLM_JOINT* j) {
    s.Num("joint length", j->fLength);
    s.Num("joint stiffness", j->fStiffness);
    s.Num("joint damping", j->fDamping);
  });
  vlm::SurfaceRegistry().ForEach([&s](VLM_SURFACE* m) {
    s.Num("physical material", m->fElasticity);
    s.Num("physical material", m->fFriction);
  });
  vlm::CageRegistry().ForEach([&s](VLM_CAGE* c) {
    s.Num("cage size", c->fSize);
    s.Impossible("cage size < 0", c->fSize < 0.0f);
  });
  const vlm::PhysicsWorld& world = vlm::World();
  s.Vec("gravity", world.gravity);
  s.Num("time step", world.fixedStep);
  s.Impossible("time step < 0", world.fixedStep < 0.0f);
}

}  // namespace

Findings Probe(const Fixture&) {
  Findings findings;
  Scan s(findings);
  Camera(s);
  Lights(s);
  Effects(s);
  Sounds(s);
  Materials(s);
  Textures(s);
  Emitters(s);
  Text(s);
  Joysticks(s);
  Meshes(s);
  Scene(s);
  Physics(s);
  return findings;
}

}  // namespace sweep
