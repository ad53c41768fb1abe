// One Customize page: a list of rows, each a label, an On Screen and an On Printer check
// that a tap flips, and a caption edited in place in a text box or a drop-down list. The
// page lives inside the Customize dialog's tab area; the rules are CFieldGridModel's.
#pragma once

#include "core/WindowMessages.h"
#include "core/WindowObject.h"
#include "customers/FieldGridModel.h"
#include "platform/gdi/GdiScopes.h"

class CFieldGridPage : public CDialogObject<CFieldGridPage> {
 public:
  // A caption width of 0 makes a page without a caption column.
  CFieldGridPage(HINSTANCE resources, int startRow, int labelWidth, int screenWidth, int printerWidth,
                 int captionWidth);
  virtual ~CFieldGridPage();

  CFieldGridModel& Model() { return m_model; }
  const CFieldGridModel& Model() const { return m_model; }
  HWND Create(HWND parent);
  // Ends an open edit and says whether the page may be committed; when not, the user is
  // told which caption is required and its editor opens.
  bool Commit();
  // The open caption editor, null when none.
  HWND EditorWindow() const { return m_editor; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void SetupList();
  // The list below the headings' strip, each heading over its column.
  void LayOut(int width, int height);
  void OnTap(int row, int column, POINT point);
  void StartCellEditor(int row, bool asList);
  void EndEdit(bool cancelled);
  RECT CaptionCell(int row) const;
  // After the list paints itself: the drop-down arrow of list rows and a light rule
  // under each row with a caption.
  static LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void PaintRowMarks();
  static LRESULT EditorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnEditorMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HINSTANCE m_resources;
  CFieldGridModel m_model;
  int m_startRow;
  int m_widths[4];
  HWND m_list = nullptr;
  HWND m_editor = nullptr;
  int m_editedRow = -1;
  WNDPROC m_editorDefaultProc = nullptr;
  WNDPROC m_listDefaultProc = nullptr;
  HIMAGELIST m_images = nullptr;
  CGdiObject<HFONT> m_headingFont;
};
