// Cases of the core, math, registry, definition, platform and input
// procedures.
#include <cstdint>
#include <string>
#include <tuple>

#include "sweep.h"
#include "sweep_cases.h"

namespace sweep {

namespace {

v4f& V(int i) {
  static v4f v[4];
  v[i] = v4f{1.0f, 2.0f, 3.0f, 1.0f};
  return v[i];
}

m4f& M(int i) {
  static m4f m[3];
  VLM_m4fSetDiagonal(&m[i], 2.0f);
  return m[i];
}

// A text that lives as long as the worker (arguments point into it).
const char* Keep(std::string text) {
  static std::vector<std::string>* kept = new std::vector<std::string>();
  kept->push_back(std::move(text));
  return kept->back().c_str();
}

void Math() {
  // Value routines read and write their vectors as given: no NULL for them.
  const Options out0{{0}, false, true};
  const Options out01{{0, 1}, false, true};
  ADD("math", VLM_v4fSet, ARGS(&V(0), 1.0f, 2.0f, 3.0f, 4.0f), out0);
  ADD("math", VLM_v4fCopy, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fIdentity, ARGS(&V(0)), out0);
  ADD("math", VLM_v4fAdd, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fAddInto, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fSub, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fSubInto, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fAddScaled, ARGS(&V(0), &V(1), 2.0f), out0);
  ADD("math", VLM_v4fScale, ARGS(&V(0), 2.0f), out0);
  ADD("math", VLM_v4fScaleInto, ARGS(&V(0), &V(1), 2.0f), out0);
  ADD("math", VLM_v4fMultiply, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fMultiplyInto, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fDivide, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fDivideInto, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fNegate, ARGS(&V(0)), out0);
  ADD("math", VLM_v4fNegateInto, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fAbs, ARGS(&V(0)), out0);
  ADD("math", VLM_v4fDot, ARGS(&V(0), &V(1), nullptr), Options{{0, 1, 2}, false, true});
  ADD("math", VLM_v4fCross, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fCrossInPlace, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fTripleCross, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fLength, ARGS(&V(0)), out0);
  ADD("math", VLM_v4fDistance, ARGS(&V(0), &V(1)), out01);
  ADD("math", VLM_v4fNormalize, ARGS(&V(0)), out0);
  ADD("math", VLM_v4fNormalizeFast, ARGS(&V(0)), out0);
  ADD("math", VLM_v4fNormalizeFastInto, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_q4fNormalizeFast, ARGS(&V(0)), out0);
  ADD("math", VLM_q4fNormalizeFastInto, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_v4fTransform, ARGS(&V(0), &M(0)), out0);
  ADD("math", VLM_v4fTransformInto, ARGS(&V(0), &M(0), &V(1)), out0);
  ADD("math", VLM_v4fFromColor, ARGS(&V(0), 0xFF00FF00u), out0);
  ADD("math", VLM_v4fInsideBox, ARGS(&V(0), &V(1)), out01);
  ADD("math", VLM_m4fSetDiagonal, ARGS(&M(0), 1.0f), out0);
  ADD("math", VLM_m4fMultiply, ARGS(&M(0), &M(1), &M(2)), out0);
  ADD("math", VLM_m4fPreMultiply, ARGS(&M(0), &M(1)), out0);
  ADD("math", VLM_m4fAdd, ARGS(&M(0), &M(1)), out0);
  ADD("math", VLM_m4fAbs, ARGS(&M(0), &M(1)), out0);
  ADD("math", VLM_m4fTranspose, ARGS(&M(0)), out0);
  ADD("math", VLM_m4fInvert, ARGS(&M(0)), out0);
  ADD("math", VLM_m4fInverse, ARGS(&M(0), &M(1)), out0);
  ADD("math", VLM_m4fFromQuaternion, ARGS(&V(0), &M(0)), Options{{1}, false, true});
  ADD("math", VLM_q4fFromEuler, ARGS(&V(0), 10.0f, 20.0f, 30.0f, 0), out0);
  ADD("math", VLM_q4fMultiply, ARGS(&V(0), &V(1)), out0);
  ADD("math", VLM_q4fMultiplyInto, ARGS(&V(0), &V(1), &V(2)), out0);
  ADD("math", VLM_v4fPush, ARGS(1.0f, 2.0f, 3.0f, 4.0f));
  ADD("math", VLM_v4fPushCopy, ARGS(&V(0)), Options{{}, false, true});
  ADD("math", VLM_v4fPop, ARGS(1));
  ADD("math", VLM_v4fPeek, ARGS(0));
}

void Core() {
  ADD("core", VLM_Init, ARGS(), Options{{}, true});
  ADD("core", VLM_Shutdown, ARGS(), Options{{}, true});
  ADD("core", VLM_OpenLogFile, ARGS(Keep(f.dir + "/other log.html"), 0, 1));
  ADD("core", VLM_SetLogColumns, ARGS(10));
  ADD("core", VLM_BeginLogSection, ARGS("Sweep", VLM_COLOR_INFO));
  ADD("core", VLM_EndLogSection, ARGS());
  ADD("core", VLM_LogMessage, ARGS("row", VLM_COLOR_INFO, 0, "", "Sweep"));
  ADD("core", VLM_LogBreak, ARGS());
  static char html[8];
  ADD("core", VLM_ColourToHtml, ARGS(0xFF00FFu, html), Options{{1}});
  ADD("core", VLM_DebugMessage, ARGS(3, "text"));
  ADD("core", VLM_DebugError, ARGS("text"));
  ADD("core", VLM_DebugWarning, ARGS("text"));
  ADD("core", VLM_DebugText, ARGS("text"));
}

// The four procedures every registry kind has.
template <class Record>
void Kind(const char* kind, Record* (*create)(VLM_HANDLE*, const char*), Record* (*resolve)(VLM_HANDLE),
          Record* (*is)(VLM_HANDLE), int (*release)(VLM_HANDLE), VLM_HANDLE Fixture::*live) {
  static VLM_HANDLE id;
  const std::string k = kind;
  Add("registry", Keep("VLM_Create" + k + "ListEntry"), create, [](Fixture&) {
    id = -1;
    return std::tuple(&id, "");
  });
  auto good = [live](Fixture& f) { return std::tuple(live ? f.*live : VLM_HANDLE{5}); };
  Add("registry", Keep("VLM_Resolve" + k), resolve, good);
  Add("registry", Keep("VLM_Is" + k), is, good);
  Add("registry", Keep("VLM_Free" + k), release, good);
}

void Registries() {
  Kind("Shader", VLM_CreateShaderListEntry, VLM_ResolveShader, VLM_IsShader, VLM_FreeShader, &Fixture::shader);
  Kind("ParticleEmitter", VLM_CreateParticleEmitterListEntry, VLM_ResolveParticleEmitter, VLM_IsParticleEmitter,
       VLM_FreeParticleEmitter, &Fixture::emitter);
  Kind("Ribbon", VLM_CreateRibbonListEntry, VLM_ResolveRibbon, VLM_IsRibbon, VLM_FreeRibbon, &Fixture::ribbon);
  Kind("Mesh", VLM_CreateMeshListEntry, VLM_ResolveMesh, VLM_IsMesh, VLM_FreeMesh, &Fixture::mesh);
  Kind("Surface", VLM_CreateSurfaceListEntry, VLM_ResolveSurface, VLM_IsSurface, VLM_FreeSurface,
       &Fixture::surface);
  Kind("Body", VLM_CreateBodyListEntry, VLM_ResolveBody, VLM_IsBody, VLM_FreeBody, &Fixture::body);
  Kind("Animation", VLM_CreateAnimationListEntry, VLM_ResolveAnimation, VLM_IsAnimation, VLM_FreeAnimation,
       nullptr);
  Kind("Sound", VLM_CreateSoundListEntry, VLM_ResolveSound, VLM_IsSound, VLM_FreeSound, &Fixture::sound);
  Kind("Billboard", VLM_CreateBillboardListEntry, VLM_ResolveBillboard, VLM_IsBillboard, VLM_FreeBillboard,
       &Fixture::billboards);
  Kind("Cage", VLM_CreateCageListEntry, VLM_ResolveCage, VLM_IsCage, VLM_FreeCage, &Fixture::cage);
  Kind("Skeleton", VLM_CreateSkeletonListEntry, VLM_ResolveSkeleton, VLM_IsSkeleton, VLM_FreeSkeleton, nullptr);
  Kind("Texture", VLM_CreateTextureListEntry, VLM_ResolveTexture, VLM_IsTexture, VLM_FreeTexture,
       &Fixture::texture);
  Kind("Material", VLM_CreateMaterialListEntry, VLM_ResolveMaterial, VLM_IsMaterial, VLM_FreeMaterial,
       &Fixture::material);
  Kind("Node", VLM_CreateNodeListEntry, VLM_ResolveNode, VLM_IsNode, VLM_FreeNode, &Fixture::node);
  Kind("Object", VLM_CreateObjectListEntry, VLM_ResolveObject, VLM_IsObject, VLM_FreeObject, &Fixture::object);
}

void Definitions() {
  ADD("definition", VLM_LoadDefinitionFile, ARGS(f.definitionFile.c_str()));
  ADD("definition", VLM_ParseDefinitionText, ARGS("A: 1 { B: 2 }", "dir/"));
  static const char kBytes[] = "A: 1 { B: 2 }";
  ADD("definition", VLM_CatchDefinitionFile, ARGS(kBytes, sizeof kBytes - 1, "dir/"), Options{{1}});
  ADD("definition", VLM_FindDefinitionNode, ARGS(f.tree, "Sound", "", 0));
  ADD("definition", VLM_GetDefinitionChild, ARGS(f.tree, 0));
  ADD("definition", VLM_NextDefinitionNode, ARGS(VLM_GetDefinitionChild(f.tree, 0)));
  ADD("definition", VLM_GetDefinitionParent, ARGS(VLM_GetDefinitionChild(f.tree, 0)));
  ADD("definition", VLM_CountDefinitionChildren, ARGS(f.tree, ""));
  ADD("definition", VLM_GetDefinitionName, ARGS(VLM_GetDefinitionChild(f.tree, 0)));
  ADD("definition", VLM_GetDefinitionDirectory, ARGS(f.tree));
  ADD("definition", VLM_ReadDefinitionVector,
      ARGS(VLM_FindDefinitionNode(f.tree, "Position", "", 0), &V(0), 0.0f, 0.0f, 0.0f, 1.0f));
  ADD("definition", VLM_ReadDefinitionInteger, ARGS(VLM_FindDefinitionNode(f.tree, "Frequency", "", 0), 3L));
  ADD("definition", VLM_ReadDefinitionColour, ARGS(VLM_FindDefinitionNode(f.tree, "Range", "", 0), &V(0), 0u));
  ADD("definition", VLM_ReadDefinitionString, ARGS(VLM_FindDefinitionNode(f.tree, "File", "", 0), "x"));
  ADD("definition", VLM_ReadDefinitionFloat, ARGS(VLM_FindDefinitionNode(f.tree, "Frequency", "", 0), 1.0f));
  static float pair[2];
  ADD("definition", VLM_ReadDefinitionRange,
      ARGS(VLM_FindDefinitionNode(f.tree, "LifeTime", "", 0), pair, 0.0f, 1.0f));
  ADD("definition", VLM_ConvertDefinitionInteger, ARGS("$1F", size_t{3}), Options{{0, 1}});
  ADD("definition", VLM_ConvertDefinitionFloat, ARGS("2.5e3", size_t{5}), Options{{0, 1}});
  ADD("definition", VLM_FreeDefinitionNode, ARGS(VLM_ParseDefinitionText("A { B: 1 }", ""), 1));
  ADD("definition", VLM_FreeDefinitionFile, ARGS());
  ADD("definition", VLM_ParseDefinitionFiles, ARGS(f.definitionFile.c_str(), VLM_DEFINITION_ALL));
  ADD("definition", VLM_DispatchDefinitions, ARGS(f.tree, VLM_DEFINITION_ALL));
  ADD("definition", VLM_OpenDefinitionWriter, ARGS(Keep(f.dir + "/opened.vld")));
  ADD("definition", VLM_BeginDefinitionBlock, ARGS(f.writer, "Block", "value"));
  ADD("definition", VLM_EndDefinitionBlock, ARGS(f.writer));
  ADD("definition", VLM_WriteDefinitionStatement, ARGS(f.writer, "Key", "value"));
  static float floats[70000];
  static int32_t integers[70000];
  // A count beyond the caller's array is the caller's fault; negative ones are not.
  ADD("definition", VLM_WriteDefinitionFloats, ARGS(f.writer, floats, 3), Options{{2}});
  ADD("definition", VLM_WriteDefinitionIntegers, ARGS(f.writer, integers, 3), Options{{2}});
  for (int32_t count : {-1, INT32_MIN}) {
    AddCase("definition", "VLM_WriteDefinitionFloats", "count " + std::to_string(count),
            [count](Fixture& f) { VLM_WriteDefinitionFloats(f.writer, floats, count); });
    AddCase("definition", "VLM_WriteDefinitionIntegers", "count " + std::to_string(count),
            [count](Fixture& f) { VLM_WriteDefinitionIntegers(f.writer, integers, count); });
  }
  ADD("definition", VLM_WriteDefinitionLine, ARGS(f.writer, "line"));
  ADD("definition", VLM_CloseDefinitionWriter, ARGS(VLM_OpenDefinitionWriter(Keep(f.dir + "/closed.vld"))));
}

void Platform() {
  ADD("platform", VLM_OpenScreenInWindow, ARGS(VLM_WindowID(f.window), 0, 0, 64, 48, 32), Options{{}, true});
  ADD("platform", VLM_OpenScreenWindow, ARGS(64, 48, 32, "sweep", VLM_WINDOW_HIDDEN, 0), Options{{}, true});
  ADD("platform", VLM_SetVSync, ARGS(0));
  ADD("platform", VLM_FlipBuffers, ARGS());
  ADD("platform", VLM_FrameTime, ARGS());
  ADD("platform", VLM_RenderFrequency, ARGS());
  ADD("platform", VLM_ElapsedTime, ARGS());
  ADD("platform", VLM_KeepPresentedFrames, ARGS(1));
  ADD("platform", VLM_SavePresentedFrame, ARGS(Keep(f.dir + "/frame.png")));
  ADD("platform", VLM_OpenWindow, ARGS(2, 0, 0, 64, 48, "sweep", VLM_WINDOW_HIDDEN));
  ADD("platform", VLM_CloseWindow, ARGS(f.window));
  ADD("platform", VLM_IsWindow, ARGS(f.window));
  ADD("platform", VLM_WindowID, ARGS(f.window));
  ADD("platform", VLM_WindowInnerWidth, ARGS(f.window));
  ADD("platform", VLM_WindowInnerHeight, ARGS(f.window));
  ADD("platform", VLM_WindowEvent, ARGS());
  ADD("platform", VLM_EventWindow, ARGS());
  ADD("platform", VLM_GetCurrentDirectory, ARGS());
  ADD("platform", VLM_SetCurrentDirectory, ARGS(f.dir.c_str()));
  ADD("platform", VLM_ProgramFilename, ARGS());
  ADD("platform", VLM_ProgramDirectory, ARGS());
}

void Input() {
  ADD("input", VLM_ExamineKeyboard, ARGS());
  ADD("input", VLM_KeyboardPushed, ARGS('W'));
  ADD("input", VLM_KeyboardDown, ARGS('W'));
  ADD("input", VLM_KeyboardReleased, ARGS('W'));
  ADD("input", VLM_KeyboardInkey, ARGS());
  ADD("input", VLM_ExamineMouse, ARGS());
  ADD("input", VLM_ResetMouse, ARGS());
  ADD("input", VLM_MouseX, ARGS());
  ADD("input", VLM_MouseY, ARGS());
  ADD("input", VLM_MouseDeltaX, ARGS());
  ADD("input", VLM_MouseDeltaY, ARGS());
  ADD("input", VLM_MouseWheel, ARGS());
  ADD("input", VLM_MouseButtonDown, ARGS(VLM_MOUSE_LEFT));
  ADD("input", VLM_MouseButtonPushed, ARGS(VLM_MOUSE_LEFT));
  ADD("input", VLM_MouseButtonReleased, ARGS(VLM_MOUSE_LEFT));
  ADD("input", VLM_MouseInRect, ARGS(0, 0, 10, 10));
  ADD("input", VLM_MouseInCircle, ARGS(5.0f, 5.0f, 3.0f));
  ADD("input", VLM_PostKeyEvent, ARGS('W', 1));
  ADD("input", VLM_PostMouseButtonEvent, ARGS(VLM_MOUSE_LEFT, 1));
  ADD("input", VLM_PostMouseMotion, ARGS(3, 4));
  ADD("input", VLM_SetMousePosition, ARGS(10, 10));
  ADD("input", VLM_LockMouse, ARGS());
  ADD("input", VLM_UnlockMouse, ARGS());
  ADD("input", VLM_HideCursor, ARGS());
  ADD("input", VLM_ShowCursor, ARGS());
  ADD("input", VLM_ClipCursor, ARGS());
  ADD("input", VLM_UnclipCursor, ARGS());
  ADD("input", VLM_InitJoysticks, ARGS());
  ADD("input", VLM_ExamineJoysticks, ARGS());
  ADD("input", VLM_JoystickCount, ARGS());
  ADD("input", VLM_JoystickName, ARGS(0));
  ADD("input", VLM_JoystickAxis, ARGS(0, 0, 0.5f));
  ADD("input", VLM_JoystickPOV, ARGS(0));
  ADD("input", VLM_SetJoystickDeadZone, ARGS(0, 1, 0.1f));
  ADD("input", VLM_JoystickButton, ARGS(0, 1));
  ADD("input", VLM_JoystickButtonDown, ARGS(0, 1));
  ADD("input", VLM_JoystickButtonReleased, ARGS(0, 1));
}

}  // namespace

void AddCoreCases() {
  Math();
  Core();
  Registries();
  Definitions();
  Platform();
  Input();
}

}  // namespace sweep
