// Lets a C++ object run a window or a dialog: the object is bound to its window when the
// window is made and found again for every message; the window procedure stays a plain
// procedure.
//
//   class CNotesDialog : public CDialogObject<CNotesDialog> {
//    public:
//     INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);  // FALSE: not handled
//   };
//   INT_PTR NotesDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
//     return CNotesDialog::Dispatch(hwnd, msg, wParam, lParam);
//   }
//   CNotesDialog notes;
//   notes.DoModal(module, MAKEINTRESOURCEW(IDD_NOTES), owner, NotesDlgProc);
//
// A window binds at WM_NCCREATE to the object in CREATESTRUCTW::lpCreateParams (its
// pointer is kept in GWL_USERDATA); a dialog binds at WM_INITDIALOG to the object in its
// lParam (kept in DWL_USER). Messages before binding get the default answer
// (DefWindowProcW; FALSE for a dialog). After WM_NCDESTROY has been handled the window is
// unbound, GetHwnd() is null and the parcels left for it and never redeemed are freed.
//
// A handler may destroy its own window: the object stays bound while its handlers run,
// and OnFinalMessage(hwnd) comes once the outermost of them has returned, so an object
// that owns itself can delete itself there. Delete an object nowhere else while one of
// its handlers runs. An object destroyed while its window lives destroys the window
// (whose last messages then get the default answer).
#pragma once

#include "core/Parcel.h"
#include "platform/user/Dialog.h"
#include "platform/user/Window.h"

namespace window_object {

// Where a window keeps its object, the message that binds it, where that message carries
// the object, and the answer to messages that reach no object.
struct WindowBinding {
  using Result = LRESULT;
  static constexpr int kSlot = GWL_USERDATA;
  static constexpr UINT kBindMessage = WM_NCCREATE;
  static void* ObjectOf(LPARAM lParam) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    return create ? create->lpCreateParams : nullptr;
  }
  static Result Default(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
};

struct DialogBinding {
  using Result = INT_PTR;
  static constexpr int kSlot = DWL_USER;
  static constexpr UINT kBindMessage = WM_INITDIALOG;
  static void* ObjectOf(LPARAM lParam) { return reinterpret_cast<void*>(lParam); }
  // Not handled: the dialog manager's own handling follows.
  static Result Default(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
};

}  // namespace window_object

// The base of an object that runs one window at a time. T provides
//   Result HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
// (public, or with this class a friend) and may provide OnFinalMessage(HWND).
template <typename T, typename Binding>
class CBoundWindow {
 public:
  using Result = typename Binding::Result;

  CBoundWindow(const CBoundWindow&) = delete;
  CBoundWindow& operator=(const CBoundWindow&) = delete;

  // The window this object runs; null before binding and after WM_NCDESTROY.
  HWND GetHwnd() const { return m_hwnd; }

  // The object bound to `hwnd` (not owned); null when none is. Only for windows whose
  // procedure dispatches to T.
  static T* FromHandle(HWND hwnd) {
    return hwnd ? reinterpret_cast<T*>(GetWindowLongW(hwnd, Binding::kSlot)) : nullptr;
  }

  // The body of the window's procedure: register it as the procedure, or return it from
  // a plain procedure.
  static Result Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    T* self = FromHandle(hwnd);
    if (!self && msg == Binding::kBindMessage) self = Bind(hwnd, static_cast<T*>(Binding::ObjectOf(lParam)));
    if (!self) return Binding::Default(hwnd, msg, wParam, lParam);
    CBoundWindow& base = *self;
    Result result;
    {
      HandlerScope running(base);
      result = self->HandleMessage(msg, wParam, lParam);
      if (msg == WM_NCDESTROY) {
        base.Unbind();
        CParcelDesk::DropFor(hwnd);  // what was handed to the window and never taken
      }
    }
    // The object may be gone from here on (OnFinalMessage may have deleted it).
    return result;
  }

 protected:
  CBoundWindow() = default;
  ~CBoundWindow() {
    HWND hwnd = m_hwnd;
    if (!hwnd) return;
    SetWindowLongW(hwnd, Binding::kSlot, 0);
    m_hwnd = nullptr;
    DestroyWindow(hwnd);
  }

  // The answer a message gets without this object (DefWindowProcW; FALSE for a dialog).
  Result DefaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
    return Binding::Default(m_hwnd, msg, wParam, lParam);
  }
  // Called once after WM_NCDESTROY, when no handler of this object runs any more.
  void OnFinalMessage(HWND) {}

 private:
  // Counts the handlers running; the outermost one to return delivers OnFinalMessage.
  class HandlerScope {
   public:
    explicit HandlerScope(CBoundWindow& base) : m_base(base) { ++m_base.m_running; }
    ~HandlerScope() {
      if (--m_base.m_running != 0 || !m_base.m_finalPending) return;
      m_base.m_finalPending = false;
      HWND destroyed = m_base.m_destroyedHwnd;
      m_base.m_destroyedHwnd = nullptr;
      static_cast<T&>(m_base).OnFinalMessage(destroyed);
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    CBoundWindow& m_base;
  };

  // An object runs one window at a time: a second window made with it stays unbound.
  static T* Bind(HWND hwnd, T* object) {
    if (!object) return nullptr;
    CBoundWindow& base = *object;
    if (base.m_hwnd) return nullptr;
    base.m_hwnd = hwnd;
    SetWindowLongW(hwnd, Binding::kSlot, reinterpret_cast<LONG_PTR>(object));
    return object;
  }

  void Unbind() {
    SetWindowLongW(m_hwnd, Binding::kSlot, 0);
    m_destroyedHwnd = m_hwnd;
    m_hwnd = nullptr;
    m_finalPending = true;
  }

  HWND m_hwnd = nullptr;
  HWND m_destroyedHwnd = nullptr;
  int m_running = 0;
  bool m_finalPending = false;
};

// An object that runs a window: class C : public CWindowObject<C> { ... }. Its class is
// registered with Dispatch (or a plain procedure that returns it) as the procedure.
template <typename T>
class CWindowObject : public CBoundWindow<T, window_object::WindowBinding> {
 public:
  HWND Create(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& place, HWND parent,
              HMENU menuOrId, HINSTANCE instance) {
    return CreateWindowExW(exStyle, className, windowName, style, place.left, place.top, place.right - place.left,
                           place.bottom - place.top, parent, menuOrId, instance, static_cast<T*>(this));
  }
};

// An object that runs a dialog: class C : public CDialogObject<C> { ... }. The template
// is a resource name or id, or a template in memory; the procedure defaults to Dispatch.
template <typename T>
class CDialogObject : public CBoundWindow<T, window_object::DialogBinding> {
  using Base = CBoundWindow<T, window_object::DialogBinding>;

 public:
  HWND CreateModeless(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc = &Base::Dispatch) {
    return CreateDialogParamW(instance, name, parent, proc, Param());
  }
  HWND CreateModeless(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND parent, DLGPROC proc = &Base::Dispatch) {
    return CreateDialogIndirectParamW(instance, templ, parent, proc, Param());
  }
  INT_PTR DoModal(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc = &Base::Dispatch) {
    return DialogBoxParamW(instance, name, owner, proc, Param());
  }
  INT_PTR DoModal(HINSTANCE instance, LPCDLGTEMPLATEW templ, HWND owner, DLGPROC proc = &Base::Dispatch) {
    return DialogBoxIndirectParamW(instance, templ, owner, proc, Param());
  }

 private:
  LPARAM Param() { return reinterpret_cast<LPARAM>(static_cast<T*>(this)); }
};
