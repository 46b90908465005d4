#include "runner/errors.h"

std::string InOutErrorMessage(platform::DWORD code) {
  switch (code) {
    case platform::ERROR_FILE_NOT_FOUND: return "File not found";
    case platform::ERROR_PATH_NOT_FOUND: return "Invalid filename";
    case platform::ERROR_TOO_MANY_OPEN_FILES: return "Too many open files";
    case platform::ERROR_ACCESS_DENIED: return "File access denied";
    case platform::ERROR_FILE_EXISTS: return "File exists";
  }
  return "I/O error " + std::to_string(code);
}

void RaiseInOutError(platform::DWORD code, const std::string& why) {
  throw RaisedError{"EInOutError", InOutErrorMessage(code), why};
}

void RaiseConvertError(const std::string& text) {
  throw RaisedError{"EConvertError", "'" + text + "' is not a valid integer value", ""};
}
