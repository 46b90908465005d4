#include "writers/junit.h"

#include <gtest/gtest.h>

namespace {

// What a screen may hold, made fit for XML 1.0: each row the bytes, then
// the text and the attribute value they become.
TEST(JunitXml, EscapesMarkupAndReplacesWhatXmlCannotHold) {
  const struct { std::string bytes; const char *text, *attribute; } rows[] = {
      {"a<b>&c \"d\" 'e'", "a&lt;b&gt;&amp;c \"d\" 'e'", "a&lt;b&gt;&amp;c &quot;d&quot; 'e'"},
      {"]]>", "]]&gt;", "]]&gt;"},
      {"row\tone\r\nrow two", "row\tone&#13;\nrow two", "row&#9;one&#13;&#10;row two"},
      {std::string("\x01\x1b[m\x7f", 5), "\xEF\xBF\xBD\xEF\xBF\xBD[m\x7f", "\xEF\xBF\xBD\xEF\xBF\xBD[m\x7f"},
      {std::string("nul\0", 4), "nul\xEF\xBF\xBD", "nul\xEF\xBF\xBD"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
       "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      // Latin-1, a cut character, an overlong form, a surrogate, U+FFFF.
      {"\xE9t\xC3", "\xEF\xBF\xBDt\xEF\xBF\xBD", "\xEF\xBF\xBDt\xEF\xBF\xBD"},
      {"\xC0\xAF\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xEF\xBF\xBF.", "\xEF\xBF\xBD.", "\xEF\xBF\xBD."},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(writers::XmlText(row.bytes, false), row.text) << row.bytes;
    EXPECT_EQ(writers::XmlText(row.bytes, true), row.attribute) << row.bytes;
  }
}

TEST(JunitXml, AFailureCarriesItsExplanationKindAndScreen) {
  writers::JunitResult result;
  result.Script = "t/a&b.klav";
  result.Milliseconds = 61005;
  result.Failed = true;
  result.Message = "t/a&b.klav:5: error: Timeout in while not exists";
  result.Kind = "failed line";
  result.Text = "$ <x>\n";
  EXPECT_EQ(writers::JunitXml(result),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<testsuite name=\"klavrun\" tests=\"1\" failures=\"1\" errors=\"0\" skipped=\"0\" "
            "time=\"61.005\">\n"
            "  <testcase name=\"t/a&amp;b.klav\" classname=\"klavrun\" time=\"61.005\">\n"
            "    <failure message=\"t/a&amp;b.klav:5: error: Timeout in while not exists\" "
            "type=\"failed line\">$ &lt;x&gt;\n</failure>\n"
            "  </testcase>\n"
            "</testsuite>\n");
}

}  // namespace
