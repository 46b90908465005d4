#include "writers/asciicast.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace writers {
namespace {

std::string Json(const std::string& bytes) {
  std::string out;
  AppendJsonString(bytes.data(), bytes.size(), &out);
  return out;
}

#define FFFD "\xEF\xBF\xBD"

TEST(AsciicastText, StringsAreValidJsonOnOneLine) {
  const struct { std::string bytes, json; } kRows[] = {
      {"\"C:\\\b\f\n\r\t", "\"\\\"C:\\\\\\b\\f\\n\\r\\t\""},
      {std::string("\x00\x1b[0m\x7f", 6), "\"\\u0000\\u001b[0m\\u007f\""},
      // C1 controls, a line separator.
      {"\xc2\x85\xc2\x9f\xc2\xa0" "a\xe2\x80\xa8", "\"\\u0085\\u009f\xc2\xa0" "a\\u2028\""},
      // Each invalid sequence, as long as its valid start, is one U+FFFD.
      {"\xff\x80" "a", "\"" FFFD FFFD "a\""}, {"\xc0\x80", "\"" FFFD FFFD "\""},  // a longer form
      {"\xed\xa0\x80", "\"" FFFD FFFD FFFD "\""},                        // a surrogate
      {"\xf4\x90\x80\x80", "\"" FFFD FFFD FFFD FFFD "\""},               // past U+10FFFF
      {"\xe2\x82" "A\xf0\x9f\x98" "\"", "\"" FFFD "A" FFFD "\\\"\""},
      {"end\xe2\x82", "\"end" FFFD "\""},
  };
  for (const auto& row : kRows) EXPECT_EQ(Json(row.bytes), row.json) << row.json;
}

// A step: 'o' or 'i' stream bytes, 'm' a marker, 'f' the finish.
struct Step { char what; std::uint64_t micros; std::string bytes; };

std::string Events(const std::vector<Step>& steps) {
  Asciicast cast(0, 80, 25, "");
  cast.Text().clear();
  for (const Step& step : steps) {
    if (step.what == 'm')
      cast.Marker(step.micros, step.bytes);
    else if (step.what == 'f')
      cast.Finish(step.micros);
    else
      cast.Stream(step.what, step.micros, step.bytes.data(), step.bytes.size());
  }
  return cast.Text();
}

TEST(AsciicastText, EventsKeepCharactersWholeAndTimeGoingForward) {
  const struct { std::vector<Step> steps; std::string events; } kRows[] = {
      // A character split between two reads; the other stream is not held up.
      {{{'o', 1, "caf\xc3"}, {'i', 2, "\xc3"}, {'o', 3, "\xa9!"}, {'i', 4, "\xa9"}},
       "[0.000001, \"o\", \"caf\"]\n[0.000003, \"o\", \"\xc3\xa9!\"]\n"
       "[0.000004, \"i\", \"\xc3\xa9\"]\n"},
      // Held back, then not completed: replaced like any invalid sequence.
      {{{'o', 1, "a\xe2"}, {'i', 2, "\xe2\x82"}, {'f', 3, ""}},
       "[0.000001, \"o\", \"a\"]\n[0.000003, \"o\", \"" FFFD "\"]\n"
       "[0.000003, \"i\", \"" FFFD "\"]\n"},
      // A clock that goes back is held at the last time.
      {{{'o', 2000000, "a"}, {'m', 1999999, "b"}}, "[2.000000, \"o\", \"a\"]\n[2.000000, \"m\", \"b\"]\n"},
  };
  for (const auto& row : kRows) EXPECT_EQ(Events(row.steps), row.events);
}

}  // namespace
}  // namespace writers
