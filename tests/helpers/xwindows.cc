// X windows for the end-to-end tests.
//
//   xwindows create TITLE...  maps one top-level window per title (WM_NAME
//                             and _NET_WM_NAME, the title's bytes), prints
//                             their ids one a line, and stays until killed
//   xwindows focus            prints "focus ID" for the window that has the
//                             input focus
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

namespace {

int Create(Display* display, int count, char** titles) {
  Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Window root = DefaultRootWindow(display);
  for (int i = 0; i < count; ++i) {
    Window window =
        XCreateSimpleWindow(display, root, 10 * i, 10 * i, 200, 100, 0, 0,
                            WhitePixel(display, DefaultScreen(display)));
    const unsigned char* title =
        reinterpret_cast<const unsigned char*>(titles[i]);
    int length = static_cast<int>(std::strlen(titles[i]));
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8,
                    PropModeReplace, title, length);
    XChangeProperty(display, window, net_wm_name, utf8, 8, PropModeReplace,
                    title, length);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
  }
  std::fflush(stdout);
  // The windows live as long as the connection; killing us ends both.
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}

int Focus(Display* display) {
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  std::printf("focus 0x%lx\n", focus);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool create = argc >= 3 && std::strcmp(argv[1], "create") == 0;
  bool focus = argc == 2 && std::strcmp(argv[1], "focus") == 0;
  if (!create && !focus) {
    std::fprintf(stderr, "usage: xwindows create TITLE... | xwindows focus\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "xwindows: no X server\n");
    return 1;
  }
  int code = create ? Create(display, argc - 2, argv + 2) : Focus(display);
  XCloseDisplay(display);
  return code;
}
