// Secrets kept out of what is written about a run: a stream that comes in
// pieces, each secret in it replaced by its placeholder, however the pieces
// cut it.
#ifndef KLAVRUN_WRITERS_SECRET_MASK_H_
#define KLAVRUN_WRITERS_SECRET_MASK_H_

#include <cstddef>
#include <string>
#include <vector>

namespace writers {

class SecretMask {
 public:
  /// From now on, `secret` (not empty) becomes `placeholder`.
  void Add(const std::string& secret, const std::string& placeholder);
  /// The next piece of the stream, masked. What may be the start of a
  /// secret is held back until the next piece shows whether it is.
  std::string Filter(const char* data, std::size_t length);
  /// What is held back, at the stream's end.
  std::string Flush();
  bool Empty() const { return secrets_.empty(); }

 private:
  // One secret, found by Knuth-Morris-Pratt: `matched` bytes of it end the
  // stream so far and are held back.
  struct Secret {
    std::string text;
    std::string placeholder;
    std::vector<std::size_t> border;  // border[i]: of text[0..i], its longest proper border
    std::size_t matched = 0;
  };
  static std::string Run(Secret& secret, const std::string& in);

  std::vector<Secret> secrets_;
};

}  // namespace writers

#endif  // KLAVRUN_WRITERS_SECRET_MASK_H_
