// The small bars along the foot of the editor. Each is a child window whose procedure
// finds the editor through the creation parameter kept in its user data; each has two
// buttons in a bold face of its own.
#include <memory>

#include "core/DrawHelpers.h"
#include "core/MessageBoxes.h"
#include "core/Parcel.h"
#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "core/WaitCursor.h"
#include "core/WindowMessages.h"
#include "devices/InputDevice.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "editor/SignatureCommand.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Controls.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {

constexpr WCHAR kSignatureBarClass[] = u"KTWSignatureBar";
constexpr int kAcceptButton = 1;
constexpr int kClearButton = 1004;
constexpr int kButtonHeightMetric = 2;
constexpr int kSignatureButtonWidthMetric = 14;
constexpr int kPenWidth = 2;

// What a bar keeps beside its window: the editor and the buttons' face.
struct BarState {
  CDocumentView* editor = nullptr;
  CGdiObject<HFONT> font;
  HWND buttons[2] = {};
  bool penDown = false;
  POINT last{};
};

BarState* StateOf(HWND bar) { return reinterpret_cast<BarState*>(GetWindowLongW(bar, GWL_USERDATA)); }

// WM_CREATE of every bar: the state, the two buttons and their bold face.
void SetUpBar(HWND bar, const CREATESTRUCTW* create, LPCWSTR first, int firstId, LPCWSTR second,
              int secondId) {
  CWaitCursorScope wait;
  auto* state = new BarState;
  state->editor = static_cast<CDocumentView*>(create->lpCreateParams);
  SetWindowLongW(bar, GWL_USERDATA, reinterpret_cast<LONG_PTR>(state));
  HINSTANCE instance = GetModuleHandleW(nullptr);
  state->buttons[0] = CreateWindowExW(0, u"TTBUTTON", first, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, bar,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(firstId)), instance, nullptr);
  state->buttons[1] = CreateWindowExW(0, u"TTBUTTON", second, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, bar,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(secondId)), instance, nullptr);
  LOGFONTW face{};
  CWindowDC screen(nullptr);
  face.lfHeight = (-17 * GetDeviceCaps(screen.get(), LOGPIXELSY) / 72) / 2;
  face.lfWeight = FW_BOLD;
  std::u16string_view name = u"Tahoma";
  std::copy(name.begin(), name.end(), face.lfFaceName);
  state->font.reset(CreateFontIndirectW(&face));
  for (HWND button : state->buttons) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(state->font.get()), TRUE);
}

// The messages every bar answers alike; true when `msg` was one of them.
bool HandleCommonBarMessage(HWND bar, UINT msg, WPARAM wParam, LRESULT& result) {
  switch (msg) {
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      result = reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
      return true;
    }
    case WM_DESTROY:
      delete StateOf(bar);
      SetWindowLongW(bar, GWL_USERDATA, 0);
      result = 0;
      return true;
    default:
      return false;
  }
}

// What every bar's procedure does first: WM_CREATE sets the bar up with its two buttons,
// and the messages all bars answer alike are answered. The bar's state when the message is
// the bar's own to handle; null when it was answered here (`result` holds the answer).
struct BarButtons {
  LPCWSTR first;
  int firstId;
  LPCWSTR second;
  int secondId;
};
BarState* BeginBarMessage(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam, const BarButtons& buttons,
                          LRESULT& result) {
  result = 0;
  if (msg == WM_CREATE) {
    SetUpBar(bar, reinterpret_cast<const CREATESTRUCTW*>(lParam), buttons.first, buttons.firstId, buttons.second,
             buttons.secondId);
    return nullptr;
  }
  BarState* state = StateOf(bar);
  if (!state) {
    result = DefWindowProcW(bar, msg, wParam, lParam);
    return nullptr;
  }
  return HandleCommonBarMessage(bar, msg, wParam, result) ? nullptr : state;
}

