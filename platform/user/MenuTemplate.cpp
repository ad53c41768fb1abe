// Menu templates: LoadMenuW and LoadMenuIndirectW read MENU and MENUEX resources, within
// their bounds, into new menus.
#include <cstdint>

#include "platform/base/Base.h"
#include "platform/module/Module.h"
#include "platform/user/Dialog.h"
#include "platform/user/Menu.h"

namespace {

constexpr size_t kUnknownMenuSpan = 64 * 1024;
constexpr int kMaxDepth = 8;

class MenuReader {
 public:
  MenuReader(const std::uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Ok() const { return m_ok; }
  WORD Word() {
    if (!m_ok || m_pos + 2 > m_size) {
      m_ok = false;
      return 0;
    }
    WORD v = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
  }
  DWORD Dword() {
    WORD lo = Word();
    return lo | (static_cast<DWORD>(Word()) << 16);
  }
  std::u16string Text() {
    std::u16string s;
    for (WORD c = Word(); m_ok && c; c = Word()) {
      if (s.size() > 1024) m_ok = false;
      s.push_back(static_cast<char16_t>(c));
    }
    return s;
  }
  void Align() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t n) { m_pos += n; }

 private:
  const std::uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
  bool m_ok = true;
};

bool ReadItems(MenuReader& r, HMENU menu, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    WORD flags = r.Word();
    if (!r.Ok()) return false;
    if (flags & MF_POPUP) {
      std::u16string text = r.Text();
      HMENU sub = CreatePopupMenu();
      if (!AppendMenuW(menu, (flags & ~(MF_END)) | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str()) ||
          !ReadItems(r, sub, depth + 1))
        return false;
    } else {
      WORD id = r.Word();
      std::u16string text = r.Text();
      UINT f = flags & ~MF_END;
      if (id == 0 && text.empty()) f |= MF_SEPARATOR;
      if (!r.Ok() || !AppendMenuW(menu, f, id, text.c_str())) return false;
    }
    if (flags & MF_END) return r.Ok();
  }
}

bool ReadItemsEx(MenuReader& r, HMENU menu, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    r.Align();
    DWORD type = r.Dword();
    DWORD state = r.Dword();
    DWORD id = r.Dword();
    WORD flags = r.Word();
    std::u16string text = r.Text();
    if (!r.Ok()) return false;
    UINT f = (type & (MFT_SEPARATOR | MFT_OWNERDRAW)) | (state & (MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT));
    // Some resource compilers write a separator as a plain item without id or text.
    if (!(flags & 0x01) && id == 0 && text.empty()) f |= MF_SEPARATOR;
    if (flags & 0x01) {
      r.Align();
      r.Dword();  // help id
      HMENU sub = CreatePopupMenu();
      if (!AppendMenuW(menu, f | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str())) return false;
      MENUITEMINFOW info;
      info.fMask = MIIM_ID;
      info.wID = id;
      SetMenuItemInfoW(menu, static_cast<UINT>(GetMenuItemCount(menu) - 1), TRUE, &info);
      if (!ReadItemsEx(r, sub, depth + 1)) return false;
    } else if (!AppendMenuW(menu, f, id, text.c_str())) {
      return false;
    }
    if (flags & MF_END) return true;
  }
}

HMENU Parse(const std::uint8_t* data, size_t size) {
  MenuReader r(data, size);
  WORD version = r.Word();
  WORD offset = r.Word();
  if (!r.Ok() || version > 1) return nullptr;
  HMENU menu = CreateMenu();
  bool ok;
  if (version == 0) {
    r.Skip(offset);
    ok = ReadItems(r, menu, 0);
  } else {
    r.Skip(offset);  // MENUEX: the help id sits before the items
    ok = ReadItemsEx(r, menu, 0);
  }
  if (!ok) {
    DestroyMenu(menu);
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return menu;
}

}  // namespace

HMENU LoadMenuIndirectW(const void* menuTemplate) {
  if (!menuTemplate) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  WORD type = 0;
  DWORD left = 0;
  size_t size = platform::FindResourceOfData(menuTemplate, &type, nullptr, &left) ? left : kUnknownMenuSpan;
  return Parse(static_cast<const std::uint8_t*>(menuTemplate), size);
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
  HRSRC res = FindResourceW(instance, name, RT_MENU);
  if (!res) return nullptr;
  auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(instance, res)));
  return Parse(data, SizeofResource(instance, res));
}
