// Collision sounds: the pair and single entries and what a contact plays.
#include "core/registries.h"
#include "physics/collision_sound.h"
#include "physics/world.h"
#include "sound/sound_internal.h"
#include "sound/sound_state.h"
#include "sound_fixture.h"
#include "velmora.h"

namespace soundtest {
namespace {

class CollisionSoundTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    stone = VLM_CreatePhysicalMaterial(1, 0.5f, 0.5f, "stone") ? 1 : 0;
    wood = VLM_CreatePhysicalMaterial(2, 0.5f, 0.5f, "wood") ? 2 : 0;
    ASSERT_TRUE(stone && wood);
    knock = VLM_LoadSoundFile(10, tone.c_str(), 0, "knock");
    thud = VLM_LoadSoundFile(11, tone.c_str(), 0, "thud");
    ASSERT_TRUE(knock && thud);
  }
  void TearDown() override {
    SoundTest::TearDown();
    vlm::ResetPhysics();
  }
  VLM_HANDLE stone = 0, wood = 0, knock = 0, thud = 0;
};

TEST_F(CollisionSoundTest, PairsInEitherOrderAndSingles) {
  float speed = 0.0f;
  EXPECT_EQ(VLM_FindCollisionSound(stone, wood, &speed), 0);
  VLM_SetCollisionSound(knock, 4.0f, stone, wood);
  VLM_SetCollisionSound(thud, 2.0f, wood, stone);  // the same pair: replaced
  VLM_SetCollisionSound(knock, 3.0f, stone, -1);
  EXPECT_EQ(vlm::World().collisionSoundPairs.size(), 1u);
  EXPECT_EQ(VLM_FindCollisionSound(stone, wood, &speed), thud);
  EXPECT_EQ(speed, 2.0f);
  EXPECT_EQ(VLM_FindCollisionSound(stone, -1, &speed), knock);
  EXPECT_EQ(speed, 3.0f);
  EXPECT_EQ(VLM_FindCollisionSound(wood, -1, nullptr), 0);
  EXPECT_EQ(VLM_FindCollisionSound(wood, wood, nullptr), 0);  // no single fallback for a pair

  VLM_RemoveCollisionSound(wood, stone);
  EXPECT_EQ(VLM_FindCollisionSound(stone, wood, nullptr), 0);
  EXPECT_EQ(VLM_FindCollisionSound(stone, -1, nullptr), knock);
  VLM_RemoveCollisionSound(stone, -1);
  EXPECT_EQ(VLM_FindCollisionSound(stone, -1, nullptr), 0);
  VLM_SetCollisionSound(knock, 1.0f, stone, wood);
  VLM_SetCollisionSound(knock, 1.0f, wood, -1);
  VLM_RemoveCollisionSound(-1, -1);
  EXPECT_TRUE(vlm::World().collisionSoundPairs.empty());
  EXPECT_TRUE(vlm::World().collisionSoundSingles.empty());

  // Unknown sounds and materials are refused; a freed sound leaves no entry.
  EXPECT_EQ(VLM_SetCollisionSound(99, 1.0f, stone, wood), 0);
  EXPECT_EQ(VLM_SetCollisionSound(knock, 1.0f, stone, 77), 0);
  EXPECT_TRUE(vlm::World().collisionSoundPairs.empty());
  VLM_SetCollisionSound(thud, 1.0f, stone, wood);
  VLM_FreeSound(thud);
  EXPECT_EQ(VLM_FindCollisionSound(stone, wood, nullptr), 0);
  EXPECT_TRUE(vlm::World().collisionSoundPairs.empty());
}

TEST_F(CollisionSoundTest, AContactPlaysSoftlyBelowTheReferenceSpeed) {
  VLM_SetCollisionSound(knock, 4.0f, stone, wood);
  VLM_SetCollisionSound(thud, 1.0f, wood, -1);
  VLM_SetSoundVolume(knock, 0.8f);
  const v4f point{3.0f, 0.0f, -4.0f, 1.0f};
  VLM_SURFACE* s = vlm::SurfaceRegistry().Resolve(stone);
  VLM_SURFACE* w = vlm::SurfaceRegistry().Resolve(wood);
  vlm::PlayCollisionSounds(s, w, point, 2.0f);
  vlm::SoundMasterState& state = vlm::SoundMaster();
  std::vector<VLM_SOUND*> channels;
  {
    std::lock_guard<std::mutex> guard(state.channelLock);
    channels.assign(state.channels.begin(), state.channels.end());
  }
  ASSERT_EQ(channels.size(), 2u);
  // The pair sound at half its reference speed: half of its volume 0.8.
  EXPECT_EQ(channels[0]->runtimeSound, Record(knock)->runtimeSound);
  EXPECT_FLOAT_EQ(channels[0]->fVolume, 0.4f);
  EXPECT_EQ(channels[0]->iFlags, VLM_SOUND_CHANNEL | VLM_SOUND_AUTORELEASE);
  EXPECT_EQ(channels[0]->v4fPosition.x, 3.0f);
  // The single sound of wood, above its reference speed: its own volume.
  EXPECT_EQ(channels[1]->runtimeSound, Record(thud)->runtimeSound);
  EXPECT_FLOAT_EQ(channels[1]->fVolume, 1.0f);
  // Both go by themselves once they have played.
  const VLM_HANDLE pairChannel = channels[0]->iHandle, singleChannel = channels[1]->iHandle;
  ASSERT_TRUE(WaitUntilStopped(pairChannel, 3.0));
  ASSERT_TRUE(WaitUntilStopped(singleChannel, 3.0));
  EXPECT_EQ(vlm::sound::ChannelCount(), 0u);
}

}  // namespace
}  // namespace soundtest
