// The tree view: nodes in sibling chains under an invisible root, each with a text (or a
// text asked of the parent), images, a state with the state image in bits 12-15, an lParam
// and a children indicator (I_CHILDRENCALLBACK: asked of the parent). A node's handle is its
// address, checked against the table before use. The rows on screen (the expanded part of
// the tree) are laid out again only when something asks for them after a change, so
// inserting n nodes costs O(n) however often the list is painted in between. The first row
// on screen is the vertical scroll position.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrlInternal.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"

namespace platform::commctrl {

namespace {

using platform::user::DataOf;
using platform::user::StyleOf;

constexpr int kMaxText = 260;
constexpr int kCheckBox = 11;  // the check box drawn when TVS_CHECKBOXES has no state images

struct Node {
  Node* parent = nullptr;
  Node* first = nullptr;
  Node* last = nullptr;
  Node* prev = nullptr;
  Node* next = nullptr;
  std::u16string text;
  bool textCallback = false;
  int image = 0;
  int selectedImage = 0;
  int children = 0;  // 0, 1 or I_CHILDRENCALLBACK
  UINT state = 0;
  LPARAM lParam = 0;
  int depth = 0;  // set by the layout
  int row = -1;   // index among the rows on screen, -1 when hidden (set by the layout)
};

class TreeView : public platform::user::WindowData {
 public:
  std::unordered_map<Node*, std::unique_ptr<Node>> nodes;
  Node root;  // holds the top-level nodes; never a node of the table
  Node* caret = nullptr;
  Node* dropTarget = nullptr;
  HIMAGELIST normal = nullptr;
  HIMAGELIST stateImages = nullptr;
  std::vector<Node*> rows;
  bool stale = true;
  PenTrack pen;
};

std::shared_ptr<TreeView> Model(HWND hwnd) { return DataOf<TreeView>(hwnd); }

HTREEITEM Handle(const Node* n) { return reinterpret_cast<HTREEITEM>(const_cast<Node*>(n)); }

Node* Find(TreeView& t, HTREEITEM h) {
  auto* n = reinterpret_cast<Node*>(h);
  return t.nodes.count(n) ? n : nullptr;
}

// The parent named by an insert: null and TVI_ROOT mean the top level.
Node* ParentOf(TreeView& t, HTREEITEM h) { return !h || h == TVI_ROOT ? &t.root : Find(t, h); }

bool IsAncestor(const Node* a, const Node* n) {
  for (const Node* p = n ? n->parent : nullptr; p; p = p->parent)
    if (p == a) return true;
  return false;
}

// ---- Asking the parent ------------------------------------------------------------------------

TVITEMW Describe(const Node* n, UINT mask) {
  TVITEMW item;
  if (!n) return item;
  item.mask = mask | TVIF_HANDLE;
  item.hItem = Handle(n);
  item.state = n->state;
  item.lParam = n->lParam;
  item.iImage = n->image;
  item.iSelectedImage = n->selectedImage;
  item.cChildren = n->children;
  return item;
}

std::u16string TextOf(HWND hwnd, const Node* n) {
  if (!n->textCallback) return n->text;
  WCHAR buffer[kMaxText] = {};
  NMTVDISPINFOW info;
  info.item = Describe(n, TVIF_TEXT);
  info.item.pszText = buffer;
  info.item.cchTextMax = kMaxText;
  Notify(hwnd, TVN_GETDISPINFOW, &info.hdr);
  const WCHAR* p = info.item.pszText && info.item.pszText != LPSTR_TEXTCALLBACKW ? info.item.pszText : buffer;
  size_t len = 0;
  size_t limit = p == buffer ? kMaxText - 1 : static_cast<size_t>(kMaxText) * 16;
  while (len < limit && p[len]) ++len;
  return std::u16string(p, len);
}

bool HasChildren(HWND hwnd, const Node* n) {
  if (n->first) return true;
  if (n->children != I_CHILDRENCALLBACK) return n->children != 0;
  NMTVDISPINFOW info;
  info.item = Describe(n, TVIF_CHILDREN);
  Notify(hwnd, TVN_GETDISPINFOW, &info.hdr);
  return info.item.cChildren != 0;
}

// ---- Layout -----------------------------------------------------------------------------------

int Indent(const TreeView& t) {
  int cx = 0;
  int cy = 0;
  ImageList_GetIconSize(t.normal, &cx, &cy);
  return std::max(Px(16), cx + Px(3));
}

int RowHeight(HWND hwnd, const TreeView& t) {
  int h = LineHeight(hwnd) + Px(4);
  int cx = 0;
  int cy = 0;
  if (ImageList_GetIconSize(t.normal, &cx, &cy)) h = std::max(h, cy + Px(2));
  if (ImageList_GetIconSize(t.stateImages, &cx, &cy)) h = std::max(h, cy + Px(2));
  return h;
}

int PerPage(HWND hwnd, const TreeView& t) {
  RECT r;
  GetClientRect(hwnd, &r);
  return std::max(1, static_cast<int>(r.bottom) / RowHeight(hwnd, t));
}

int Top(HWND hwnd) { return GetScrollPos(hwnd, SB_VERT); }

// Lays out the rows on screen when something changed since the last time.
void Layout(HWND hwnd, TreeView& t) {
  if (!t.stale) return;
  t.stale = false;
  for (Node* n : t.rows)
    if (t.nodes.count(n)) n->row = -1;  // rows of deleted nodes are gone
  t.rows.clear();
  std::vector<Node*> stack;
  for (Node* c = t.root.last; c; c = c->prev) stack.push_back(c);
  while (!stack.empty()) {
    Node* n = stack.back();
    stack.pop_back();
    n->depth = n->parent == &t.root ? 0 : n->parent->depth + 1;
    n->row = static_cast<int>(t.rows.size());
    t.rows.push_back(n);
    if (n->state & TVIS_EXPANDED)
      for (Node* c = n->last; c; c = c->prev) stack.push_back(c);
  }
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMax = std::max(static_cast<int>(t.rows.size()) - 1, 0);
  si.nPage = static_cast<UINT>(PerPage(hwnd, t));
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

void Changed(HWND hwnd, TreeView& t) {
  t.stale = true;
  Redraw(hwnd);
}

void ScrollTo(HWND hwnd, TreeView& t, int top) {
  Layout(hwnd, t);
  int before = Top(hwnd);
  SetScrollPos(hwnd, SB_VERT, top, TRUE);
  if (Top(hwnd) != before) Redraw(hwnd);
}

// Where the parts of a row lie: the expand button, the state image, the image, the label.
struct RowParts {
  int y = 0;
  int buttonLeft = 0;
  int stateLeft = 0;
  int imageLeft = 0;
  int labelLeft = 0;
  int labelRight = 0;
};

RowParts PartsOf(HWND hwnd, TreeView& t, const Node* n) {
  RowParts p;
  int indent = Indent(t);
  bool atRoot = StyleOf(hwnd) & TVS_LINESATROOT;
  p.y = (n->row - Top(hwnd)) * RowHeight(hwnd, t);
  p.buttonLeft = (n->depth + (atRoot ? 0 : -1)) * indent;
  int x = p.buttonLeft + indent;
  int cx = 0;
  int cy = 0;
  p.stateLeft = x;
  if (n->state & TVIS_STATEIMAGEMASK) {
    if (ImageList_GetIconSize(t.stateImages, &cx, &cy)) x += cx;
    else if (StyleOf(hwnd) & TVS_CHECKBOXES) x += Px(kCheckBox + 3);
  }
  p.imageLeft = x;
  if (ImageList_GetIconSize(t.normal, &cx, &cy)) x += cx + Px(2);
  p.labelLeft = x;
  p.labelRight = x + TextWidthOf(hwnd, TextOf(hwnd, n)) + Px(4);
  return p;
}

struct Hit {
  Node* node = nullptr;
  UINT flags = TVHT_NOWHERE;
};

Hit HitTest(HWND hwnd, TreeView& t, POINT pt) {
  Layout(hwnd, t);
  Hit hit;
  RECT client;
  GetClientRect(hwnd, &client);
  if (pt.y < 0) return Hit{nullptr, TVHT_ABOVE};
  if (pt.y >= client.bottom) return Hit{nullptr, TVHT_BELOW};
  if (pt.x < 0) return Hit{nullptr, TVHT_TOLEFT};
  if (pt.x >= client.right - platform::VerticalScrollBarWidth(hwnd)) return Hit{nullptr, TVHT_TORIGHT};
  int row = Top(hwnd) + pt.y / RowHeight(hwnd, t);
  if (row < 0 || row >= static_cast<int>(t.rows.size())) return hit;
  hit.node = t.rows[static_cast<size_t>(row)];
  RowParts p = PartsOf(hwnd, t, hit.node);
  if (pt.x < p.buttonLeft) hit.flags = TVHT_ONITEMINDENT;
  else if (pt.x < p.stateLeft) hit.flags = (StyleOf(hwnd) & TVS_HASBUTTONS) && HasChildren(hwnd, hit.node) ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
  else if (pt.x < p.imageLeft) hit.flags = TVHT_ONITEMSTATEICON;
  else if (pt.x < p.labelLeft) hit.flags = TVHT_ONITEMICON;
  else if (pt.x < p.labelRight) hit.flags = TVHT_ONITEMLABEL;
  else hit.flags = TVHT_ONITEMRIGHT;
  return hit;
}

// ---- Changes ----------------------------------------------------------------------------------

void Store(Node& n, const TVITEMW& item) {
  if (item.mask & TVIF_TEXT) {
    n.textCallback = item.pszText == LPSTR_TEXTCALLBACKW;
    n.text = n.textCallback || !item.pszText ? u"" : std::u16string(item.pszText);
  }
  if (item.mask & TVIF_IMAGE) n.image = item.iImage;
  if (item.mask & TVIF_SELECTEDIMAGE) n.selectedImage = item.iSelectedImage;
  if (item.mask & TVIF_CHILDREN) n.children = item.cChildren;
  if (item.mask & TVIF_PARAM) n.lParam = item.lParam;
  // The selection and expansion belong to the control; the rest of the state to the caller.
  if (item.mask & TVIF_STATE) {
    UINT mask = item.stateMask & ~(TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    n.state = (n.state & ~mask) | (item.state & mask);
  }
}

void Link(Node* parent, Node* after, Node* n) {
  n->parent = parent;
  n->prev = after;
  n->next = after ? after->next : parent->first;
  if (n->next) n->next->prev = n;
  else parent->last = n;
  if (after) after->next = n;
  else parent->first = n;
}

void Unlink(Node* n) {
  Node* parent = n->parent;
  if (n->prev) n->prev->next = n->next;
  else parent->first = n->next;
  if (n->next) n->next->prev = n->prev;
  else parent->last = n->prev;
}

HTREEITEM Insert(HWND hwnd, TreeView& t, const TVINSERTSTRUCTW* ins) {
  if (!ins) return nullptr;
  Node* parent = ParentOf(t, ins->hParent);
  if (!parent) return nullptr;
  auto owned = std::make_unique<Node>();
  Node* n = owned.get();
  Store(*n, ins->item);
  Node* after = parent->last;
  if (ins->hInsertAfter == TVI_FIRST) {
    after = nullptr;
  } else if (ins->hInsertAfter == TVI_SORT) {
    // Names arriving in order go to the end at once; others find their place.
    std::u16string text = n->text;
    auto greater = [&](const Node* s) { return platform::CompareIgnoreCase(s->text, text) > 0; };
    if (after && greater(after)) {
      after = nullptr;
      for (Node* s = parent->first; s && !greater(s); s = s->next) after = s;
    }
  } else if (ins->hInsertAfter != TVI_LAST) {
    Node* given = Find(t, ins->hInsertAfter);
    if (given && given->parent == parent) after = given;
  }
  if ((StyleOf(hwnd) & TVS_CHECKBOXES) && !(n->state & TVIS_STATEIMAGEMASK)) n->state |= INDEXTOSTATEIMAGEMASK(1);
  Link(parent, after, n);
  t.nodes.emplace(n, std::move(owned));
  Changed(hwnd, t);
  return Handle(n);
}

bool Select(HWND hwnd, TreeView& t, Node* n, UINT action);

void Forget(TreeView& t, Node* n) {
  if (t.caret == n) t.caret = nullptr;
  if (t.dropTarget == n) t.dropTarget = nullptr;
  t.nodes.erase(n);
}

// Deletes a node and everything below it, children first, telling the parent of each.
void DeleteTree(HWND hwnd, TreeView& t, Node* n) {
  while (n->first) DeleteTree(hwnd, t, n->first);
  NMTREEVIEWW nm;
  nm.itemOld = Describe(n, TVIF_PARAM);
  Notify(hwnd, TVN_DELETEITEMW, &nm.hdr);
  Unlink(n);
  Forget(t, n);
}

BOOL Delete(HWND hwnd, TreeView& t, HTREEITEM h) {
  if (!h || h == TVI_ROOT) {
    t.caret = nullptr;
    while (t.root.first) DeleteTree(hwnd, t, t.root.first);
    SetScrollPos(hwnd, SB_VERT, 0, TRUE);
    Changed(hwnd, t);
    return TRUE;
  }
  Node* n = Find(t, h);
  if (!n) return FALSE;
  // A deleted selection passes to the next sibling, the previous one or the parent.
  if (t.caret == n || IsAncestor(n, t.caret)) {
    Node* heir = n->next ? n->next : n->prev ? n->prev : n->parent != &t.root ? n->parent : nullptr;
    if (heir) Select(hwnd, t, heir, TVC_UNKNOWN);
    if (!Model(hwnd)) return FALSE;
    if (t.caret == n || IsAncestor(n, t.caret)) t.caret = nullptr;
  }
  Node* parent = n->parent;
  DeleteTree(hwnd, t, n);
  if (parent != &t.root && !parent->first) parent->state &= ~TVIS_EXPANDED;
  Changed(hwnd, t);
  return TRUE;
}

// Expands or collapses `n`. Notifies the parent unless a TVM_EXPAND finds the node
// expanded once before; the parent may fill the children while expanding, or remove them
// while collapsing, and may cancel by answering TRUE.
BOOL Expand(HWND hwnd, TreeView& t, Node* n, WPARAM how, bool byPen) {
  if (!n) return FALSE;
  UINT code = static_cast<UINT>(how & 0x3);
  bool expanded = n->state & TVIS_EXPANDED;
  if (code == TVE_TOGGLE) code = expanded ? TVE_COLLAPSE : TVE_EXPAND;
  if (code == TVE_EXPAND && expanded) return TRUE;
  if (code == TVE_COLLAPSE && !expanded && !(how & TVE_COLLAPSERESET)) return TRUE;
  if (code == TVE_EXPAND && !HasChildren(hwnd, n)) return FALSE;
  if (code == TVE_COLLAPSE && IsAncestor(n, t.caret)) Select(hwnd, t, n, TVC_UNKNOWN);
  bool notify = byPen || !(n->state & TVIS_EXPANDEDONCE);
  if (notify) {
    NMTREEVIEWW nm;
    nm.action = code;
    nm.itemNew = Describe(n, TVIF_STATE | TVIF_PARAM);
    if (Notify(hwnd, TVN_ITEMEXPANDINGW, &nm.hdr)) return FALSE;
    if (!Model(hwnd) || !Find(t, Handle(n))) return FALSE;
  }
  if (code == TVE_EXPAND) {
    n->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  } else {
    n->state &= ~TVIS_EXPANDED;
    if (how & TVE_COLLAPSERESET) {
      while (n->first) DeleteTree(hwnd, t, n->first);
      n->state &= ~TVIS_EXPANDEDONCE;
    }
  }
  Changed(hwnd, t);
  if (notify) {
    NMTREEVIEWW nm;
    nm.action = code;
    nm.itemNew = Describe(n, TVIF_STATE | TVIF_PARAM);
    Notify(hwnd, TVN_ITEMEXPANDEDW, &nm.hdr);
  }
  return TRUE;
}

void EnsureVisible(HWND hwnd, TreeView& t, Node* n) {
  std::vector<Node*> up;
  for (Node* p = n->parent; p && p != &t.root; p = p->parent) up.push_back(p);
  for (auto it = up.rbegin(); it != up.rend(); ++it)
    if (!((*it)->state & TVIS_EXPANDED)) Expand(hwnd, t, *it, TVE_EXPAND, false);
  if (!Model(hwnd) || !Find(t, Handle(n))) return;
  Layout(hwnd, t);
  if (n->row < 0) return;
  int top = Top(hwnd);
  int page = PerPage(hwnd, t);
  if (n->row < top) ScrollTo(hwnd, t, n->row);
  else if (n->row >= top + page) ScrollTo(hwnd, t, n->row - page + 1);
}

bool Select(HWND hwnd, TreeView& t, Node* n, UINT action) {
  if (n == t.caret) return true;
  NMTREEVIEWW nm;
  nm.action = action;
  nm.itemOld = Describe(t.caret, TVIF_STATE | TVIF_PARAM);
  nm.itemNew = Describe(n, TVIF_STATE | TVIF_PARAM);
  if (Notify(hwnd, TVN_SELCHANGINGW, &nm.hdr)) return false;
  if (!Model(hwnd) || (n && !Find(t, Handle(n)))) return false;
  Node* old = t.caret && Find(t, Handle(t.caret)) ? t.caret : nullptr;
  if (old) old->state &= ~TVIS_SELECTED;
  t.caret = n;
  if (n) n->state |= TVIS_SELECTED;
  Redraw(hwnd);
  NMTREEVIEWW done;
  done.action = action;
  done.itemOld = Describe(old, TVIF_STATE | TVIF_PARAM);
  done.itemNew = Describe(n, TVIF_STATE | TVIF_PARAM);
  Notify(hwnd, TVN_SELCHANGEDW, &done.hdr);
  if (n && Model(hwnd) && Find(t, Handle(n))) EnsureVisible(hwnd, t, n);
  return true;
}

Node* NextItem(HWND hwnd, TreeView& t, WPARAM how, HTREEITEM h) {
  Node* n = Find(t, h);
  switch (how) {
    case TVGN_ROOT: return t.root.first;
    case TVGN_CARET: return t.caret;
    case TVGN_DROPHILITE: return t.dropTarget;
    case TVGN_CHILD: return h == TVI_ROOT || !h ? t.root.first : n ? n->first : nullptr;
    case TVGN_NEXT: return n ? n->next : nullptr;
    case TVGN_PREVIOUS: return n ? n->prev : nullptr;
    case TVGN_PARENT: return n && n->parent != &t.root ? n->parent : nullptr;
    default: break;
  }
  Layout(hwnd, t);
  int count = static_cast<int>(t.rows.size());
  switch (how) {
    case TVGN_FIRSTVISIBLE: {
      int top = Top(hwnd);
      return top < count ? t.rows[static_cast<size_t>(top)] : nullptr;
    }
    case TVGN_LASTVISIBLE: return count ? t.rows.back() : nullptr;
    case TVGN_NEXTVISIBLE: return n && n->row >= 0 && n->row + 1 < count ? t.rows[static_cast<size_t>(n->row + 1)] : nullptr;
    case TVGN_PREVIOUSVISIBLE: return n && n->row > 0 ? t.rows[static_cast<size_t>(n->row - 1)] : nullptr;
    default: return nullptr;
  }
}

BOOL GetItem(HWND hwnd, TreeView& t, TVITEMW* item) {
  if (!item) return FALSE;
  Node* n = Find(t, item->hItem);
  if (!n) return FALSE;
  if (item->mask & TVIF_TEXT) CopyOut(TextOf(hwnd, n), item->pszText, item->cchTextMax);
  if (item->mask & TVIF_IMAGE) item->iImage = n->image;
  if (item->mask & TVIF_SELECTEDIMAGE) item->iSelectedImage = n->selectedImage;
  if (item->mask & TVIF_CHILDREN) item->cChildren = n->first && n->children == 0 ? 1 : n->children;
  if (item->mask & TVIF_PARAM) item->lParam = n->lParam;
  if (item->mask & TVIF_STATE) item->state = n->state & item->stateMask;
  return TRUE;
}

BOOL SetItem(HWND hwnd, TreeView& t, const TVITEMW* item) {
  if (!item) return FALSE;
  Node* n = Find(t, item->hItem);
  if (!n) return FALSE;
  Store(*n, *item);
  Changed(hwnd, t);
  return TRUE;
}

// With TVS_CHECKBOXES the control keeps the check itself: state image 1 unchecked, 2 checked.
void ToggleCheck(HWND hwnd, Node* n) {
  UINT image = (n->state & TVIS_STATEIMAGEMASK) >> 12;
  n->state = (n->state & ~TVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(image == 2 ? 1 : 2);
  Redraw(hwnd);
}

// ---- Painting ---------------------------------------------------------------------------------

// How the selection shows: not at all, in the highlight (the tree has the focus), or in
// the button face grey (TVS_SHOWSELALWAYS without the focus).
enum class SelectionLook { kHidden, kActive, kInactive };

void PaintRow(HWND hwnd, HDC dc, TreeView& t, Node* n, SelectionLook look) {
  RowParts p = PartsOf(hwnd, t, n);
  int h = RowHeight(hwnd, t);
  int mid = p.y + h / 2;
  int indent = Indent(t);
  COLORREF lines = GetSysColor(COLOR_BTNSHADOW);
  DWORD style = StyleOf(hwnd);
  if (style & TVS_HASLINES) {
    int x = p.buttonLeft + indent / 2;
    if (n->parent != &t.root || (style & TVS_LINESATROOT)) {
      Line(dc, x, mid, p.buttonLeft + indent - 2, mid, lines);
      bool first = !n->prev && n->parent == &t.root;
      Line(dc, x, first ? mid : p.y, x, n->next ? p.y + h - 1 : mid, lines);
    }
    // The lines of the ancestors that have siblings still to come.
    int ax = x - indent;
    for (Node* a = n->parent; a && a != &t.root; a = a->parent, ax -= indent)
      if (a->next && (a->parent != &t.root || (style & TVS_LINESATROOT))) Line(dc, ax, p.y, ax, p.y + h - 1, lines);
  }
  if ((style & TVS_HASBUTTONS) && HasChildren(hwnd, n) && (n->parent != &t.root || (style & TVS_LINESATROOT))) {
    int cx = p.buttonLeft + indent / 2;
    const int s = Px(1);
    RECT box{cx - 4 * s, mid - 4 * s, cx + 4 * s + 1, mid + 4 * s + 1};
    FillColor(dc, box, GetSysColor(COLOR_WINDOW));
    for (int t = 0; t < s; ++t) {
      FrameColor(dc, RECT{box.left + t, box.top + t, box.right - t, box.bottom - t}, lines);
      Line(dc, cx - 2 * s, mid + t, cx + 2 * s, mid + t, RGB(0, 0, 0));
      if (!(n->state & TVIS_EXPANDED)) Line(dc, cx + t, mid - 2 * s, cx + t, mid + 2 * s, RGB(0, 0, 0));
    }
  }
  int cx = 0;
  int cy = 0;
  UINT stateImage = (n->state & TVIS_STATEIMAGEMASK) >> 12;
  if (stateImage && ImageList_GetIconSize(t.stateImages, &cx, &cy)) {
    ImageList_Draw(t.stateImages, static_cast<int>(stateImage), dc, p.stateLeft, p.y + (h - cy) / 2, ILD_TRANSPARENT);
  } else if (stateImage && (style & TVS_CHECKBOXES)) {
    const int side = Px(kCheckBox);
    RECT box{p.stateLeft + Px(1), mid - side / 2, p.stateLeft + Px(1) + side, mid - side / 2 + side};
    FillColor(dc, box, GetSysColor(COLOR_WINDOW));
    for (int k = 0; k < Px(1); ++k) {
      FrameColor(dc, RECT{box.left + k, box.top + k, box.right - k, box.bottom - k}, RGB(0, 0, 0));
      if (stateImage != 2) continue;
      Line(dc, box.left + Px(2) + k, box.top + Px(2), box.right - Px(3) + k, box.bottom - Px(3), RGB(0, 0, 0));
      Line(dc, box.right - Px(3) + k, box.top + Px(2), box.left + Px(2) + k, box.bottom - Px(3), RGB(0, 0, 0));
    }
  }
  if (ImageList_GetIconSize(t.normal, &cx, &cy))
    ImageList_Draw(t.normal, n == t.caret ? n->selectedImage : n->image, dc, p.imageLeft, p.y + (h - cy) / 2,
                   ILD_TRANSPARENT);
  bool selected = n == t.caret && look != SelectionLook::kHidden;
  bool active = look == SelectionLook::kActive;
  RECT label{p.labelLeft, p.y + 1, p.labelRight, p.y + h - 1};
  if (selected) FillColor(dc, label, GetSysColor(active ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
  RECT text{label.left + Px(2), label.top, label.right, label.bottom};
  int ink = !selected ? COLOR_WINDOWTEXT : active ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT;
  DrawLabel(dc, TextOf(hwnd, n), text, DT_LEFT | DT_VCENTER, GetSysColor(ink));
}

void Paint(HWND hwnd, TreeView& t) {
  Layout(hwnd, t);
  PaintScope paint(hwnd);
  HDC dc = paint.dc();
  if (!dc) return;
  const RECT& client = paint.client();
  int h = RowHeight(hwnd, t);
  int first = Top(hwnd);
  int last = std::min(static_cast<int>(t.rows.size()), first + (static_cast<int>(client.bottom) + h - 1) / h);
  SelectionLook look = GetFocus() == hwnd                     ? SelectionLook::kActive
                       : (StyleOf(hwnd) & TVS_SHOWSELALWAYS) ? SelectionLook::kInactive
                                                              : SelectionLook::kHidden;
  // Painting asks the parent for texts; copy the rows in case it changes the tree meanwhile.
  std::vector<HTREEITEM> shown;
  for (int r = first; r < last; ++r) shown.push_back(Handle(t.rows[static_cast<size_t>(r)]));
  for (HTREEITEM item : shown)
    if (Node* n = Find(t, item); n && n->row >= 0) PaintRow(hwnd, dc, t, n, look);
  if (StyleOf(hwnd) & WS_BORDER) FrameColor(dc, client, RGB(0, 0, 0));
  platform::RedrawVerticalScrollBar(hwnd);
}

// ---- Pen and keys ---------------------------------------------------------------------------

void OnPenDown(HWND hwnd, TreeView& t, LPARAM lParam) {
  SetFocus(hwnd);
  Hit hit = HitTest(hwnd, t, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (hit.node && hit.flags == TVHT_ONITEMBUTTON) {
    Expand(hwnd, t, hit.node, TVE_TOGGLE, true);
  } else if (hit.node && (hit.flags & TVHT_ONITEM)) {
    Select(hwnd, t, hit.node, TVC_BYMOUSE);
    if (hit.flags == TVHT_ONITEMSTATEICON && (StyleOf(hwnd) & TVS_CHECKBOXES) && Find(t, Handle(hit.node)))
      ToggleCheck(hwnd, hit.node);
  }
  if (Model(hwnd)) t.pen.Down(hwnd, lParam);
}

void OnPenUp(HWND hwnd, TreeView& t, LPARAM lParam) {
  if (!t.pen.down) return;
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (t.pen.UpIsHold(hwnd, lParam)) {
    NotifyHold(hwnd, pt);
    return;
  }
  NMHDR hdr;
  Notify(hwnd, NM_CLICK, &hdr);
}

void OnDoubleTap(HWND hwnd, TreeView& t, LPARAM lParam) {
  NMHDR hdr;
  if (Notify(hwnd, NM_DBLCLK, &hdr) || !Model(hwnd)) return;
  Hit hit = HitTest(hwnd, t, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (hit.node && (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL))) Expand(hwnd, t, hit.node, TVE_TOGGLE, true);
}

void OnKey(HWND hwnd, TreeView& t, WPARAM vk) {
  Layout(hwnd, t);
  Node* n = t.caret;
  if (!n) {
    if (!t.rows.empty()) Select(hwnd, t, t.rows.front(), TVC_BYKEYBOARD);
    return;
  }
  int row = n->row;
  int count = static_cast<int>(t.rows.size());
  int page = std::max(PerPage(hwnd, t) - 1, 1);
  Node* to = nullptr;
  switch (vk) {
    case VK_DOWN: to = row + 1 < count ? t.rows[static_cast<size_t>(row + 1)] : nullptr; break;
    case VK_UP: to = row > 0 ? t.rows[static_cast<size_t>(row - 1)] : nullptr; break;
    case VK_NEXT: to = count ? t.rows[static_cast<size_t>(std::min(row + page, count - 1))] : nullptr; break;
    case VK_PRIOR: to = count ? t.rows[static_cast<size_t>(std::max(row - page, 0))] : nullptr; break;
    case VK_HOME: to = count ? t.rows.front() : nullptr; break;
    case VK_END: to = count ? t.rows.back() : nullptr; break;
    case VK_RIGHT:
      if (!(n->state & TVIS_EXPANDED)) Expand(hwnd, t, n, TVE_EXPAND, true);
      else to = n->first;
      break;
    case VK_LEFT:
      if (n->state & TVIS_EXPANDED) Expand(hwnd, t, n, TVE_COLLAPSE, true);
      else to = n->parent != &t.root ? n->parent : nullptr;
      break;
    case VK_SPACE:
      if (StyleOf(hwnd) & TVS_CHECKBOXES) ToggleCheck(hwnd, n);
      break;
    case VK_RETURN: {
      NMHDR hdr;
      Notify(hwnd, NM_RETURN, &hdr);
      break;
    }
    default: break;
  }
  if (to && Model(hwnd)) Select(hwnd, t, to, TVC_BYKEYBOARD);
}

LRESULT OnScroll(HWND hwnd, TreeView& t, WPARAM wParam) {
  Layout(hwnd, t);
  std::optional<int> top = platform::ScrolledTopLine(hwnd, wParam, PerPage(hwnd, t), static_cast<int>(t.rows.size()));
  if (top) ScrollTo(hwnd, t, *top);
  return 0;
}

LRESULT Dispatch(HWND hwnd, TreeView& t, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto item = reinterpret_cast<HTREEITEM>(lParam);
  switch (msg) {
    case TVM_INSERTITEMW: return reinterpret_cast<LRESULT>(Insert(hwnd, t, reinterpret_cast<const TVINSERTSTRUCTW*>(lParam)));
    case TVM_DELETEITEM: return Delete(hwnd, t, item);
    case TVM_EXPAND: return Expand(hwnd, t, Find(t, item), wParam, false);
    case TVM_GETITEMW: return GetItem(hwnd, t, reinterpret_cast<TVITEMW*>(lParam));
    case TVM_SETITEMW: return SetItem(hwnd, t, reinterpret_cast<const TVITEMW*>(lParam));
    case TVM_GETNEXTITEM: return reinterpret_cast<LRESULT>(Handle(NextItem(hwnd, t, wParam, item)));
    case TVM_SELECTITEM: {
      Node* n = item ? Find(t, item) : nullptr;
      if (item && !n) return FALSE;
      if (wParam == TVGN_CARET) return Select(hwnd, t, n, TVC_UNKNOWN);
      if (wParam == TVGN_DROPHILITE) {
        t.dropTarget = n;
        Redraw(hwnd);
        return TRUE;
      }
      if (wParam == TVGN_FIRSTVISIBLE && n) {
        EnsureVisible(hwnd, t, n);
        if (n->row >= 0) ScrollTo(hwnd, t, n->row);
        return TRUE;
      }
      return FALSE;
    }
    case TVM_ENSUREVISIBLE: {
      Node* n = Find(t, item);
      if (!n) return FALSE;
      EnsureVisible(hwnd, t, n);
      return TRUE;
    }
    case TVM_HITTEST: {
      auto* info = reinterpret_cast<TVHITTESTINFO*>(lParam);
      if (!info) return 0;
      Hit hit = HitTest(hwnd, t, info->pt);
      info->flags = hit.flags;
      info->hItem = Handle(hit.node);
      return reinterpret_cast<LRESULT>(info->hItem);
    }
    case TVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return FALSE;
      HTREEITEM asked = nullptr;
      std::memcpy(&asked, static_cast<const void*>(r), sizeof(asked));  // the item comes in where the rectangle goes out
      Node* n = Find(t, asked);
      if (!n) return FALSE;
      Layout(hwnd, t);
      if (n->row < 0) return FALSE;
      RowParts p = PartsOf(hwnd, t, n);
      RECT client;
      GetClientRect(hwnd, &client);
      *r = wParam ? RECT{p.labelLeft, p.y, p.labelRight, p.y + RowHeight(hwnd, t)}
                  : RECT{0, p.y, client.right - platform::VerticalScrollBarWidth(hwnd), p.y + RowHeight(hwnd, t)};
      return TRUE;
    }
    case TVM_GETCOUNT: return static_cast<LRESULT>(t.nodes.size());
    case TVM_GETVISIBLECOUNT: return PerPage(hwnd, t);
    case TVM_GETINDENT: return Indent(t);
    case TVM_SETIMAGELIST: {
      HIMAGELIST* slot = wParam == TVSIL_NORMAL ? &t.normal : wParam == TVSIL_STATE ? &t.stateImages : nullptr;
      if (!slot) return 0;
      HIMAGELIST old = *slot;
      *slot = reinterpret_cast<HIMAGELIST>(lParam);
      Changed(hwnd, t);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == TVSIL_NORMAL ? t.normal : wParam == TVSIL_STATE ? t.stateImages : nullptr);
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

LRESULT TreeViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto t = ModelFor<TreeView>(hwnd, msg);
  if (!t || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE: platform::AttachVerticalScrollBar(hwnd); return 0;
    case WM_SIZE:
    case WM_SETFONT:
    case WM_SETREDRAW:
      if (msg != WM_SIZE) DefWindowProcW(hwnd, msg, wParam, lParam);
      if (msg != WM_SETREDRAW || wParam) Changed(hwnd, *t);
      return 0;
    case WM_ERASEBKGND: return EraseWith(hwnd, wParam, GetSysColor(COLOR_WINDOW));
    case WM_PAINT:
      Paint(hwnd, *t);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Redraw(hwnd);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
      if (RouteInput(hwnd, *t, msg, wParam, lParam)) return 0;
      return Dispatch(hwnd, *t, msg, wParam, lParam);
  }
}

}  // namespace platform::commctrl
