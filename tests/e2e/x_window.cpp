// x-window: holds a top-level window with a given title open on the X display, as the host
// program would, until its standard input closes; then closes it and exits.
//
//   x-window "Select Quorlin User" < control-pipe
//
// It prints "open" once the window exists on the display, and "closed" once it is gone.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: x-window <title>\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x-window: no display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 10, 10, 200, 50, 1,
                                      BlackPixel(display, screen), WhitePixel(display, screen));
  const char* title = argv[1];
  XStoreName(display, window, title);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                  XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("open\n");
  std::fflush(stdout);

  char buffer[64];
  while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
  }
  XDestroyWindow(display, window);
  XSync(display, False);
  XCloseDisplay(display);
  std::printf("closed\n");
  return 0;
}
