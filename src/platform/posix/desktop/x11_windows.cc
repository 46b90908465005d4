// The X server's top-level windows through Xlib.
//
// Xlib's default handlers end the process on a protocol error or a lost
// connection; a window that vanishes between two requests, or a server that
// goes away, must cost klavrun nothing but the X windows. So the handlers
// here only take note, and every request sequence ends in XSync to learn
// its outcome. (A server that went away is noticed by reading its hang-up
// before anything is written to it, so no SIGPIPE comes of it.)
//
// libX11 is loaded on the first window call made with DISPLAY set: most runs
// (in CI, from cron, over ssh) touch no window, loading it and its six
// libraries costs every start a third of a millisecond, and a machine without
// it can run scripts all the same.
#include "platform/posix/desktop/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>

namespace platform::x11 {
namespace {

enum AtomName {
  kNetClientListStacking,
  kNetWmName,
  kNetSupported,
  kNetActiveWindow,
  kAtomCount
};

constexpr const char* kAtomNames[kAtomCount] = {
    "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_NAME",
    "_NET_SUPPORTED",
    "_NET_ACTIVE_WINDOW",
};

/// Longest property read, in 32-bit units: far above any title or list.
constexpr long kMaxPropertyLength = 1L << 16;

/// _NET_ACTIVE_WINDOW source indication: a pager or similar tool acting
/// for the user, which window managers obey rather than merely flag.
constexpr long kSourceIsTool = 2;

struct ConnectionState {
  bool tried = false;
  bool lost = false;
  Display* display = nullptr;
  Atom atoms[kAtomCount] = {};
  unsigned long errors = 0;
};

ConnectionState x;

/// The Xlib calls used here, from the library loaded at run time.
struct Xlib {
  decltype(&::XCloseDisplay) CloseDisplay = nullptr;
  decltype(&::XFree) Free = nullptr;
  decltype(&::XGetWindowAttributes) GetWindowAttributes = nullptr;
  decltype(&::XGetWindowProperty) GetWindowProperty = nullptr;
  decltype(&::XInternAtoms) InternAtoms = nullptr;
  decltype(&::XMapRaised) MapRaised = nullptr;
  decltype(&::XOpenDisplay) OpenDisplay = nullptr;
  decltype(&::XQueryTree) QueryTree = nullptr;
  decltype(&::XRaiseWindow) RaiseWindow = nullptr;
  decltype(&::XSendEvent) SendEvent = nullptr;
  decltype(&::XSetErrorHandler) SetErrorHandler = nullptr;
  decltype(&::XSetIOErrorExitHandler) SetIOErrorExitHandler = nullptr;
  decltype(&::XSetIOErrorHandler) SetIOErrorHandler = nullptr;
  decltype(&::XSetInputFocus) SetInputFocus = nullptr;
  decltype(&::XSync) Sync = nullptr;
};

Xlib xlib;

template <typename Function>
bool Resolve(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(library, name));
  return *function != nullptr;
}

/// Loads libX11 once; false when the machine has none, or another one.
bool LoadXlib() {
  static const bool loaded = [] {
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    return library != nullptr &&
           Resolve(library, "XCloseDisplay", &xlib.CloseDisplay) &&
           Resolve(library, "XFree", &xlib.Free) &&
           Resolve(library, "XGetWindowAttributes", &xlib.GetWindowAttributes) &&
           Resolve(library, "XGetWindowProperty", &xlib.GetWindowProperty) &&
           Resolve(library, "XInternAtoms", &xlib.InternAtoms) &&
           Resolve(library, "XMapRaised", &xlib.MapRaised) &&
           Resolve(library, "XOpenDisplay", &xlib.OpenDisplay) &&
           Resolve(library, "XQueryTree", &xlib.QueryTree) &&
           Resolve(library, "XRaiseWindow", &xlib.RaiseWindow) &&
           Resolve(library, "XSendEvent", &xlib.SendEvent) &&
           Resolve(library, "XSetErrorHandler", &xlib.SetErrorHandler) &&
           Resolve(library, "XSetIOErrorExitHandler", &xlib.SetIOErrorExitHandler) &&
           Resolve(library, "XSetIOErrorHandler", &xlib.SetIOErrorHandler) &&
           Resolve(library, "XSetInputFocus", &xlib.SetInputFocus) &&
           Resolve(library, "XSync", &xlib.Sync);
  }();
  return loaded;
}

int NoteError(Display*, XErrorEvent*) {
  ++x.errors;
  return 0;
}

int NoteConnectionLost(Display*) {
  x.lost = true;
  return 0;
}

void KeepProcessAlive(Display*, void*) { x.lost = true; }

/// The display while its connection holds; a lost one is closed (Xlib
/// writes nothing to a connection it marked broken) and not reopened.
Display* Live() {
  if (x.lost && x.display != nullptr) {
    xlib.CloseDisplay(x.display);
    x.display = nullptr;
  }
  return x.display;
}

/// The open connection, opened on the first call; null without one.
Display* Connection() {
  if (!x.tried) {
    x.tried = true;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0' || !LoadXlib()) return nullptr;
    xlib.SetErrorHandler(NoteError);
    xlib.SetIOErrorHandler(NoteConnectionLost);
    Display* display = xlib.OpenDisplay(name);
    if (display == nullptr) return nullptr;
    xlib.SetIOErrorExitHandler(display, KeepProcessAlive, nullptr);
    xlib.InternAtoms(display, const_cast<char**>(kAtomNames), kAtomCount,
                     False, x.atoms);
    x.display = display;
  }
  return Live();
}

/// Waits for the server to have handled everything sent; true when none of
/// it failed and the connection held.
bool Synced(Display* display, unsigned long errors_before) {
  xlib.Sync(display, False);
  return !x.lost && x.errors == errors_before;
}

struct Property {
  Atom type = None;
  int format = 0;
  std::string bytes;                  // format 8
  std::vector<unsigned long> values;  // format 32
};

/// Reads a property; false when the window is gone or the connection
/// failed. An absent property reads as type None.
bool ReadProperty(Display* display, Window window, Atom name,
                  Property* property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long bytes_after = 0;
  unsigned char* data = nullptr;
  int status = xlib.GetWindowProperty(
      display, window, name, 0, kMaxPropertyLength, False, AnyPropertyType,
      &type, &format, &count, &bytes_after, &data);
  if (status != Success || x.lost) {
    if (data != nullptr) xlib.Free(data);
    return false;
  }
  property->type = type;
  property->format = format;
  if (data != nullptr) {
    if (format == 8) {
      property->bytes.assign(reinterpret_cast<const char*>(data), count);
    } else if (format == 32) {
      // Xlib hands 32-bit items over as longs.
      const unsigned long* items = reinterpret_cast<unsigned long*>(data);
      property->values.assign(items, items + count);
    }
    xlib.Free(data);
  }
  return true;
}

bool ReadTitle(Display* display, Window window, std::string* title) {
  title->clear();
  for (Atom name : {x.atoms[kNetWmName], Atom{XA_WM_NAME}}) {
    Property property;
    if (!ReadProperty(display, window, name, &property)) return false;
    if (property.type != None && property.format == 8) {
      *title = property.bytes;
      return true;
    }
  }
  return true;
}

/// The window manager's stacking list, bottom first; false without one.
bool ReadStackingList(Display* display, std::vector<unsigned long>* ids) {
  Property property;
  if (!ReadProperty(display, DefaultRootWindow(display),
                    x.atoms[kNetClientListStacking], &property) ||
      property.type != XA_WINDOW || property.format != 32)
    return false;
  *ids = std::move(property.values);
  return true;
}

/// The root's children, bottom first, that are mapped.
std::vector<unsigned long> MappedRootChildren(Display* display) {
  std::vector<unsigned long> ids;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!xlib.QueryTree(display, DefaultRootWindow(display), &root, &parent,
                      &children, &count))
    return ids;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (xlib.GetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state != IsUnmapped)
      ids.push_back(children[i]);
  }
  if (children != nullptr) xlib.Free(children);
  return ids;
}

