// Implements the window search of platform.h for the posix backend: top-level windows are the
// windows of the X display named by DISPLAY (Wine shows the windows of Windows programs there),
// and there are none when no display can be reached. libX11 is loaded when first needed, so that
// the installer runs where it is not installed.

#include <cstdlib>
#include <cstring>

#include <dlfcn.h>

#include "platform/platform.h"

namespace {

// The few Xlib types and calls used, declared as Xlib declares them.
using XDisplay = void;
using XWindow = unsigned long;
using XAtom = unsigned long;

struct Xlib {
  XDisplay* (*OpenDisplay)(const char*);
  int (*CloseDisplay)(XDisplay*);
  XWindow (*DefaultRootWindow)(XDisplay*);
  int (*QueryTree)(XDisplay*, XWindow, XWindow*, XWindow*, XWindow**, unsigned*);
  int (*FetchName)(XDisplay*, XWindow, char**);
  XAtom (*InternAtom)(XDisplay*, const char*, int);
  int (*GetWindowProperty)(XDisplay*, XWindow, XAtom, long, long, int, XAtom, XAtom*, int*, unsigned long*,
                           unsigned long*, unsigned char**);
  int (*Free)(void*);
};

const Xlib* LoadXlib() {
  static Xlib xlib;
  static bool loaded = false;
  static bool tried = false;
  if (tried) return loaded ? &xlib : nullptr;
  tried = true;
  void* library = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto find = [library](const char* name) { return ::dlsym(library, name); };
  xlib.OpenDisplay = reinterpret_cast<decltype(xlib.OpenDisplay)>(find("XOpenDisplay"));
  xlib.CloseDisplay = reinterpret_cast<decltype(xlib.CloseDisplay)>(find("XCloseDisplay"));
  xlib.DefaultRootWindow = reinterpret_cast<decltype(xlib.DefaultRootWindow)>(find("XDefaultRootWindow"));
  xlib.QueryTree = reinterpret_cast<decltype(xlib.QueryTree)>(find("XQueryTree"));
  xlib.FetchName = reinterpret_cast<decltype(xlib.FetchName)>(find("XFetchName"));
  xlib.InternAtom = reinterpret_cast<decltype(xlib.InternAtom)>(find("XInternAtom"));
  xlib.GetWindowProperty = reinterpret_cast<decltype(xlib.GetWindowProperty)>(find("XGetWindowProperty"));
  xlib.Free = reinterpret_cast<decltype(xlib.Free)>(find("XFree"));
  loaded = xlib.OpenDisplay && xlib.CloseDisplay && xlib.DefaultRootWindow && xlib.QueryTree && xlib.FetchName &&
           xlib.InternAtom && xlib.GetWindowProperty && xlib.Free;
  return loaded ? &xlib : nullptr;
}

// Whether the window's title is exactly `title`: its UTF-8 name when it has one (the ASCII titles
// looked for are the same in UTF-8), else its Latin-1 name.
bool HasTitle(const Xlib& x, XDisplay* display, XWindow window, XAtom netName, XAtom utf8, const char* title) {
  XAtom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (x.GetWindowProperty(display, window, netName, 0, 1024, 0, utf8, &type, &format, &count, &after, &data) == 0 &&
      data != nullptr) {
    const bool same = type == utf8 && format == 8 && std::strlen(title) == count &&
                      std::memcmp(data, title, count) == 0;
    x.Free(data);
    if (type == utf8) return same;
  }
  char* name = nullptr;
  if (x.FetchName(display, window, &name) == 0 || name == nullptr) return false;
  const bool same = std::strcmp(name, title) == 0;
  x.Free(name);
  return same;
}

// Searches the children of `parent` and, where a window manager has put top-level windows into
// frames, their children.
bool Search(const Xlib& x, XDisplay* display, XWindow parent, int depth, XAtom netName, XAtom utf8,
            const char* title) {
  XWindow root = 0, up = 0;
  XWindow* children = nullptr;
  unsigned count = 0;
  if (x.QueryTree(display, parent, &root, &up, &children, &count) == 0) return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i) {
    found = HasTitle(x, display, children[i], netName, utf8, title) ||
            (depth > 1 && Search(x, display, children[i], depth - 1, netName, utf8, title));
  }
  if (children != nullptr) x.Free(children);
  return found;
}

}  // namespace

bool SysFindTopLevelWindow(const char* title) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || name[0] == 0) return false;
  const Xlib* x = LoadXlib();
  if (x == nullptr) return false;
  XDisplay* display = x->OpenDisplay(name);
  if (display == nullptr) return false;
  const XAtom netName = x->InternAtom(display, "_NET_WM_NAME", 0);
  const XAtom utf8 = x->InternAtom(display, "UTF8_STRING", 0);
  const bool found = Search(*x, display, x->DefaultRootWindow(display), 2, netName, utf8, title);
  x->CloseDisplay(display);
  return found;
}
