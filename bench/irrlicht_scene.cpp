// Irrlicht's side of bench_render (compiled as C++17, see irrlicht_scene.h).
#include "bench/irrlicht_scene.h"

#include <irrlicht.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <chrono>
#include <cmath>

namespace vlmbench {
namespace {

using namespace irr;

// A cube of 24 vertices (flat faces, texture 0..1 on each) like the
// engine's; the corners of each triangle turn so that the edge cross
// product points out, which is the front side in both engines.
scene::SMesh* Cube(float size, video::ITexture* texture) {
  auto* buffer = new scene::SMeshBuffer();
  const float h = 0.5f * size;
  const core::vector3df normals[6] = {{0, 1, 0}, {0, -1, 0}, {1, 0, 0},
                                      {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const core::vector3df& n : normals) {
    const core::vector3df u =
        std::fabs(n.Y) > 0.5f ? core::vector3df(1, 0, 0) : core::vector3df(0, 1, 0);
    const core::vector3df v = n.crossProduct(u);  // u x v = n
    const u16 base = static_cast<u16>(buffer->Vertices.size());
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
      const core::vector3df p = (n + u * c[0] + v * c[1]) * h;
      buffer->Vertices.push_back(video::S3DVertex(
          p, n, video::SColor(255, 255, 255, 255),
          core::vector2df(0.5f * (c[0] + 1), 0.5f * (c[1] + 1))));
    }
    const u16 quad[6] = {0, 1, 2, 0, 2, 3};
    for (u16 k : quad) buffer->Indices.push_back(static_cast<u16>(base + k));
  }
  buffer->Material.setTexture(0, texture);
  buffer->Material.Lighting = true;
  buffer->Material.setFlag(video::EMF_BILINEAR_FILTER, true);
  buffer->recalculateBoundingBox();
  auto* mesh = new scene::SMesh();
  mesh->addMeshBuffer(buffer);
  buffer->drop();
  mesh->recalculateBoundingBox();
  return mesh;
}

// The back buffer before the swap: Irrlicht's own screenshot reads the
// front buffer, which a window under Xvfb need not have.
void Screenshot(video::IVideoDriver* driver, int width, int height, const std::string& file) {
  std::vector<u32> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
  // GL's rows start at the bottom.
  std::vector<u32> rows(pixels.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rows[static_cast<size_t>(y) * width + x] = pixels[static_cast<size_t>(height - 1 - y) * width + x] | 0xFF000000u;
  video::IImage* image = driver->createImageFromData(
      video::ECF_A8R8G8B8, core::dimension2d<u32>(static_cast<u32>(width), static_cast<u32>(height)),
      rows.data(), false, false);
  driver->writeImageToFile(image, file.c_str());
  image->drop();
}

}  // namespace

bool TimeIrrlichtFrames(const IrrlichtBoxes& boxes, std::vector<double>& milliseconds,
                        std::string& error) {
  IrrlichtDevice* device = createDevice(
      video::EDT_OPENGL,
      core::dimension2d<u32>(static_cast<u32>(boxes.width), static_cast<u32>(boxes.height)), 32,
      false, false, false /* vsync */);
  if (!device) {
    error = "Irrlicht's OpenGL device cannot be opened";
    return false;
  }
  device->getLogger()->setLogLevel(ELL_NONE);
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* scene = device->getSceneManager();

  // The engine's texture made in memory has no mipmaps; neither has this.
  driver->setTextureCreationFlag(video::ETCF_CREATE_MIP_MAPS, false);
  std::vector<u32> texels(boxes.checker.begin(), boxes.checker.end());
  video::IImage* image = driver->createImageFromData(
      video::ECF_A8R8G8B8,
      core::dimension2d<u32>(static_cast<u32>(boxes.checkerSide), static_cast<u32>(boxes.checkerSide)),
      texels.data(), false, false);
  video::ITexture* texture = driver->addTexture("checker", image);
  image->drop();

  scene::SMesh* cube = Cube(boxes.boxSize, texture);
  for (const IrrlichtBoxes::Spot& spot : boxes.boxes)
    scene->addMeshSceneNode(cube, nullptr, -1,
                            core::vector3df(spot.x, 0.5f * boxes.boxSize, -spot.z));
  cube->drop();
  scene::ICameraSceneNode* camera = scene->addCameraSceneNode(
      nullptr, core::vector3df(0, boxes.cameraHeight, -boxes.cameraBack), core::vector3df(0, 0, 0));
  camera->setFOV(boxes.fovDegrees * core::DEGTORAD);
  camera->setAspectRatio(static_cast<f32>(boxes.width) / static_cast<f32>(boxes.height));
  camera->setNearValue(boxes.nearPlane);
  camera->setFarValue(boxes.farPlane);
  scene->addLightSceneNode(nullptr, core::vector3df(0, boxes.lightHeight, 0),
                           video::SColorf(1, 1, 1), boxes.lightRange);
  scene->setAmbientLight(video::SColorf(boxes.ambient, boxes.ambient, boxes.ambient));

  using Clock = std::chrono::steady_clock;
  const u32 grey = static_cast<u32>(boxes.ambient * 255.0f + 0.5f);
  for (int frame = 0; frame < boxes.warmupFrames + boxes.frames && device->run(); ++frame) {
    const Clock::time_point start = Clock::now();
    driver->beginScene(true, true, video::SColor(255, grey, grey, grey));
    scene->drawAll();
    if (frame + 1 == boxes.warmupFrames + boxes.frames && !boxes.screenshot.empty())
      Screenshot(driver, boxes.width, boxes.height, boxes.screenshot);
    driver->endScene();
    glFinish();
    if (frame >= boxes.warmupFrames)
      milliseconds.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  device->drop();
  if (static_cast<int>(milliseconds.size()) != boxes.frames) {
    error = "Irrlicht's window closed before the frames were done";
    return false;
  }
  return true;
}

}  // namespace vlmbench