void RegisterBarClass(LPCWSTR name, WNDPROC procedure) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = name;
  RegisterClassW(&wc);  // a class registered before stays as it is
}

void DrawStrokes(HDC dc, const CSignatureStrokes& strokes) {
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, kPenWidth, RGB(0, 0, 0)));
  CSelectObjectScope keep(dc, pen.get());
  for (int i = 0; i < strokes.Count(); ++i) {
    POINT p = strokes.At(i);
    if (strokes.StartsStroke(i))
      MoveToEx(dc, p.x, p.y, nullptr);
    else
      LineTo(dc, p.x, p.y);
  }
}

}  // namespace

LRESULT KTWSignatureBarWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result;
  BarState* state =
      BeginBarMessage(bar, msg, wParam, lParam, {u"Accept", kAcceptButton, u"Clear", kClearButton}, result);
  if (msg == WM_CREATE) {
    CDocumentView* editor = StateOf(bar)->editor;
    editor->GetSignatureStrokes().FromText(editor->GetDocument().GetSignature().view());
  }
  if (!state) return result;
  CSignatureStrokes& strokes = state->editor->GetSignatureStrokes();
  switch (msg) {
    case WM_SIZE: {
      int width = LOWORD(lParam);
      int buttonWidth = GetUiMetric(kSignatureButtonWidthMetric);
      int buttonHeight = GetUiMetric(kButtonHeightMetric);
      MoveWindow(state->buttons[0], width - buttonWidth, 0, buttonWidth, buttonHeight, TRUE);
      MoveWindow(state->buttons[1], 0, 0, buttonWidth, buttonHeight, TRUE);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      state->penDown = true;
      SetCapture(bar);
      if (strokes.Add(p, true)) state->last = p;
      return 0;
    }
    case WM_MOUSEMOVE: {
      // Only a pen on the pad writes: a pointer passing over it does not.
      if (!state->penDown || !(wParam & MK_LBUTTON)) return 0;
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (!strokes.Add(p, false)) return 0;
      CWindowDC dc(bar);
      CGdiObject<HPEN> pen(CreatePen(PS_SOLID, kPenWidth, RGB(0, 0, 0)));
      CSelectObjectScope keep(dc.get(), pen.get());
      MoveToEx(dc.get(), state->last.x, state->last.y, nullptr);
      LineTo(dc.get(), p.x, p.y);
      state->last = p;
      return 0;
    }
    case WM_LBUTTONUP:
      state->penDown = false;
      ReleaseCapture();
      return 0;
    case WM_ERASEBKGND: {
      auto dc = reinterpret_cast<HDC>(wParam);
      RECT client;
      GetClientRect(bar, &client);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DrawResourceBitmap(IDB_SIGNATURE_BAR, GetResourceInstance(), dc, GetUiMetric(0), GetUiMetric(1));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(bar, &ps);
      if (dc) DrawStrokes(dc, strokes);
      EndPaint(bar, &ps);
      return 0;
    }
    case WM_COMMAND: {
      CDocumentView* editor = state->editor;
      if (LOWORD(wParam) == kClearButton) {
        strokes.Clear();
        InvalidateRect(bar, nullptr, TRUE);
        return 0;
      }
      if (LOWORD(wParam) != kAcceptButton) return 0;
      CWaitCursorScope wait;
      std::u16string text = strokes.ToText();
      editor->ToggleSignatureBar();  // the bar (and `state`) is gone from here on
      // The editor hands it on to the window that keeps the history.
      PostParcel(editor->GetWindow(), kMsgEditCommand, kEditCommandRun,
                 std::unique_ptr<CEditCommand>(
                     std::make_unique<CSignatureCommand>(editor->GetDocument(), std::move(text))));
      return 0;
    }
    default:
      return DefWindowProcW(bar, msg, wParam, lParam);
  }
}

