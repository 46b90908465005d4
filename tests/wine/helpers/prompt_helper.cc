// Test helper: prompts on its console, reads one line from standard input
// and writes the bytes it received, line end included, to the file named by
// its argument. "line received" on the screen says the file is complete.
//   prompt_helper OUTFILE
#include <windows.h>

#include <cstring>

static void Say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text,
            static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    Say("usage: prompt_helper OUTFILE\r\n");
    return 2;
  }
  Say("type a line: ");
  char line[512];
  DWORD got = 0;
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), line, sizeof line, &got,
                nullptr)) {
    Say("read failed\r\n");
    return 1;
  }
  HANDLE out = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    Say("cannot create the output file\r\n");
    return 1;
  }
  DWORD written = 0;
  WriteFile(out, line, got, &written, nullptr);
  CloseHandle(out);
  Say("line received\r\n");
  return 0;
}
