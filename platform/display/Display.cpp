#include "platform/display/Display.h"

#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/Base.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/MsgQueue.h"
#include "platform/process/ProcessEnd.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Window.h"

namespace platform::display {
namespace {

constexpr int kFunctionKeys = 8;
// How long the window's thread waits for events at most, and how often it checks that the
// X server is still there.
constexpr int kEventWait = 200;
constexpr auto kServerCheckInterval = std::chrono::milliseconds(kEventWait);
constexpr UINT kFirstApplicationButton = 193;

// The frame the program's thread hands over and the window's thread shows.
struct Frame {
  std::vector<std::uint32_t> pixels;
  int width = 0;
  int height = 0;
};

// A top-level window as the screen last showed it: when these change, what lay beneath
// needs painting again, the desktop included.
struct TopLevel {
  HWND hwnd;
  RECT rect;
  bool operator==(const TopLevel& o) const {
    return hwnd == o.hwnd && rect.left == o.rect.left && rect.top == o.rect.top && rect.right == o.rect.right &&
           rect.bottom == o.rect.bottom;
  }
};

std::vector<TopLevel> VisibleTopLevels() {
  std::vector<TopLevel> tops;
  HWND any = GetActiveWindow();
  if (!any) any = GetForegroundWindow();
  if (!any) return tops;
  for (HWND h = GetWindow(any, GW_HWNDFIRST); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (!IsWindowVisible(h)) continue;
    TopLevel t{h, {}};
    GetWindowRect(h, &t.rect);
    tops.push_back(t);
  }
  return tops;
}

bool NoDisplayDriver() {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return true;
  bool fallback = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  return fallback && !(asked && std::strcmp(asked, driver) == 0);
}

void SayNoDisplay(const std::string& program, const char* why) {
  std::fprintf(stderr,
               "%s: no display (%s); run it on a desktop, or headless under xvfb-run "
               "(xvfb-run -a -s \"-screen 0 800x700x24\" %s)\n",
               program.c_str(), why, program.c_str());
}

class Display;
Display* g_display = nullptr;
// The display whose X connection is watched; set on its thread before the watch begins.
std::atomic<Display*> g_watchedDisplay{nullptr};

// The X connection's fatal-error handler as the X library declares it (the connection
// passed as an opaque pointer), and the call that installs it.
using XIOErrorHandler = int (*)(void* connection);
using XSetIOErrorHandlerCall = XIOErrorHandler (*)(XIOErrorHandler);

class Display final : public platform::IdleHandler {
 public:
  // Starts the window's thread. The window comes up there while the program starts on its
  // own thread; the program's first frame waits for it (see OnIdle).
  void Open(const DisplayOptions& options) {
    m_options = options;
    m_uiThread = GetCurrentThreadId();
    m_openResult = m_opened.get_future();
    m_thread = std::thread([this] { Run(m_opened); });
    m_previousIdle = platform::SetIdleHandler(this);
  }

  // False when the window's thread is left to the exit: called on that thread, or after
  // the desktop connection was lost (the thread waits where the loss stopped it).
  bool Close() {
    platform::SetIdleHandler(m_previousIdle);
    if (m_thread.get_id() != std::this_thread::get_id()) WindowOpened();
    {
      std::lock_guard guard(m_lock);
      m_stop = true;
    }
    Wake();
    if (m_lost) return false;
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id()) return false;
    if (m_thread.joinable()) m_thread.join();
    return true;
  }

  // The desktop connection went away (OnConnectionLost ran).
  bool IsLost() const { return m_lost; }

  // The X library found the desktop connection gone, on the window's thread, in the middle
  // of a call that cannot return: the program is asked to end as a close would, and the
  // thread waits here (the X library would end the process at once if it returned) until
  // the program's thread has saved and ended the process.
  [[noreturn]] void OnConnectionLost() {
    m_lost = true;
    std::fprintf(stderr, "%s: the display went away; ending\n", m_options.title.c_str());
    platform::RequestProcessEnd();
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }

  // The program's thread has nothing to do: what it drew is final for now. The first
  // frame waits for the window; without one (the window's thread has said why on stderr)
  // the program ends as it would have without a display at all.
  bool OnIdle(HWND, const std::u16string&) override {
    if (!WindowOpened()) {
      std::fflush(stderr);
      std::_Exit(1);
    }
    std::vector<TopLevel> tops = VisibleTopLevels();
    if (!m_painted || tops != m_tops) {
      platform::PaintScreen();
      m_painted = true;
      m_tops = std::move(tops);
    }
    HandOver();
    return false;
  }

  // A window drawn at once while the program works on (a box that says a device is
  // starting): the screen shows it now, as the program drew it, once the first frame is
  // out; the next idle moment puts the rest in order.
  void OnWindowUpdated() override {
    if (!m_openKnown || !m_windowOpened || GetCurrentThreadId() != m_uiThread) return;
    HandOver();
  }

 private:
  // Whether the window's thread made the window; waits for it to know. The program's
  // thread only.
  bool WindowOpened() {
    if (!m_openKnown) {
      m_windowOpened = m_openResult.get();
      m_openKnown = true;
    }
    return m_windowOpened;
  }

  // The screen as the program's thread has drawn it, to the window's thread when it changed.
  void HandOver() {
    Frame frame;
    if (!platform::ReadBitmapPixels(platform::ScreenBitmap(), frame.pixels, &frame.width, &frame.height)) return;
    {
      std::lock_guard guard(m_lock);
      if (frame.pixels == m_pending.pixels && frame.width == m_pending.width) return;
      m_pending = std::move(frame);
      m_fresh = true;
    }
    Wake();
  }

  void Wake() {
    // A lost connection may have stopped the window's thread inside SDL: SDL is left alone.
    if (!m_wakeEvent || m_lost) return;
    SDL_Event e{};
    e.type = m_wakeEvent;
    SDL_PushEvent(&e);
  }

