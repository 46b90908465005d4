#include "keys/inject.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

using V = std::vector<std::string>;

class InjectTest : public RecordTest {
 protected:
  SendState state;
};

// NumLock is pressed once whatever the count, and leaves the state table alone.
TEST_F(InjectTest, WorkedSequencesComeOutEventForEvent) {
  const struct { std::uint16_t key, count; bool shifted, release; const char* events; } rows[] = {
      {0x0741, 1, true, true, "d10 d11 d12 a41 u10 u11 u12"}, {0x0141, 0, true, true, "a10"},
      {0x0041, 2, false, false, "d41 d41"}, {0x002e, 1, false, true, "x2e"},
      {0x002f, 1, false, true, "a2f"},  // Help: no extended flag
      {0x90, 0, false, false, "x90"},       {0x0190, 2, true, true, "d10 x90 u10"},
  };
  for (const auto& row : rows) {
    SetUp();
    state.DrainMessages = true;
    world.Keyboard[0x90] = 0x80;
    if (row.shifted)
      PressWithShiftState(state, row.key, row.count, row.release);
    else
      PressKey(state, static_cast<std::uint8_t>(row.key), row.count, row.release);
    EXPECT_EQ(Keys(), row.events) << row.key;
    EXPECT_EQ(world.Keyboard[0x90], 0x80) << row.key;
    EXPECT_TRUE(CallsNamed({"GetKeyboardState", "SetKeyboardState"}).empty());
  }
}

TEST_F(InjectTest, WaitDrainsKeyboardMessagesAfterEveryEvent) {
  state.DrainMessages = true;
  world.Messages = {{0, 0x100, 0, 0, 0, {}}, {0, 0x200, 0, 0, 0, {}}, {0, 0x102, 0, 0, 0, {}}};
  PressKey(state, 0x41, 1, true);
  const std::string peek = "PeekMessageA(_, 0x0, 0x100, 0x108, 0x1) = ";
  const std::string dispatch = "DispatchMessageA(_) = 0x0";
  EXPECT_EQ(CallsNamed({"keybd_event", "PeekMessageA", "DispatchMessageA"}),
            (V{"keybd_event(0x41, 0x1e, 0x0, 0x0)", peek + "0x1", dispatch, peek + "0x1", dispatch,
               peek + "0x0", "keybd_event(0x41, 0x1e, 0x2, 0x0)", peek + "0x0"}));
  ASSERT_EQ(world.Messages.size(), 1u);  // outside the keyboard range: left queued
  EXPECT_EQ(world.Messages[0].message, 0x200u);
}

}  // namespace
