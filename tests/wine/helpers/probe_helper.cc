// Test helper: reports what a script did to windows and to its console,
// through files and a mark on its console that the script waits for. It ends
// by printing "MARK done" (or "MARK missing").
//   title OUTFILE MARK       the console's title, then its window's text
//   foreground OUTFILE MARK  the foreground window's title
//   waitwindow TITLE MARK    waits up to 30 s for a top-level window TITLE
//   hidden TITLE MARK        a hidden window TITLE and a visible one "TITLE
//                            visible", kept for 30 s after the mark
//   stderr - MARK            the mark on standard error only
//   lines W,H,N,COL MARK     N lines in a W x H window on a buffer of W x 1000,
//                            then the mark at column COL
//   seq N,ROWS,BURST MARK    the numbers 1 to N, a line each, on a buffer of ROWS
//                            rows: BURST lines a write, 50 ms between writes
//   ctrlc - MARK             "MARK waiting" for 30 s; Ctrl+C prints "MARK
//                            interrupted" and ends it
//   numlock OUTFILE MARK     "MARK ready"; the codes of the keys pressed until
//                            the second A, and whether NumLock flipped
//   after MS MARK            the mark after MS milliseconds
//   prompt OUTFILE MARK      "type a line: ", then the bytes of one line read
//                            from standard input, line end included
//   reaction OUTFILE MARK    five rounds: "MARKi shown", then the milliseconds
//                            until the console window is titled "MARKi seen"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string mark;

void SayTo(DWORD handle, const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(handle), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

void Say(const std::string& text) { SayTo(STD_OUTPUT_HANDLE, text); }

bool WriteWholeFile(const char* path, const std::string& text) {
  FILE* out = std::fopen(path, "wb");
  const bool written = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return out && std::fclose(out) == 0 && written;
}

std::string WindowText(HWND window) {
  char text[256] = "";
  if (window) GetWindowTextA(window, text, sizeof text);
  return text;
}

bool Title(const char* file) {
  char title[256] = "";
  GetConsoleTitleA(title, sizeof title);
  return WriteWholeFile(file, std::string(title) + "\n" + WindowText(GetConsoleWindow()) + "\n");
}

bool Foreground(const char* file) {
  return WriteWholeFile(file, WindowText(GetForegroundWindow()) + "\n");
}

bool WaitWindow(const char* title) {
  for (int tries = 0; !FindWindowA(nullptr, title); ++tries) {
    if (tries == 300) return false;
    Sleep(100);
  }
  return true;
}

bool Hidden(const char* title) {
  const std::string visible = std::string(title) + " visible";
  CreateWindowExA(0, "STATIC", visible.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                  100, nullptr, nullptr, nullptr, nullptr);
  CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                  nullptr, nullptr);
  Say(mark + " done\r\n");
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  ExitProcess(0);
}

bool Lines(const char* shape) {
  int width = 0, height = 0, lines = 0, column = 0;
  if (std::sscanf(shape, "%d,%d,%d,%d", &width, &height, &lines, &column) != 4) return false;
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const SMALL_RECT window{0, 0, static_cast<SHORT>(width - 1), static_cast<SHORT>(height - 1)};
  if (!SetConsoleScreenBufferSize(out, COORD{static_cast<SHORT>(width), 1000}) ||
      !SetConsoleWindowInfo(out, TRUE, &window))
    return false;
  for (int i = 1; i <= lines; ++i) Say("line " + std::to_string(i) + "\r\n");
  Say(std::string(column, ' ') + mark + " done");
  ExitProcess(0);
}

bool Seq(const char* shape) {
  int lines = 0, rows = 0, burst = 0;
  if (std::sscanf(shape, "%d,%d,%d", &lines, &rows, &burst) != 3 || burst < 1) return false;
  if (!SetConsoleScreenBufferSize(GetStdHandle(STD_OUTPUT_HANDLE), COORD{80, static_cast<SHORT>(rows)}))
    return false;
  std::string text;
  for (int i = 1; i <= lines; ++i) {
    text += std::to_string(i) + "\r\n";
    if (i % burst != 0 && i != lines) continue;
    Say(text);
    text.clear();
    Sleep(50);
  }
  return true;
}

BOOL WINAPI Interrupted(DWORD event) {
  if (event == CTRL_C_EVENT) Say(mark + " interrupted\r\n");
  return FALSE;  // the usual handling: the program ends
}

bool CtrlC() {
  SetConsoleCtrlHandler(Interrupted, TRUE);
  Say(mark + " waiting\r\n");
  Sleep(30000);
  return false;
}

bool NumLock(const char* file) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  Say(mark + " ready\r\n");
  std::string seen;
  DWORD first = 0, last = 0;  // NumLock's state on each A
  for (int letters = 0; letters < 2;) {
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputA(in, &record, 1, &got)) return false;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    if (got != 1 || record.EventType != KEY_EVENT || !key.bKeyDown) continue;
    char entry[8];
    std::snprintf(entry, sizeof entry, "%02x ", key.wVirtualKeyCode);
    seen += entry;
    if (key.wVirtualKeyCode != 'A') continue;
    (letters++ ? last : first) = key.dwControlKeyState & NUMLOCK_ON;
  }
  seen.back() = ',';
  return WriteWholeFile(file, seen + (first != last ? " numlock flipped\n" : " numlock kept\n"));
}

bool Prompt(const char* file) {
  Say("type a line: ");
  char line[512];
  DWORD got = 0;
  return ReadFile(GetStdHandle(STD_INPUT_HANDLE), line, sizeof line, &got, nullptr) &&
         WriteWholeFile(file, std::string(line, got));
}

bool Reaction(const char* file) {
  std::string report;
  LARGE_INTEGER frequency, shown, now;
  QueryPerformanceFrequency(&frequency);
  for (int round = 1; round <= 5; ++round) {
    const std::string name = mark + std::to_string(round);
    Sleep(400 + round * 37);  // a different phase against the waits' probes each time
    Say(name + " shown\r\n");
    QueryPerformanceCounter(&shown);
    while (WindowText(GetConsoleWindow()) != name + " seen") {
      QueryPerformanceCounter(&now);
      if (now.QuadPart - shown.QuadPart > frequency.QuadPart * 10) return false;
      Sleep(1);
    }
    QueryPerformanceCounter(&now);
    report += std::to_string((now.QuadPart - shown.QuadPart) * 1000 / frequency.QuadPart) + "\n";
  }
  return WriteWholeFile(file, report);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    Say("usage: probe_helper MODE ARG MARK\r\n");
    return 2;
  }
  const std::string mode = argv[1];
  const char* arg = argv[2];
  mark = argv[3];
  bool ok = false;
  if (mode == "title") ok = Title(arg);
  else if (mode == "foreground") ok = Foreground(arg);
  else if (mode == "waitwindow") ok = WaitWindow(arg);
  else if (mode == "hidden") ok = Hidden(arg);
  else if (mode == "lines") ok = Lines(arg);
  else if (mode == "seq") ok = Seq(arg);
  else if (mode == "ctrlc") ok = CtrlC();
  else if (mode == "numlock") ok = NumLock(arg);
  else if (mode == "reaction") ok = Reaction(arg);
  else if (mode == "prompt") ok = Prompt(arg);
  else if (mode == "after") {
    Sleep(std::atoi(arg));
    ok = true;
  } else if (mode == "stderr") {
    SayTo(STD_ERROR_HANDLE, mark + " done\r\n");
    return 0;
  }
  Say(mark + (ok ? " done\r\n" : " missing\r\n"));
  return ok ? 0 : 1;
}
