#include "keys/inject.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

using V = std::vector<std::string>;

class InjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAll(); }
  SendState state;  // Wait false: no drain unless a test asks
  record::World& world = record::TheWorld();
};

TEST_F(InjectTest, WorkedSequencesComeOutEventForEvent) {
  PressWithShiftState(state, 0x0141, 1, true);
  EXPECT_EQ(KeyEvents(), Events("10 2a 0 | 41 1e 0 | 41 1e 2 | 10 2a 2"));
  SetUp();
  PressWithShiftState(state, 0x0025, 2, true);
  EXPECT_EQ(KeyEvents(), Events("25 4b 1 | 25 4b 3 | 25 4b 1 | 25 4b 3"));
  SetUp();
  PressWithShiftState(state, 0x0641, 1, true);
  EXPECT_EQ(KeyEvents(), Events("11 1d 0 | 12 38 0 | 41 1e 0 | 41 1e 2 | 11 1d 2 | 12 38 2"));
  SetUp();
  PressKey(state, 0x0d, 1, true);
  EXPECT_EQ(KeyEvents(), Events("d 1c 0 | d 1c 2"));
  SetUp();
  PressKey(state, 0x10, 1, false);
  EXPECT_EQ(KeyEvents(), Events("10 2a 0"));
  SetUp();
  PressKey(state, 0x41, 2, false);
  EXPECT_EQ(KeyEvents(), Events("41 1e 0 | 41 1e 0"));
}

TEST_F(InjectTest, CountZeroSendsOnlyTheModifiers) {
  PressWithShiftState(state, 0x0141, 0, true);
  EXPECT_EQ(KeyEvents(), Events("10 2a 0 | 10 2a 2"));
  EXPECT_EQ(CallsNamed({"MapVirtualKeyA"}).size(), 3u);  // the scan code is still asked
}

TEST_F(InjectTest, ExtendedFlagGoesWithExactlyTheTenExtendedKeys) {
  const std::uint8_t extended[] = {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2d, 0x2e};
  int count = 0;
  for (int vk = 0; vk < 256; ++vk) {
    bool expected = std::find(std::begin(extended), std::end(extended), vk) != std::end(extended);
    EXPECT_EQ(IsExtendedKey(static_cast<std::uint8_t>(vk)), expected) << vk;
    count += IsExtendedKey(static_cast<std::uint8_t>(vk));
  }
  EXPECT_EQ(count, 10);
  EXPECT_EQ(ExtendedKeySet[4], 0xfe);
  EXPECT_EQ(ExtendedKeySet[5], 0x61);
  PressKey(state, 0x2e, 1, true);
  PressKey(state, 0x2f, 1, true);
  EXPECT_EQ(KeyEvents(), Events("2e 53 1 | 2e 53 3 | 2f 63 0 | 2f 63 2"));
}

TEST_F(InjectTest, WaitDrainsKeyboardMessagesAfterEveryEvent) {
  state.Wait = true;
  world.Messages = {{0, 0x100, 0, 0, 0, {}}, {0, 0x200, 0, 0, 0, {}}, {0, 0x102, 0, 0, 0, {}}};
  PressKey(state, 0x41, 1, true);
  EXPECT_EQ(CallsNamed({"keybd_event", "PeekMessageA", "DispatchMessageA"}),
            (V{"keybd_event(0x41, 0x1e, 0x0, 0x0)",
               "PeekMessageA(_, 0x0, 0x100, 0x108, 0x1) = 0x1", "DispatchMessageA(_) = 0x0",
               "PeekMessageA(_, 0x0, 0x100, 0x108, 0x1) = 0x1", "DispatchMessageA(_) = 0x0",
               "PeekMessageA(_, 0x0, 0x100, 0x108, 0x1) = 0x0",
               "keybd_event(0x41, 0x1e, 0x2, 0x0)",
               "PeekMessageA(_, 0x0, 0x100, 0x108, 0x1) = 0x0"}));
  ASSERT_EQ(world.Messages.size(), 1u);  // outside the keyboard range: left queued
  EXPECT_EQ(world.Messages[0].message, 0x200u);

  SetUp();
  state.Wait = false;
  PressKey(state, 0x41, 3, true);
  EXPECT_TRUE(CallsNamed({"PeekMessageA"}).empty());
}

TEST_F(InjectTest, NumLockTogglesTheStateTableInsteadOfSendingEvents) {
  state.Wait = true;
  world.Keyboard[0x90] = 0x80;  // down, not toggled
  PressKey(state, 0x90, 3, true);
  EXPECT_EQ(world.Keyboard[0x90], 0x81);
  PressKey(state, 0x90, 0, false);
  EXPECT_EQ(world.Keyboard[0x90], 0x80);
  EXPECT_TRUE(KeyEvents().empty());
  EXPECT_TRUE(CallsNamed({"PeekMessageA", "MapVirtualKeyA"}).empty());
  EXPECT_EQ(CallsNamed({"GetKeyState"}).size(), 2u);

  SetUp();
  PressWithShiftState(state, 0x0190, 1, true);
  EXPECT_EQ(KeyEvents(), Events("10 2a 0 | 10 2a 2"));
  EXPECT_EQ(world.Keyboard[0x90], 1);
}

}  // namespace
