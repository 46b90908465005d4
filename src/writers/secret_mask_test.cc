#include "writers/secret_mask.h"

#include "writers/screen_text.h"

#include <gtest/gtest.h>

namespace {

// Each row: the secrets, the stream's pieces, and what comes out of them
// all, the held-back end included. "|" separates pieces.
TEST(SecretMask, ReplacesEverySecretHoweverThePiecesCutIt) {
  const struct { std::vector<std::string> secrets; std::string pieces, out; } rows[] = {
      {{"hunter2"}, "login: hunter2\r\n", "login: [s0]\r\n"},
      {{"hunter2"}, "hun|ter|2 and hunter|2", "[s0] and [s0]"},
      {{"hunter2"}, "hunhunter2hunte", "hun[s0]hunte"},
      {{"aab"}, "aaab|aa|aab", "a[s0]aa[s0]"},
      {{"abab"}, "abababab", "[s0][s0]"},
      {{"ab", "cd"}, "xabycdz|a|b", "x[s0]y[s1]z[s0]"},
      {{"abc", "[s0]"}, "abc", "[s1]"},  // a later secret is looked for in what comes out
      {{}, "as it is", "as it is"},
  };
  for (const auto& row : rows) {
    writers::SecretMask mask;
    for (std::size_t i = 0; i < row.secrets.size(); ++i)
      mask.Add(row.secrets[i], "[s" + std::to_string(i) + "]");
    std::string out, piece;
    std::string pieces = row.pieces + "|";
    for (char c : pieces) {
      if (c != '|') {
        piece += c;
        continue;
      }
      out += mask.Filter(piece.data(), piece.size());
      piece.clear();
    }
    EXPECT_EQ(out + mask.Flush(), row.out) << row.pieces;
  }
}


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
