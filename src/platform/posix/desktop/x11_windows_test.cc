// The X windows on a real X server (xvfb-run -a); the tests play the window manager.
#include "platform/posix/desktop/x11_windows.h"

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros break it
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/socket.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace platform::x11;
using Titles = std::vector<std::string>;
enum State { kUnmapped, kMapped, kGone };

class X11Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no DISPLAY";
    ASSERT_NE(display_ = XOpenDisplay(nullptr), nullptr);
    root_ = DefaultRootWindow(display_);
  }
  void TearDown() override {
    if (display_ == nullptr) return;
    for (const char* name : {"_NET_CLIENT_LIST_STACKING", "_NET_SUPPORTED"})
      XDeleteProperty(display_, root_, Intern(name));
    XCloseDisplay(display_);  // and the windows with it
  }
  Atom Intern(const char* name) { return XInternAtom(display_, name, False); }
  /// Sets a property of `count` items (none: left unset); 32-bit ones as longs.
  void Set(Window window, Atom name, Atom type, int format, const void* items, int count) {
    if (count > 0) XChangeProperty(display_, window, name, type, format, PropModeReplace,
                                   static_cast<const unsigned char*>(items), count);
    XSync(display_, False);
  }
  Window Make(const std::string& net_name, const std::string& wm_name = "", State state = kMapped) {
    Window window = XCreateSimpleWindow(display_, root_, 0, 0, 100, 50, 0, 0, 0);
    Set(window, Intern("_NET_WM_NAME"), Intern("UTF8_STRING"), 8, net_name.data(), net_name.size());
    Set(window, XA_WM_NAME, XA_STRING, 8, wm_name.data(), wm_name.size());
    if (state != kUnmapped) XMapWindow(display_, window);
    if (state == kGone) XDestroyWindow(display_, window);
    XSync(display_, False);
    return window;
  }
  Display* display_ = nullptr;
  Window root_ = None;
};

// A title is _NET_WM_NAME, else WM_NAME, as bytes.
TEST_F(X11Windows, StackingAndActivationWithoutThenWithAWindowManager) {
  Window alpha = Make("Alpha"), gone = Make("Gone", "", kGone), beta = Make("Beta", "Plain");
  Window untitled = Make(""), hidden = Make("Hidden", "", kUnmapped);
  Make("", "Gamma \xe9");
  auto focused = [&] { Window w; int revert; return XGetInputFocus(display_, &w, &revert), w; };
  // TopLevelWindows() as titles: the server has no windows but these.
  auto listed = [] { Titles t; for (auto& w : TopLevelWindows()) t.push_back(w.title); return t; };
  // No window manager: the root's titled, mapped children, top first.
  EXPECT_EQ(listed(), (Titles{"Gamma \xe9", "Beta", "Alpha"}));
  EXPECT_TRUE(Activate(alpha));
  EXPECT_EQ(focused(), alpha);
  EXPECT_EQ(listed(), (Titles{"Alpha", "Gamma \xe9", "Beta"}));
  EXPECT_FALSE(Activate(gone));  // an X error costs nothing but the answer

  // The window manager's list, bottom first, taken as it is and alone.
  unsigned long stacking[] = {beta, gone, hidden, untitled, alpha};
  Set(root_, Intern("_NET_CLIENT_LIST_STACKING"), XA_WINDOW, 32, stacking, 5);
  EXPECT_EQ(listed(), (Titles{"Alpha", "", "Hidden", "Beta"}));
  // Activation is asked of it, as by a tool acting for the user (2).
  unsigned long active = Intern("_NET_ACTIVE_WINDOW");
  XSelectInput(display_, root_, SubstructureRedirectMask);  // take its requests
  Set(root_, Intern("_NET_SUPPORTED"), XA_ATOM, 32, &active, 1);
  EXPECT_TRUE(Activate(beta));
  XSync(display_, False);
  XEvent event;
  ASSERT_TRUE(XCheckTypedEvent(display_, ClientMessage, &event));
  EXPECT_EQ(std::tuple(event.xclient.window, event.xclient.message_type, event.xclient.data.l[0]),
            std::tuple(beta, active, 2L));
  EXPECT_EQ(focused(), alpha);  // the window manager decides
}

/// Run in a child: 0 when every call answers "nothing there" once the connection made
/// was cut after `first_call`. (Without a server at all: the end-to-end cases.)
int NothingThere(const std::function<void()>& first_call) {
  if (!Available()) return 11;
  // Seen from here as a server gone: reads find the end, writes a broken pipe.
  for (int fd = 3; fd < 1024; ++fd) shutdown(fd, SHUT_RDWR);  // the one socket
  first_call();
  std::string title;
  if (!TopLevelWindows().empty() || Title(1, &title) || Activate(1)) return 12;
  return Available() ? 13 : 0;
}

// A fresh process per case, as the connection is made once per process.
TEST(X11Connection, ALostServerMeansNoWindowsAndTheProcessGoesOn) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no DISPLAY";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::vector<std::function<void()>> first_calls = {[] { TopLevelWindows(); }, [] { Activate(1); }};
  for (const auto& first_call : first_calls)  // and nothing is said
    EXPECT_EXIT(std::exit(NothingThere(first_call)), ::testing::ExitedWithCode(0), "^$");
}

}  // namespace
