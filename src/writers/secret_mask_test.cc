#include "writers/secret_mask.h"

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

}  // namespace