namespace {
constexpr WCHAR kScannerBarClass[] = u"KTWScannerBar";
constexpr WCHAR kCardReaderBarClass[] = u"KTWCCReaderBar";
constexpr int kHideButton = 1;
constexpr int kStartScanButton = 3;
constexpr int kCardCloseButton = 1004;
constexpr int kCardDetailsButton = 1;
constexpr int kScannerHideWidthMetric = 30;
constexpr int kCardButtonWidthMetric = 31;
constexpr int kCardWaiting = 5;
constexpr int kCardRead = 3;
constexpr int kCardNotRead = 4;

// The picture and the buttons of each card-reader state.
struct CardState {
  int state;
  UINT bitmap;
  bool close;
  bool details;
};
constexpr CardState kCardStates[] = {{1, 283, true, true}, {2, 288, true, true}, {3, 280, true, false},
                                     {4, 281, true, true}, {5, 282, false, false}, {6, 285, true, true},
                                     {7, 284, true, false}, {8, 287, true, false}, {9, 286, true, false}};
CardState CardStateOf(int state) {
  for (const CardState& s : kCardStates)
    if (s.state == state) return s;
  return CardState{state, IDB_CARD_STATE_OTHER, true, true};
}
}  // namespace

LRESULT KTWScannerBarWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result;
  BarState* state =
      BeginBarMessage(bar, msg, wParam, lParam, {u"Hide", kHideButton, u"Start Scan", kStartScanButton}, result);
  if (!state) return result;
  switch (msg) {
    case WM_SIZE: {
      int width = LOWORD(lParam);
      int hideWidth = GetUiMetric(kScannerHideWidthMetric);
      int buttonHeight = GetUiMetric(kButtonHeightMetric);
      MoveWindow(state->buttons[0], width - hideWidth, 0, hideWidth, buttonHeight, TRUE);
      int top = GetUiMetric(13) + buttonHeight;
      MoveWindow(state->buttons[1], GetUiMetric(13), top, width - 8, GetUiMetric(12), TRUE);
      return 0;
    }
    case WM_COMMAND: {
      CDocumentView* editor = state->editor;
      if (LOWORD(wParam) == kHideButton) {
        editor->ToggleScannerBar();  // the bar is gone from here on
      } else if (LOWORD(wParam) == kStartScanButton) {
        editor->StartScan();
      }
      return 0;
    }
    default:
      return DefWindowProcW(bar, msg, wParam, lParam);
  }
}

LRESULT KTWCCReaderBarWndProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result;
  BarState* state =
      BeginBarMessage(bar, msg, wParam, lParam, {u"Details", kCardDetailsButton, u"Close", kCardCloseButton}, result);
  if (msg == WM_CREATE && StateOf(bar)->editor->GetCardReaderState() == kCardWaiting)
    PostMessageW(bar, kMsgReadCard, 0, 0);
  if (!state) return result;
  switch (msg) {
    case WM_SIZE: {
      int width = LOWORD(lParam);
      int buttonWidth = GetUiMetric(kCardButtonWidthMetric);
      int buttonHeight = GetUiMetric(kButtonHeightMetric);
      MoveWindow(state->buttons[0], 0, 0, buttonWidth + 8, buttonHeight, TRUE);
      MoveWindow(state->buttons[1], width - buttonWidth, 0, buttonWidth, buttonHeight, TRUE);
      return 0;
    }
    case WM_ERASEBKGND: {
      auto dc = reinterpret_cast<HDC>(wParam);
      RECT client;
      GetClientRect(bar, &client);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      CardState card = CardStateOf(state->editor->GetCardReaderState());
      DrawResourceBitmap(card.bitmap, GetResourceInstance(), dc, GetUiMetric(6), GetUiMetric(7));
      ShowWindow(state->buttons[0], card.details ? SW_SHOW : SW_HIDE);
      ShowWindow(state->buttons[1], card.close ? SW_SHOW : SW_HIDE);
      return 1;
    }
    case kMsgReadCard:
      state->editor->SetCardReaderState(state->editor->ReadSwipedCard() ? kCardRead : kCardNotRead);
      return 0;
    case WM_COMMAND: {
      CDocumentView* editor = state->editor;
      if (LOWORD(wParam) == kCardCloseButton) {
        editor->ToggleCardReaderBar();  // the bar is gone from here on
      } else if (LOWORD(wParam) == kCardDetailsButton) {
        // After a failed read: wait for the next swipe.
        editor->SetCardReaderState(kCardWaiting);
        PostMessageW(bar, kMsgReadCard, 0, 0);
      }
      return 0;
    }
    default:
      return DefWindowProcW(bar, msg, wParam, lParam);
  }
}

