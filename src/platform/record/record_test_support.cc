#include "platform/record/record_test_support.h"

#include <cstdio>

#include "keys/activate.h"
#include "platform/us_layout.h"
#include "runner/main.h"
#include "runner/output.h"

void ResetAll() {
  record::ResetWorld();
  ResetRunState();
  ResetOutput();
  FoundWindow = 0;
}

RunResult RunKlavrun(const std::vector<std::string>& args) {
  RunResult result;
  try {
    ProgramEntry(args);
  } catch (const record::Exited& e) {
    result.Code = e.Code;
  }
  result.Output = record::TheWorld().Output;
  return result;
}

RunResult RunScript(const std::string& script) {
  record::TheWorld().Files["script.txt"].Content = script;
  return RunKlavrun({"script.txt"});
}

std::vector<std::string> CallsNamed(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& call : record::TheWorld().Calls)
    for (const std::string& name : names)
      if (call.compare(0, name.size() + 1, name + "(") == 0) out.push_back(call);
  return out;
}

std::string Keys() {
  std::vector<std::string> tokens;
  for (const std::string& call : record::TheWorld().Calls) {
    unsigned vk, scan, flags;
    unsigned long ms;
    char text[256], token[300], hex[16];
    if (std::sscanf(call.c_str(), "keybd_event(0x%x, 0x%x, 0x%x, 0x0)", &vk, &scan, &flags) == 3) {
      const std::string x = flags & 1 ? "x" : "";
      std::snprintf(hex, sizeof hex, "%x", vk);
      if (flags > 3 || scan != (platform::UsMapVirtualKey(vk, 0) & 0xff)) {
        std::snprintf(token, sizeof token, "%x/%x/%x", vk, scan, flags);
      } else if (flags & 2 && !tokens.empty() && tokens.back() == x + "d" + hex) {
        tokens.back() = (x.empty() ? "a" : "x") + std::string(hex);  // a press and release in a row
        continue;
      } else {
        std::snprintf(token, sizeof token, "%s%c%s", x.c_str(), flags & 2 ? 'u' : 'd', hex);
      }
    } else if (std::sscanf(call.c_str(), "MessageBoxA(0x0, \"%255[^\"]\"", text) == 1) {
      for (char* c = text; *c; ++c)
        if (*c == ' ') *c = '_';
      std::snprintf(token, sizeof token, "box:%s", text);
    } else if (std::sscanf(call.c_str(), "Sleep(0x%lx)", &ms) == 1) {
      std::snprintf(token, sizeof token, "s%lu", ms);
    } else {
      continue;
    }
    tokens.push_back(token);
  }
  std::string out;
  for (const std::string& t : tokens) out += (out.empty() ? "" : " ") + t;
  return out;
}
