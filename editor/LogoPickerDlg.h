// The logo picker: the pictures (.BMP) of the logo folder as 32 x 32 thumbnails in an icon
// list; the one chosen becomes the document's logo with its display size.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/WindowObject.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/platform.h"

class CLogoPickerDlg : public CDialogObject<CLogoPickerDlg> {
 public:
  CLogoPickerDlg(HINSTANCE resources, HWND owner);
  virtual ~CLogoPickerDlg();

  // 1 when the user chose a picture (OK or a double tap on one), else 0. The picture
  // named `currentName` exactly (case counts) starts selected.
  INT_PTR DoModal(std::u16string_view currentName);
  void GetResult(std::u16string& fileName, int& width, int& height) const;

  // (w, h) scaled down, aspect kept, to fit a box; never scaled up.
  static SIZE FitInto(SIZE size, SIZE box);

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  struct Row {
    std::u16string fileName;
    int width;
    int height;
  };
  void OnInitDialog();
  void LoadImages();
  void PlaceList(int width, int height);
  void OnListTap(const NMITEMACTIVATE* tap, bool doubleTap);
  void End(INT_PTR result);

  HINSTANCE m_resources;
  HWND m_owner;
  HWND m_list = nullptr;
  HIMAGELIST m_images = nullptr;
  std::u16string m_currentName;
  int m_selected = -1;
  std::vector<Row> m_rows;
  Row m_result{};
  CGdiObject<HFONT> m_headingFont;
  HWND m_okButton = nullptr;
  HWND m_cancelButton = nullptr;
};
