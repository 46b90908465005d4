#include "writers/secret_mask.h"

namespace writers {

void SecretMask::Add(const std::string& secret, const std::string& placeholder) {
  if (secret.empty()) return;
  for (const Secret& known : secrets_)
    if (known.text == secret) return;
  Secret added;
  added.text = secret;
  added.placeholder = placeholder;
  added.border.assign(secret.size(), 0);
  for (std::size_t i = 1, k = 0; i < secret.size(); ++i) {
    while (k > 0 && secret[i] != secret[k]) k = added.border[k - 1];
    if (secret[i] == secret[k]) ++k;
    added.border[i] = k;
  }
  secrets_.push_back(added);
}

// The bytes held back that a mismatch shows to be no secret go on; what
// still may be go on being held.
std::string SecretMask::Run(Secret& secret, const std::string& in) {
  std::string out;
  out.reserve(in.size());
  const std::string& text = secret.text;
  std::size_t& k = secret.matched;
  for (char c : in) {
    while (k > 0 && text[k] != c) {
      const std::size_t kept = secret.border[k - 1];
      out.append(text, 0, k - kept);
      k = kept;
    }
    if (text[k] == c) {
      if (++k < text.size()) continue;
      out += secret.placeholder;
      k = 0;
    } else {
      out += c;
    }
  }
  return out;
}

std::string SecretMask::Filter(const char* data, std::size_t length) {
  std::string text(data, length);
  for (Secret& secret : secrets_) text = Run(secret, text);
  return text;
}

std::string SecretMask::Flush() {
  std::string text;
  for (Secret& secret : secrets_) {
    text = Run(secret, text) + secret.text.substr(0, secret.matched);
    secret.matched = 0;
  }
  return text;
}

}  // namespace writers