  // The window's thread: SDL is started, used and stopped here only.
  void Run(std::promise<bool>& opened) {
    // Termination signals belong to the program (platform::CTerminationSignals), not to SDL.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The frames are drawn in software and put on the window as they are: SDL would
    // otherwise load the desktop's OpenGL stack (a software one on a plain X server, which
    // compiles its shaders first) only to show the same pixels, and the window would come
    // up a good part of a second later.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      SayNoDisplay(m_options.title, SDL_GetError());
      opened.set_value(false);
      return;
    }
    if (NoDisplayDriver()) {
      SayNoDisplay(m_options.title, "only SDL's offscreen video driver is available");
      SDL_Quit();
      opened.set_value(false);
      return;
    }
    int w = platform::ScreenWidth();
    int h = platform::ScreenHeight();
    int s = m_options.scale;
    m_window = SDL_CreateWindow(m_options.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w * s, h * s,
                                SDL_WINDOW_SHOWN);
    m_renderer = m_window ? SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
    m_texture = m_renderer ? SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h)
                           : nullptr;
    if (!m_texture) {
      SayNoDisplay(m_options.title, SDL_GetError());
      Teardown();
      opened.set_value(false);
      return;
    }
    m_wakeEvent = SDL_RegisterEvents(1);
    SDL_StartTextInput();
    WatchConnection();
    opened.set_value(true);
    Loop();
    Teardown();
  }

  void Teardown() {
    if (m_texture) SDL_DestroyTexture(m_texture);
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    if (m_window) SDL_DestroyWindow(m_window);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_window = nullptr;
    SDL_Quit();
  }

  // On X, a connection that breaks calls OnConnectionLost. SDL's own waiting does not
  // notice a server that went away, so Loop asks the server something every round.
  void WatchConnection() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!x11) return;
    if (auto install = reinterpret_cast<XSetIOErrorHandlerCall>(::dlsym(x11, "XSetIOErrorHandler"))) {
      g_watchedDisplay = this;
      install([](void*) -> int { g_watchedDisplay.load()->OnConnectionLost(); });
      m_watched = true;
    }
    ::dlclose(x11);
  }

  void Loop() {
    for (;;) {
      SDL_Event e;
      bool got = SDL_WaitEventTimeout(&e, kEventWait) != 0;
      {
        std::lock_guard guard(m_lock);
        if (m_stop) return;
      }
      if (got) Handle(e);
      ShowFreshFrame();
      AskServer();
    }
  }

  // A round trip to the server once a round (not once an event): a broken connection shows
  // here at the latest.
  void AskServer() {
    const auto now = std::chrono::steady_clock::now();
    if (!m_watched || now - m_lastAsked < kServerCheckInterval) return;
    m_lastAsked = now;
    SDL_GetGlobalMouseState(nullptr, nullptr);
  }

  // Copies the part of the new frame that differs from the shown one.
  void ShowFreshFrame() {
    Frame frame;
    {
      std::lock_guard guard(m_lock);
      if (!m_fresh) return;
      m_fresh = false;
      frame = m_pending;
    }
    int w = platform::ScreenWidth();
    int h = platform::ScreenHeight();
    if (frame.width != w || frame.height != h) return;
    bool all = m_shown.pixels.size() != frame.pixels.size();
    int top = h, bottom = -1, left = w, right = -1;
    for (int y = 0; y < h; ++y) {
      const std::uint32_t* a = frame.pixels.data() + static_cast<size_t>(y) * w;
      const std::uint32_t* b = all ? nullptr : m_shown.pixels.data() + static_cast<size_t>(y) * w;
      for (int x = 0; x < w; ++x) {
        if (b && a[x] == b[x]) continue;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    if (bottom >= 0) {
      SDL_Rect r{left, top, right - left + 1, bottom - top + 1};
      const std::uint32_t* start = frame.pixels.data() + static_cast<size_t>(top) * w + left;
      SDL_UpdateTexture(m_texture, &r, start, w * 4);
      m_shown = std::move(frame);
    }
    Present();
  }

  void Present() {
    SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    SDL_RenderPresent(m_renderer);
  }

  POINT Pen(int x, int y) const {
    return WindowToScreen(x, y, m_options.scale, platform::ScreenWidth(), platform::ScreenHeight());
  }

  void Handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT) platform::PenDown(Pen(e.button.x, e.button.y));
        break;
      case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) platform::PenUp(Pen(e.button.x, e.button.y));
        break;
      case SDL_MOUSEMOTION:
        if (e.motion.state & SDL_BUTTON_LMASK) platform::PenMove(Pen(e.motion.x, e.motion.y));
        break;
      case SDL_MOUSEWHEEL: Wheel(e.wheel); break;
      case SDL_TEXTINPUT: platform::TypeText(platform::ToUtf16(e.text.text)); break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: Key(e.key, e.type == SDL_KEYDOWN); break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) Present();
        break;
      case SDL_QUIT: CloseProgram(); break;
      default: break;
    }
  }

  // A step of the wheel is WHEEL_DELTA, to the window under the pointer.
  void Wheel(const SDL_MouseWheelEvent& w) {
    int steps = w.direction == SDL_MOUSEWHEEL_FLIPPED ? -w.y : w.y;
    if (steps != 0) platform::TurnWheel(Pen(w.mouseX, w.mouseY), steps * WHEEL_DELTA);
  }

  // Keys that type no character; characters come as text input.
  void Key(const SDL_KeyboardEvent& k, bool down) {
    SDL_Keycode code = k.keysym.sym;
    UINT vk = 0;
    if (code >= SDLK_F1 && code <= SDLK_F8) vk = HardwareKeyForFunctionKey(code - SDLK_F1 + 1);
    // F9 suspends the device and F10 turns it on again, for the programs that listen.
    if ((code == SDLK_F9 || code == SDLK_F10) && down && !k.repeat) {
      platform::InjectPowerTransition(code == SDLK_F9 ? PowerTransition::Suspend : PowerTransition::On);
      return;
    }
    switch (code) {
      case SDLK_RETURN: case SDLK_KP_ENTER: vk = VK_RETURN; break;
      case SDLK_ESCAPE: vk = VK_ESCAPE; break;
      case SDLK_TAB: vk = VK_TAB; break;
      case SDLK_BACKSPACE: vk = VK_BACK; break;
      case SDLK_DELETE: vk = VK_DELETE; break;
      case SDLK_UP: vk = VK_UP; break;
      case SDLK_DOWN: vk = VK_DOWN; break;
      case SDLK_LEFT: vk = VK_LEFT; break;
      case SDLK_RIGHT: vk = VK_RIGHT; break;
      case SDLK_HOME: vk = VK_HOME; break;
      case SDLK_END: vk = VK_END; break;
      case SDLK_PAGEUP: vk = VK_PRIOR; break;
      case SDLK_PAGEDOWN: vk = VK_NEXT; break;
      case SDLK_LSHIFT: case SDLK_RSHIFT: vk = VK_SHIFT; break;
      case SDLK_LCTRL: case SDLK_RCTRL: vk = VK_CONTROL; break;
      case SDLK_LALT: case SDLK_RALT: vk = VK_MENU; break;
      default: break;
    }
    // With Ctrl held a letter types no text: it goes as its key (Ctrl+Q...).
    if (!vk && (k.keysym.mod & KMOD_CTRL) && code >= SDLK_a && code <= SDLK_z) vk = 'A' + (code - SDLK_a);
    if (!vk || k.repeat) return;
    if (down) platform::KeyDown(vk);
    else platform::KeyUp(vk);
  }

  void CloseProgram() {
    HWND front = GetForegroundWindow();
    if (front) PostMessageW(front, WM_CLOSE, 0, 0);
    else PostThreadMessageW(m_uiThread, WM_QUIT, 0, 0);
  }

  DisplayOptions m_options;
  DWORD m_uiThread = 0;
  std::promise<bool> m_opened;  // set by the window's thread once it knows
  std::future<bool> m_openResult;
  bool m_openKnown = false;     // the program's thread has the result
  bool m_windowOpened = false;
  std::thread m_thread;
  platform::IdleHandler* m_previousIdle = nullptr;
  // Shared between the two threads.
  std::mutex m_lock;
  Frame m_pending;
  bool m_fresh = false;
  bool m_stop = false;
  Uint32 m_wakeEvent = 0;
  std::atomic<bool> m_lost{false};
  // The program's thread only.
  bool m_painted = false;
  std::vector<TopLevel> m_tops;
  // The window's thread only.
  SDL_Window* m_window = nullptr;
  SDL_Renderer* m_renderer = nullptr;
  SDL_Texture* m_texture = nullptr;
  Frame m_shown;
  bool m_watched = false;
  std::chrono::steady_clock::time_point m_lastAsked;
};

}  // namespace

