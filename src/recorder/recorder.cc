#include "recorder/recorder.h"

#include <algorithm>

namespace recorder {
namespace {

// The screen was still changing when typing began: it had changed this
// often in the last second, the last time this shortly before. What
// changes right after a key, its echo and a quick answer, does not count.
constexpr std::int64_t kChangeWindowMs = 1000;
constexpr std::size_t kChangesWhileBusy = 3;
constexpr std::int64_t kLastChangeMs = 300;
constexpr std::int64_t kAnswerMs = 50;
// A clock that ticked this shortly before the end still ticks.
constexpr std::int64_t kClockMs = 1500;
// wait_timeout: the longest wait seen, times the margin, never less than
// the shortest.
constexpr std::int64_t kTimeoutMargin = 3;
constexpr std::int64_t kShortestTimeoutMs = 10000;
constexpr std::int64_t kLongestTimeoutMs = 2147483000;  // what a #define takes
// Repeat counts stay where klavcheck finds them ordinary.
constexpr std::size_t kMostRepeats = 1000;

std::string Masked(std::string row) {
  for (char& c : row)
    if (c >= '0' && c <= '9') c = '0';
  return row;
}

bool HasLetter(const std::string& row) {
  return std::any_of(row.begin(), row.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// A send's keys; a run of one named key is written once with its count.
std::string KeyString(const std::vector<std::string>& keys) {
  std::string out;
  for (std::size_t i = 0; i < keys.size();) {
    std::size_t j = i;
    while (j < keys.size() && keys[j] == keys[i] && j - i < kMostRepeats) ++j;
    const std::string& key = keys[i];
    if (j - i > 1 && key.size() > 3 && key[0] == '{')  // {bs}, not {+} or {{}
      out += key.substr(0, key.size() - 1) + " " + std::to_string(j - i) + "}";
    else
      for (std::size_t k = i; k < j; ++k) out += keys[k];
    i = j;
  }
  return out;
}

}  // namespace

Recorder::Recorder(const Shot& blank, std::int64_t now_ms)
    : last_key_shot_(blank), last_key_ms_(now_ms), watched_(blank),
      ticking_(blank.rows.size(), false), tick_ms_(blank.rows.size(), kNever) {
  Remember(blank);
  history_at_last_key_ = history_.size();
}

void Recorder::Remember(const Shot& shot) {
  for (const std::string& row : shot.rows)
    if (remembered_.insert(row).second) history_.push_back(row);
}

void Recorder::Watch(const Shot& shot, std::int64_t now_ms) {
  bool changed = false;
  const std::size_t rows = std::min(shot.rows.size(), watched_.rows.size());
  for (std::size_t row = 0; row < rows; ++row) {
    const std::string& now = shot.rows[row];
    if (now == watched_.rows[row]) continue;
    // A clock: only the digits of a row with words changed.
    if (Masked(now) == Masked(watched_.rows[row]) && HasLetter(now) && row < ticking_.size()) {
      ticking_[row] = true;
      tick_ms_[row] = now_ms;
    } else {
      changed = true;
      if (row < tick_ms_.size()) tick_ms_[row] = kNever;  // a clock that stopped
    }
  }
  if (changed) changes_.push_back(now_ms);
  while (!changes_.empty() && changes_.front() < now_ms - kChangeWindowMs) changes_.pop_front();
  watched_ = shot;
}

bool Recorder::StillChanging(std::int64_t now_ms) const {
  const std::int64_t since = last_key_ms_ + kAnswerMs;
  const auto counted = std::count_if(changes_.begin(), changes_.end(),
                                     [since](std::int64_t at) { return at > since; });
  return static_cast<std::size_t>(counted) >= kChangesWhileBusy &&
         now_ms - changes_.back() <= kLastChangeMs;
}

void Recorder::Begin(const Shot& shot, std::int64_t now_ms) {
  Burst burst;
  burst.earlier = history_at_last_key_;
  burst.sighting.seen = shot;
  if (!bursts_.empty()) burst.sighting.typed_before = bursts_.back().echo;
  burst.sighting.ticking = ticking_;
  burst.sighting.changing = StillChanging(now_ms);
  burst.waited_ms = now_ms - last_key_ms_;
  bursts_.push_back(burst);
  ticking_.assign(ticking_.size(), false);
}

void Recorder::Typed(const std::vector<Key>& keys, const Shot& shot, std::int64_t now_ms) {
  Watch(shot, now_ms);
  // A pause that changed nothing on the screen had nothing to wait for.
  const bool pause = bursts_.empty() || now_ms - last_key_ms_ >= kBurstGapMs;
  if (pause && (bursts_.empty() || !(shot == last_key_shot_))) Begin(shot, now_ms);
  Burst& burst = bursts_.back();
  for (const Key& key : keys) {
    burst.keys.push_back(key.spelling);
    if (key.text != 0) burst.echo += key.text;
  }
  // What a replay's wait may find when it starts is what was there as a
  // key came: only those screens are remembered.
  Remember(shot);
  last_key_shot_ = shot;
  last_key_ms_ = now_ms;
  history_at_last_key_ = history_.size();
}

void Recorder::End(const Shot& shot, std::int64_t now_ms) {
  Watch(shot, now_ms);
  // Even a screen that looks as it did at the last key: a replay types a
  // burst at once, and its echo comes after.
  Begin(shot, now_ms);
  bursts_.back().clock_ticks =
      std::any_of(tick_ms_.begin(), tick_ms_.end(),
                  [now_ms](std::int64_t at) { return now_ms - at <= kClockMs; });
}

std::string Recorder::Script(const std::string& command_line, const std::string& replay) const {
  std::string body;
  std::int64_t longest = 0;
  for (const Burst& burst : bursts_) {
    Sighting sighting = burst.sighting;
    sighting.earlier.assign(history_.begin(),
                            history_.begin() + static_cast<std::ptrdiff_t>(burst.earlier));
    sighting.typed_next = burst.echo;
    const std::string text = ChooseWaitText(sighting);
    const std::string settle = "settle " + std::to_string(kSettleMs) + "\n";
    if (text.empty()) {
      body += settle;
    } else {
      body += "while not exists \"" + text + "\"\nrem waiting\n";
      // The end's text may come before the rest of the screen: a prompt,
      // say. Unless a clock ticks, the replay ends on a screen at rest.
      if (burst.keys.empty() && !burst.clock_ticks) body += settle;
    }
    if (!burst.keys.empty()) body += "send \"" + KeyString(burst.keys) + "\"\n";
    longest = std::max(longest, burst.waited_ms);
  }
  const std::int64_t timeout = std::min(
      kLongestTimeoutMs,
      std::max(kShortestTimeoutMs, (longest * kTimeoutMargin + 999) / 1000 * 1000));
  return "rem Recorded by klavrec: replay it with " + replay + ".\n"
         "#define wait_timeout " + std::to_string(timeout) + "\n"
         "start \"" + command_line + "\"\n" + body;
}

int Recorder::Sends() const {
  return static_cast<int>(std::count_if(bursts_.begin(), bursts_.end(),
                                        [](const Burst& b) { return !b.keys.empty(); }));
}

}  // namespace recorder
