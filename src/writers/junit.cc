#include "writers/junit.h"

#include "writers/utf8.h"

namespace writers {
namespace {

// Characters XML 1.0 allows: tab, line feed, carriage return, and the rest
// from U+0020 on, but for the surrogates (never valid UTF-8) and U+FFFE, U+FFFF.
bool AllowedInXml(std::uint32_t c) {
  return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF);
}

const char* Escape(std::uint32_t c, bool attribute) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";  // "]]>" may not appear in text
    case '\r': return "&#13;";  // a reader would turn CR LF into LF
    case '"': return attribute ? "&quot;" : nullptr;
    case '\t': return attribute ? "&#9;" : nullptr;
    case '\n': return attribute ? "&#10;" : nullptr;
  }
  return nullptr;
}

// Seconds with three decimals, as the JUnit time attributes want them.
std::string Seconds(std::uint64_t ms) {
  std::string thousandths = std::to_string(ms % 1000);
  return std::to_string(ms / 1000) + "." + std::string(3 - thousandths.size(), '0') + thousandths;
}

}  // namespace

std::string XmlText(const std::string& bytes, bool attribute) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const Utf8Sequence s = ReadUtf8(p + i, bytes.size() - i);
    const char* escape = s.kind == Utf8::kValid ? Escape(s.code_point, attribute) : nullptr;
    if (s.kind != Utf8::kValid || !AllowedInXml(s.code_point))
      out += kReplacement;
    else if (escape)
      out += escape;
    else
      out.append(bytes, i, s.length);
    i += s.length;
  }
  return out;
}

std::string JunitXml(const JunitResult& result) {
  const std::string time = Seconds(result.Milliseconds);
  const std::string failures = result.Failed ? "1" : "0";
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<testsuite name=\"klavrun\" tests=\"1\" failures=\"" + failures +
      "\" errors=\"0\" skipped=\"0\" time=\"" + time + "\">\n"
      "  <testcase name=\"" + XmlText(result.Script, true) +
      "\" classname=\"klavrun\" time=\"" + time + "\"";
  if (!result.Failed) return xml + "/>\n</testsuite>\n";
  return xml + ">\n    <failure message=\"" + XmlText(result.Message, true) + "\" type=\"" +
         XmlText(result.Kind, true) + "\">" + XmlText(result.Text, false) +
         "</failure>\n  </testcase>\n</testsuite>\n";
}

}  // namespace writers
