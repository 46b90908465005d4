// A session as the person did it: the screens they saw and the bursts of
// keys they typed, and the script that replays it.
#ifndef KLAVRUN_RECORDER_RECORDER_H_
#define KLAVRUN_RECORDER_RECORDER_H_

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include "recorder/key_decoder.h"
#include "recorder/wait_choice.h"

namespace recorder {

/// Keys this close together are one burst, typed by one send.
constexpr std::int64_t kBurstGapMs = 500;
/// What a replay waits for when no text on the screen will do.
constexpr int kSettleMs = 500;

/// Times are milliseconds on any clock that does not go back.
class Recorder {
 public:
  /// The session starts: the screen before the command.
  Recorder(const Shot& blank, std::int64_t now_ms);

  /// A look at the screen between keys, to see it change.
  void Watch(const Shot& shot, std::int64_t now_ms);

  /// Keys the person typed, with the screen as it was when they came.
  void Typed(const std::vector<Key>& keys, const Shot& shot, std::int64_t now_ms);

  /// The session ends with this screen.
  void End(const Shot& shot, std::int64_t now_ms);

  /// The script: start COMMAND_LINE, then each burst after its wait.
  /// `replay`: the command that replays it, as its first line says.
  std::string Script(const std::string& command_line,
                     const std::string& replay = "klavrun") const;

  /// How many sends the script has.
  int Sends() const;

 private:
  struct Burst {
    std::vector<std::string> keys;  // spellings
    std::string echo;
    Sighting sighting;  // all but the earlier rows
    std::size_t earlier = 0;  // rows of history_ seen before it
    std::int64_t waited_ms = 0;  // since the burst before
    bool clock_ticks = false;    // the end only: digits still change
  };
  void Begin(const Shot& shot, std::int64_t now_ms);
  bool StillChanging(std::int64_t now_ms) const;
  void Remember(const Shot& shot);

  std::vector<Burst> bursts_;  // after the last key: the end, without keys
  Shot last_key_shot_;         // as it was when the last key came
  std::int64_t last_key_ms_;
  Shot watched_;
  std::deque<std::int64_t> changes_;  // when the screen changed lately, ticks aside
  std::vector<bool> ticking_;         // rows that ticked since the last burst began
  std::vector<std::int64_t> tick_ms_;  // by row: its last tick, while it ticks
  static constexpr std::int64_t kNever = INT64_MIN / 2;
  std::vector<std::string> history_;  // every row seen as a key came, once, in order
  std::unordered_set<std::string> remembered_;
  std::size_t history_at_last_key_ = 0;
};

}  // namespace recorder

#endif  // KLAVRUN_RECORDER_RECORDER_H_
