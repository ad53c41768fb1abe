// frame_watch: how long after an input command the content of an X window first changes.
//
//   frame_watch WINDOW-ID [TIMEOUT-MS] -- COMMAND [ARG...]
//
// Reads the window's pixels, starts COMMAND (an xdotool click or key press), and reads the
// pixels again as fast as the X server answers until they differ. Prints the milliseconds
// from the start of COMMAND to the first changed read, or "timeout". Each read is a whole
// XGetImage of the window, so the resolution is the time of one read (about a millisecond
// for a 480 x 640 window on Xvfb).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The window's pixels now, or empty when the window cannot be read.
std::vector<char> ReadPixels(Display* display, Window window, int width, int height) {
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (!image) return {};
  std::vector<char> pixels(image->data, image->data + static_cast<size_t>(image->bytes_per_line) * height);
  XDestroyImage(image);
  return pixels;
}

int Usage() {
  std::fprintf(stderr, "usage: frame_watch WINDOW-ID [TIMEOUT-MS] -- COMMAND [ARG...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  Window window = std::strtoul(argv[1], nullptr, 0);
  int timeoutMs = 2000;
  int at = 2;
  if (std::strcmp(argv[at], "--") != 0) timeoutMs = std::atoi(argv[at++]);
  if (at >= argc || std::strcmp(argv[at], "--") != 0 || at + 1 >= argc) return Usage();
  char** command = argv + at + 1;

  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "frame_watch: cannot open the X display\n");
    return 1;
  }
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) {
    std::fprintf(stderr, "frame_watch: no window %s\n", argv[1]);
    return 1;
  }
  const int width = attributes.width;
  const int height = attributes.height;
  std::vector<char> before = ReadPixels(display, window, width, height);
  if (before.empty()) {
    std::fprintf(stderr, "frame_watch: cannot read window %s\n", argv[1]);
    return 1;
  }

  Clock::time_point start = Clock::now();
  pid_t child = fork();
  if (child == 0) {
    execvp(command[0], command);
    std::perror("frame_watch: exec");
    _exit(127);
  }
  if (child < 0) {
    std::perror("frame_watch: fork");
    return 1;
  }
  double changedMs = -1;
  while (Clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
    std::vector<char> now = ReadPixels(display, window, width, height);
    if (!now.empty() && now != before) {
      changedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  XCloseDisplay(display);
  if (changedMs < 0) {
    std::printf("timeout\n");
    return 3;
  }
  std::printf("%.1f\n", changedMs);
  return 0;
}
