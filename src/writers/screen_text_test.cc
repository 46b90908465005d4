#include "writers/screen_text.h"

#include <gtest/gtest.h>

namespace {

// The screen's cells as rows of 8 bytes ("|" between rows, "." a NUL no
// program wrote), the secrets, and the text of the screen.
TEST(ScreenText, ShowsEachSecretAsStarsWhereItStandsAcrossRowsToo) {
  const struct { std::string cells; std::vector<std::string> secrets; std::string text; } rows[] = {
      {"pw: s3cr|et  ....", {"s3cret"}, "pw: ****\n**\n"},  // a full row runs on into the next
      {"pw: s3..|cret....", {"s3cret"}, "pw: s3\ncret\n"},  // a short row does not
      {"aaaaa...|s3cret..", {"aa", "s3cret"}, "****a\n******\n"},
      {"id s3cre|t3 s3cre|t.......", {"s3cret"}, "id *****\n*3 *****\n*\n"},
      {"as it is|........", {}, "as it is\n\n"},
  };
  for (const auto& row : rows) {
    std::string cells;
    for (char c : row.cells) {
      if (c != '|') cells += c == '.' ? '\0' : c;
    }
    EXPECT_EQ(writers::ScreenText(cells.data(), static_cast<int>(cells.size() / 8), 8, row.secrets),
              row.text)
        << row.cells;
  }
}

}  // namespace
