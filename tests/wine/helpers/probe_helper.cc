// Test helper: reports what a script did to windows, through files and a
// marker line on its console that the script can wait for.
//   probe_helper title OUTFILE MARK       console title, then the text of
//                                         the console window, one a line
//   probe_helper foreground OUTFILE MARK  the foreground window's title
//   probe_helper waitwindow TITLE MARK    waits up to 30 s for a top-level
//                                         window of that title
// Each mode ends by printing "MARK done" (or "MARK missing").
#include <windows.h>

#include <cstring>
#include <string>

static void Say(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(),
            static_cast<DWORD>(text.size()), &written, nullptr);
}

static bool WriteWholeFile(const char* path, const std::string& text) {
  HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(out, text.data(), static_cast<DWORD>(text.size()),
                      &written, nullptr);
  CloseHandle(out);
  return ok && written == text.size();
}

static std::string WindowText(HWND window) {
  char text[256] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    Say("usage: probe_helper title|foreground|waitwindow ARG MARK\r\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string mark = argv[3];
  if (mode == "title") {
    char title[256] = "";
    GetConsoleTitleA(title, sizeof title);
    std::string report = std::string(title) + "\n" +
                         WindowText(GetConsoleWindow()) + "\n";
    if (!WriteWholeFile(argv[2], report)) return 1;
  } else if (mode == "foreground") {
    if (!WriteWholeFile(argv[2], WindowText(GetForegroundWindow()) + "\n"))
      return 1;
  } else if (mode == "waitwindow") {
    for (int tries = 0; !FindWindowA(nullptr, argv[2]); ++tries) {
      if (tries == 300) {
        Say(mark + " missing\r\n");
        return 1;
      }
      Sleep(100);
    }
  } else {
    Say("unknown mode\r\n");
    return 2;
  }
  Say(mark + " done\r\n");
  return 0;
}
