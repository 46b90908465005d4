#include "platform/record/record_test_support.h"

#include <cstdio>

#include "keys/activate.h"
#include "runner/globals.h"
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

std::vector<std::string> KeyEvents() {
  std::vector<std::string> out;
  for (const std::string& call : record::TheWorld().Calls) {
    unsigned vk, scan, flags;
    unsigned long ms;
    char text[256];
    if (std::sscanf(call.c_str(), "keybd_event(0x%x, 0x%x, 0x%x, 0x0)", &vk, &scan, &flags) == 3) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%x %x %x", vk, scan, flags);
      out.push_back(buf);
    } else if (std::sscanf(call.c_str(), "MessageBoxA(0x0, \"%255[^\"]\"", text) == 1) {
      out.push_back(std::string("box ") + text);
    } else if (std::sscanf(call.c_str(), "Sleep(0x%lx)", &ms) == 1) {
      out.push_back("sleep " + std::to_string(ms));
    }
  }
  return out;
}

std::vector<std::string> Events(const std::string& list) {
  std::vector<std::string> out;
  std::string::size_type start = 0;
  while (start <= list.size()) {
    std::string::size_type bar = list.find('|', start);
    if (bar == std::string::npos) bar = list.size();
    std::string item = list.substr(start, bar - start);
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    while (!item.empty() && item.back() == ' ') item.pop_back();
    if (!item.empty()) out.push_back(item);
    start = bar + 1;
  }
  return out;
}