bool TakesActivationRequests(Display* display) {
  Property supported;
  if (!ReadProperty(display, DefaultRootWindow(display),
                    x.atoms[kNetSupported], &supported) ||
      supported.type != XA_ATOM)
    return false;
  return std::find(supported.values.begin(), supported.values.end(),
                   x.atoms[kNetActiveWindow]) != supported.values.end();
}

}  // namespace

bool Available() {
  Display* display = Connection();
  if (display == nullptr) return false;
  xlib.Sync(display, False);  // finds out whether the server is still there
  return Live() != nullptr;
}

std::vector<TopWindow> TopLevelWindows() {
  std::vector<TopWindow> windows;
  Display* display = Connection();
  if (display == nullptr) return windows;
  std::vector<unsigned long> ids;
  bool managed = ReadStackingList(display, &ids);
  if (!managed) ids = MappedRootChildren(display);
  for (auto id = ids.rbegin(); id != ids.rend() && !x.lost; ++id) {
    TopWindow window{static_cast<std::uint32_t>(*id), {}};
    // A window gone since the list was read is left out.
    if (!ReadTitle(display, *id, &window.title)) continue;
    if (managed || !window.title.empty()) windows.push_back(std::move(window));
  }
  if (x.lost) windows.clear();
  return windows;
}

bool Title(std::uint32_t id, std::string* title) {
  Display* display = Connection();
  if (display == nullptr || title == nullptr) return false;
  return ReadTitle(display, id, title) && !x.lost;
}

bool Activate(std::uint32_t id) {
  Display* display = Connection();
  if (display == nullptr) return false;
  unsigned long errors_before = x.errors;
  Window root = DefaultRootWindow(display);
  if (TakesActivationRequests(display)) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = id;
    event.xclient.message_type = x.atoms[kNetActiveWindow];
    event.xclient.format = 32;
    event.xclient.data.l[0] = kSourceIsTool;
    event.xclient.data.l[1] = CurrentTime;
    xlib.SendEvent(display, root, False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    // Window managers that ignore the request still honour a map-raise.
    xlib.MapRaised(display, id);
  } else {
    xlib.RaiseWindow(display, id);
    xlib.SetInputFocus(display, id, RevertToParent, CurrentTime);
  }
  return Synced(display, errors_before);
}

}  // namespace platform::x11
