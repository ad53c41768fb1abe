// Times a real start-up on an X display, as a person sees it: from exec to the window
// shown, and to its settled frame (the register painted). The window (found by its name)
// is read from the screen every two milliseconds; the settled frame is the one nothing
// changes after for the settle time, and it counts from when it first showed.
// Each run ends the program with SIGTERM; the medians of the runs are printed last.
//
//   startup_timer [--runs N] [--settle-ms M] [--name TITLE] -- PROGRAM [ARGUMENTS...]
//
// Run by benchmarks/startup_under_xvfb.sh, which makes the devices and the display.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// A top-level window of that name, searched below the root (no window manager on the
// display, but a frame window is looked through too).
Window FindNamed(Display* display, Window parent, const char* name, int depth = 0) {
  Window root = 0, up = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    char* title = nullptr;
    if (XFetchName(display, children[i], &title) && title) {
      if (std::strcmp(title, name) == 0) found = children[i];
      XFree(title);
    }
    if (!found && depth < 1) found = FindNamed(display, children[i], name, depth + 1);
  }
  if (children) XFree(children);
  return found;
}

// Reads a window's pixels through shared memory, so that reading every other millisecond
// costs the X server a copy rather than a trip of the whole image through the socket.
class FrameReader {
 public:
  explicit FrameReader(Display* display) : m_display(display) {}
  ~FrameReader() { Release(); }

  // The window's pixels as one hash; nothing when it cannot be read (not yet viewable).
  std::optional<std::uint64_t> Hash(Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes) || attributes.map_state != IsViewable) return std::nullopt;
    if (!Fit(attributes)) return std::nullopt;
    if (!XShmGetImage(m_display, window, m_image, 0, 0, AllPlanes)) return std::nullopt;
    std::uint64_t hash = 1469598103934665603ull;
    const size_t bytes = static_cast<size_t>(m_image->bytes_per_line) * static_cast<size_t>(m_image->height);
    const auto* data = reinterpret_cast<const unsigned char*>(m_image->data);
    for (size_t i = 0; i + 8 <= bytes; i += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, data + i, 8);
      hash = (hash ^ word) * 1099511628211ull;
    }
    return hash;
  }

 private:
  // An image of the window's size in a shared segment, made again when the size changes.
  bool Fit(const XWindowAttributes& attributes) {
    if (m_image && m_image->width == attributes.width && m_image->height == attributes.height) return true;
    Release();
    m_image = XShmCreateImage(m_display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, nullptr,
                              &m_segment, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height));
    if (!m_image) return false;
    m_segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(m_image->bytes_per_line) * m_image->height, IPC_CREAT | 0600);
    m_segment.shmaddr = m_image->data = static_cast<char*>(shmat(m_segment.shmid, nullptr, 0));
    m_segment.readOnly = False;
    shmctl(m_segment.shmid, IPC_RMID, nullptr);  // gone once both sides let go
    if (m_segment.shmaddr == reinterpret_cast<char*>(-1) || !XShmAttach(m_display, &m_segment)) {
      m_segment.shmaddr = nullptr;
      Release();
      return false;
    }
    m_attached = true;
    return true;
  }

  void Release() {
    if (m_attached) XShmDetach(m_display, &m_segment);
    if (m_segment.shmaddr) shmdt(m_segment.shmaddr);
    if (m_image) {
      m_image->data = nullptr;
      XDestroyImage(m_image);
    }
    m_image = nullptr;
    m_segment = XShmSegmentInfo{};
    m_attached = false;
  }

  Display* m_display;
  XImage* m_image = nullptr;
  XShmSegmentInfo m_segment{};
  bool m_attached = false;
};

struct Run {
  double shown = -1;    // ms from exec: the window could first be read
  double settled = -1;  // the frame that stayed
};

bool g_timedOut = false;
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

Run TimeOne(Display* display, FrameReader& reader, char** program, const char* name, double settleMs) {
  Run run;
  const double start = Now();
  pid_t child = fork();
  if (child == 0) {
    execvp(program[0], program);
    _exit(127);
  }
  Window window = 0;
  std::uint64_t last = 0;
  double lastChange = 0;
  bool any = false;
  for (;;) {
    const double now = Now();
    if (now - start > 20000) {
      g_timedOut = true;
      break;
    }
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      child = 0;
      break;
    }
    // Searched again while it cannot be read: a window may be made again before it shows.
    std::optional<std::uint64_t> hash;
    if (window) hash = reader.Hash(window);
    if (!hash) {
      window = FindNamed(display, DefaultRootWindow(display), name);
      if (window) hash = reader.Hash(window);
    }
    if (hash) {
      if (run.shown < 0) run.shown = now - start;
      if (!any || *hash != last) {
        any = true;
        last = *hash;
        lastChange = now - start;
      } else if (now - start - lastChange >= settleMs) {
        run.settled = lastChange;
        break;
      }
    }
    usleep(2000);
  }
  if (child > 0) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
  }
  return run;
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  double settleMs = 1500;
  const char* name = "Slateway";
  int i = 1;
  for (; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else if (arg == "--settle-ms" && i + 1 < argc) {
      settleMs = std::atof(argv[++i]);
    } else if (arg == "--name" && i + 1 < argc) {
      name = argv[++i];
    } else if (arg == "--") {
      ++i;
      break;
    } else {
      break;
    }
  }
  if (i >= argc || runs < 1) {
    std::fprintf(stderr, "usage: startup_timer [--runs N] [--settle-ms M] [--name TITLE] -- PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "startup_timer: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreXErrors);  // a window may go while it is read
  auto reader = std::make_unique<FrameReader>(display);
  std::vector<double> shown, settled;
  for (int r = 0; r < runs; ++r) {
    Run run = TimeOne(display, *reader, argv + i, name, settleMs);
    std::printf("run %d: window shown %.1f ms, settled frame %.1f ms\n", r + 1, run.shown, run.settled);
    std::fflush(stdout);
    if (run.settled < 0) {
      std::fprintf(stderr, "startup_timer: %s\n", g_timedOut ? "no settled frame in 20 s" : "the program ended first");
      return 1;
    }
    shown.push_back(run.shown);
    settled.push_back(run.settled);
  }
  std::printf("median of %d: window shown %.1f ms, settled frame (painted) %.1f ms\n", runs, Median(shown),
              Median(settled));
  reader.reset();
  XCloseDisplay(display);
  return 0;
}