// ---- The editor's side ---------------------------------------------------------------------

HWND CDocumentView::CreateBar(LPCWSTR className, WNDPROC procedure, int id) {
  RegisterBarClass(className, procedure);
  return CreateWindowExW(0, className, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, GetUiMetric(3), GetUiMetric(4),
                         GetHwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                         this);
}

void CDocumentView::DestroyBars() {
  for (HWND* bar : {&m_scannerBar, &m_cardReaderBar, &m_signatureBar}) {
    if (*bar) DestroyWindow(*bar);
    *bar = nullptr;
  }
}

bool CDocumentView::CloseBars(HWND& own) {
  for (HWND* bar : {&m_scannerBar, &m_cardReaderBar, &m_signatureBar}) {
    if (bar == &own || !*bar) continue;
    DestroyWindow(*bar);
    *bar = nullptr;
  }
  const bool closedOwn = own != nullptr;
  if (closedOwn) {
    DestroyWindow(own);
    own = nullptr;
    Layout();
  }
  // The menu bar's buttons show which bar is open, whichever way one was closed.
  UpdateToolBar(kBarFlagScanner | kBarFlagCardReader | kBarFlagSignature);
  return closedOwn;
}

void CDocumentView::ToggleSignatureBar() {
  if (CloseBars(m_signatureBar)) return;
  m_signatureBar = CreateBar(kSignatureBarClass, KTWSignatureBarWndProc, kSignatureBarId);
  UpdateToolBar(kBarFlagsAll);
}

bool CDocumentView::AcceptOpenSignature() {
  if (!m_signatureBar) return false;
  std::u16string text = m_strokes.ToText();
  ToggleSignatureBar();
  if (text != m_document->GetSignature().view())
    RunDocumentCommand(std::make_unique<CSignatureCommand>(*m_document, std::move(text)), false);
  return true;
}

bool CDocumentView::ToggleScannerBar() {
  if (!m_scanner) {
    MessageBoxFromResource(GetHwnd(), IDS_NO_SCANNER, kStyleInformation);
    return false;
  }
  if (CloseBars(m_scannerBar)) return true;
  // The scanner reports its scans to the editor while the bar is open.
  if (!m_scanner->Load() || !m_scanner->Open(GetHwnd())) return true;
  m_scannerBar = CreateBar(kScannerBarClass, KTWScannerBarWndProc, kScannerBarId);
  UpdateToolBar(kBarFlagsAll);
  return true;
}

bool CDocumentView::ToggleCardReaderBar() {
  if (CloseBars(m_cardReaderBar)) {
    if (m_cardReader) {
      m_cardReader->Close(0);
      m_cardReader->Unload();
    }
    UpdateToolBar(kBarFlagPrint);
    return true;
  }
  if (m_cardReader) {
    if (!m_cardReader->Load() || !m_cardReader->Open(GetHwnd())) return true;
    m_cardReaderState = kCardWaiting;
  } else {
    m_cardReaderState = 9;
  }
  m_cardReaderBar = CreateBar(kCardReaderBarClass, KTWCCReaderBarWndProc, kCardReaderBarId);
  UpdateToolBar(kBarFlagsAll);
  return true;
}
