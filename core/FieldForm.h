// The shared data-entry dialog: a heading, a two-column list of labelled fields whose
// values open an editor over their cell when tapped, an optional check box, and OK /
// Cancel. Runs modally or as a page (a modeless child inside another dialog's tab). The
// rules live in CFieldFormModel; this class runs the windows.
#pragma once

#include <optional>

#include "core/FieldFormModel.h"
#include "core/HardwareButton.h"
#include "core/WindowMessages.h"
#include "core/WindowObject.h"

class CFieldForm : public CDialogObject<CFieldForm> {
 public:
  // Asked with the dialog and 1043 or 1044; nonzero keeps the form open.
  using ExtraButtonCallback = int (*)(HWND dialog, int command);

  static constexpr int kListId = 1039;
  static constexpr int kEditorId = 1200;

  // The heading's colour (dark blue) on the form's white.
  static constexpr COLORREF kHeadingColour = 0x9C0000;

  CFieldForm(HINSTANCE resources, HWND parent, const CBstr& heading, int currentField, DWORD spare, int labelWidth,
             int ignoredWidth, ExtraButtonCallback callback);
  virtual ~CFieldForm();

  int AddField(int index, int kind, DWORD flags, const CBstr& label, const CBstr& value, int lines, int maxLength,
               FieldChoiceList* choices) {
    return m_model.AddField(index, kind, flags, label, value, lines, maxLength, choices);
  }
  void SetTitle(const CBstr& text);
  void SetCheckBox(bool state, const CBstr& caption);
  bool GetCheckBox() const { return m_checkState; }
  void SetCurrentField(int index) { m_currentField = index; }
  int GetFieldText(int index, CBstr& out, FieldRows rows = FieldRows::Own) const {
    return m_model.GetFieldText(index, out, rows);
  }
  void RemoveAllFields();
  // Rebuilds the rows from the fields, wraps the multi-line texts again and, when `field`
  // is 0 or more, opens its editor.
  void ReloadFields(int field);
  // A line of text shown below the list (where a check box would stand).
  void SetNote(const CBstr& text);
  // Commits an open editor and checks the required fields without ending; 0 (after
  // saying which field) when one is empty or holds a number too large to use.
  int Validate();

  // 1 accepted, 2 nothing changed, 0 cancelled or every value empty, 3 hardware button.
  INT_PTR DoModal(int templateId, int helpTopic, bool raiseInputPanel);
  HWND CreatePage(HWND parent);

  CFieldFormModel& Model() { return m_model; }
  HWND EditorWindow() const { return m_editor; }

  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void OnInitDialog();
  // Whether the device's maker text names a Treo, whose Done button the form keeps.
  static bool IsTreoDevice();
  void FillList();
  // Shows the values of the rows other than the one being edited as the model holds them
  // now: a choice may have filled them.
  void ShowOtherValues();
  void RewrapMultiLineFields();
  // Opens the editor of field `index`: the one of its kind, or of `asKind` when nonzero
  // (a tap on the arrow of a text with choices asks for the drop-down). A hidden editor
  // is opened only to be committed at once, so that a stored text is wrapped over its rows.
  void StartEditor(int index, int asKind = 0, bool hidden = false);
  enum class EditorKind { kText, kMultiLine, kDropDown };
  static EditorKind EditorKindOf(const FormField& field, int asKind);
  int TappedKind(int index, POINT point) const;
  void PlaceCaret(int editorLeft, int editorTop);
  void CommitEditor();
  // Cuts a text with choices over the field's rows at the width a row shows.
  void CommitSplitText(int index, const CBstr* text);
  // The width of text a value row shows whole (the strip at its right hides the rest).
  int RowTextWidth() const;
  // A bordered edit's text starts this far inside it: its frame and its margin.
  static constexpr int kEditorTextInset = 2;
  void EndForm(int command);
  // The tap-and-hold menu of the open editor: cut, copy, paste, clear, select all.
  void ShowEditMenu(POINT screen);
  // The keys of an open edit: Tab, Down and Up move between fields, Esc cancels, and the
  // field's flags decide which characters it takes.
  static LRESULT EditorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnEditorKey(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void MoveToField(bool forward);
  // After the list paints itself: the arrows of drop-down rows, the calendar of date
  // rows, and a light rule under every row.
  static LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void PaintRowMarks(HWND list);
  // The open editor stands a little right of where its cell's text begins: that strip is
  // painted over, or the old value would show beside what is typed.
  void CoverCellBesideEditor(HDC dc, HWND list);
  void DrawCalendarMark(HDC dc, const RECT& row, int x);
  // Places the check box, the note line and the list in the area: the given size, or
  // (0, 0) for what the input panel leaves, or the parent's client area.
  void LayOut(int width, int height);
  int CheckEnding();
  // False (after saying which field, and opening it) when a number field holds a number
  // too large to use.
  bool NumbersUsable();
  // While active the form holds the hardware key named by the settings; when it loses the
  // activation or closes it lets the key go, back to its owner when it took it from there.
  void TakeHardwareKey();
  void ReleaseHardwareKey();

  CFieldFormModel m_model;
  CHardwareButton m_button;
  HINSTANCE m_resources;
  HWND m_parent;
  CBstr m_heading;
  int m_currentField;
  int m_labelWidth;
  int m_valueWidth;
  ExtraButtonCallback m_callback;
  int m_helpTopic = 0;
  bool m_raiseInputPanel = false;
  bool m_modal = false;
  bool m_hasCheckBox = false;
  bool m_checkState = false;
  CBstr m_checkCaption;
  bool m_hasNote = false;
  bool m_filled = false;  // the rows are filled and wrapped: a new width wraps them again
  HFONT m_headingFont = nullptr;
  HWND m_titleOk = nullptr;
  HWND m_titleCancel = nullptr;
  HWND m_menuBar = nullptr;
  CBstr m_note;
  HWND m_editor = nullptr;
  EditorKind m_editorKind = EditorKind::kText;
  int m_editedField = -1;
  bool m_hotKeyArmed = false;
  UINT m_heldKey = 0;
  bool m_keyFromParent = false;
  bool m_editorCancelled = false;
  std::optional<POINT> m_tap;  // the list point of the tap that is opening an editor
  WNDPROC m_editorDefaultProc = nullptr;
  WNDPROC m_listDefaultProc = nullptr;
};
