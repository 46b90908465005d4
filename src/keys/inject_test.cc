#include "keys/inject.h"

#include <gtest/gtest.h>

#include "platform/record/record_test_support.h"

namespace {

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

}  // namespace