bool ParseDisplayArguments(int argc, char** argv, DisplayOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--hires") {
      options.highResolution = true;
    } else if (a == "--scale" && i + 1 < argc) {
      int s = std::atoi(argv[++i]);
      if (s < 1 || s > 4) {
        std::fprintf(stderr, "%s: --scale takes 1 to 4\n", options.title.c_str());
        return false;
      }
      options.scale = s;
    } else {
      std::fprintf(stderr, "%s: unknown argument %s (known: --hires, --scale N)\n", options.title.c_str(), a.c_str());
      return false;
    }
  }
  return true;
}

bool OpenDisplay(const DisplayOptions& options) {
  if (g_display) return true;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER")) {
    SayNoDisplay(options.title, "neither DISPLAY nor WAYLAND_DISPLAY is set");
    return false;
  }
  platform::SetScreenProfile(options.highResolution ? ScreenProfile::Portrait480x640
                                                    : ScreenProfile::Portrait240x320);
  platform::SetTextProfile(TextProfile::Display);
  auto display = std::make_unique<Display>();
  display->Open(options);
  g_display = display.release();
  std::atexit(CloseDisplay);
  return true;
}

void CloseDisplay() {
  if (!g_display) return;
  if (g_display->Close()) {
    delete g_display;
    g_display = nullptr;
    return;
  }
  // The X library holds the thread where the lost connection stopped it, and the desktop
  // libraries' clean-up at exit would wait for that thread for ever: the program has closed
  // as it would have anyway, so the process ends here.
  if (g_display->IsLost()) {
    std::fflush(nullptr);
    ::_exit(0);
  }
}

POINT WindowToScreen(int x, int y, int scale, int screenWidth, int screenHeight) {
  if (scale < 1) scale = 1;
  return POINT{std::clamp(x / scale, 0, std::max(0, screenWidth - 1)),
               std::clamp(y / scale, 0, std::max(0, screenHeight - 1))};
}

UINT HardwareKeyForFunctionKey(int function) {
  return function >= 1 && function <= kFunctionKeys ? kFirstApplicationButton + static_cast<UINT>(function - 1) : 0;
}

}  // namespace platform::display
