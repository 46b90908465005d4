// The JUnit XML report of a run: one testsuite holding one testcase, the
// script, with a failure when the run failed. Pure text; the runner writes
// it to the file --junit names.
#ifndef KLAVRUN_WRITERS_JUNIT_H_
#define KLAVRUN_WRITERS_JUNIT_H_

#include <cstdint>
#include <string>

namespace writers {

/// What the report says about one run of one script.
struct JunitResult {
  std::string Script;  // the testcase's name: the script as it was given
  std::uint64_t Milliseconds = 0;  // how long the run took
  bool Failed = false;
  std::string Message;  // the failure's explanation line
  std::string Kind;     // the failure's type: what ended the run
  std::string Text;     // the failure's text: the screen picture
};

/// The whole report, UTF-8, ending in a line end.
std::string JunitXml(const JunitResult& result);

/// `bytes` as XML 1.0 character data (or an attribute value, in double
/// quotes): markup characters escaped, each invalid UTF-8 sequence and each
/// character XML 1.0 does not allow replaced by U+FFFD. In an attribute,
/// tabs and line ends are escaped too, so that a reader gets them back.
std::string XmlText(const std::string& bytes, bool attribute);

}  // namespace writers

#endif  // KLAVRUN_WRITERS_JUNIT_H_
