// The data-entry dialog driven as a person would: every editor kind filled and read back,
// a required field and a number too large refused, and a page inside another window.
#include "FieldFormFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/DialogTitleBar.h"
#include "core/FieldForm.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "platform/shell/InputPanel.h"
#include "platform/shell/Shell.h"
#include "core/UiMetrics.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/user/Paint.h"
#include "core/ResourceText.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

class FieldFormDialog : public slateway::testing::FieldFormTest {
 protected:
  // One field of each editor kind: text, multi-line text over three rows, yes/no,
  // choice list, date, masked text.
  static void AddEveryKind(CFieldForm& form, FieldChoiceList& terms) {
    terms.AddNew(CBstr(u"Net 15"), CBstr(u"15"));
    terms.AddNew(CBstr(u"Net 30"), CBstr(u"30"));
    form.AddField(0, kFieldText, kFlagEditable | kFlagRequired, CBstr(u"Name"), CBstr(), 1, 41, nullptr);
    form.AddField(1, kFieldMultiLine, kFlagEditable, CBstr(u"Address"), CBstr(), 3, 200, nullptr);
    form.AddField(2, kFieldMultiLineRow, 0, CBstr(), CBstr(), 1, 200, nullptr);
    form.AddField(3, kFieldMultiLineRow, 0, CBstr(), CBstr(), 1, 200, nullptr);
    form.AddField(4, kFieldYesNo, kFlagEditable, CBstr(u"Taxable"), CBstr(u"Yes"), 1, 4, nullptr);
    form.AddField(5, kFieldChoice, kFlagEditable, CBstr(u"Terms"), CBstr(), 1, 40, &terms);
    form.AddField(6, kFieldDate, kFlagEditable, CBstr(u"Since"), CBstr(u"3/1/2026"), 1, 20, nullptr);
    form.AddField(7, kFieldText, kFlagEditable | kFlagMasked, CBstr(u"PIN"), CBstr(), 1, 41, nullptr);
  }
  // The small screen (240 px wide) or the large, high-resolution one (480 px).
  void UseScreen(int width) {
    platform::SetScreenProfile(width == 240 ? platform::ScreenProfile::Portrait240x320
                                            : platform::ScreenProfile::Portrait480x640);
    SetHighResolution(width == 480);
  }
  // The rows from `first` on hold `whole`, each within what its value column shows.
  static void ExpectWrappedWithinRows(DialogDriver& d, int first, int rows, const std::u16string& whole) {
    HWND list = d.Control(IDC_FORM_LIST);
    int shown = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0)) - GetUiMetric(42);
    CWindowDC dc(list);
    CSelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    std::u16string joined;
    for (int row = first; row < first + rows; ++row) {
      std::u16string text = d.ListView(IDC_FORM_LIST).Text(row, 2);
      joined += text;
      SIZE size{};
      GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
      EXPECT_LE(size.cx, shown) << "row " << row << ": " << std::string(text.begin(), text.end());
    }
    EXPECT_EQ(joined, whole);
  }
  static std::u16string Read(CFieldForm& form, int index) {
    CBstr out;
    form.GetFieldText(index, out, FieldRows::JoinedOnLines);
    return out.str();
  }
};

TEST_F(FieldFormDialog, EveryEditorKindIsFilledAndReadBack) {
  FieldChoiceList terms;
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(u"Customer"), -1, 0, 60, 0, nullptr);
  AddEveryKind(form, terms);
  form.SetCheckBox(false, CBstr(u"Active"));

  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Customer");
    EXPECT_EQ(d.Text(IDC_FORM_CHECK), u"Active");
    d.Tap(IDC_FORM_CHECK);
    EXPECT_TRUE(d.IsChecked(IDC_FORM_CHECK));
    Edit(d, 0, u"Ada Lovelace");
    Edit(d, 1, u"12 Hill Rd\r\rLondon");
    SendMessageW(d.Window(), kMsgStartEditor, 0, 4);
    SendMessageW(d.Focus(), CB_SETCURSEL, 1, 0);
    SendMessageW(d.Window(), kMsgStartEditor, 0, 5);
    SendMessageW(d.Focus(), CB_SETCURSEL, 1, 0);
    SendMessageW(d.Window(), kMsgStartEditor, 0, 6);  // the picker runs the next step
    Edit(d, 7, u"1234");
    SendMessageW(d.Window(), kMsgStartEditor, 0, 0);  // leaving the field commits it
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(7, 2), u"********");
    d.Ok();
  });
  ui.ExpectDialog(IDD_DATE_PICKER, [](DialogDriver& d) {
    SetFocus(d.Control(IDC_DATE_CALENDAR));
    d.Key(VK_RIGHT);
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(Read(form, 0), u"Ada Lovelace");
  EXPECT_EQ(Read(form, 1), u"12 Hill Rd\r\n\r\nLondon");
  EXPECT_EQ(Read(form, 4), u"No");
  EXPECT_EQ(Read(form, 5), u"Net 30");
  EXPECT_EQ(Read(form, 6), u"3/2/2026");
  EXPECT_EQ(Read(form, 7), u"1234");
  EXPECT_TRUE(form.GetCheckBox());
}

TEST_F(FieldFormDialog, AnEmptyRequiredFieldKeepsTheFormOpenAndGetsTheEditor) {
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), -1, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Memo"), CBstr(), 1, 41, nullptr);
  form.AddField(1, kFieldText, kFlagEditable | kFlagRequired, CBstr(u"Name:"), CBstr(), 1, 41, nullptr);
  platform::testing::UiScript ui;
  HWND editorAfterRefusal = nullptr;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    Edit(d, 0, u"call back");
    d.Ok();
  });
  ui.ExpectMessageBox(u"'Name' is a required field.", IDOK);
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    editorAfterRefusal = form.EditorWindow();
    EXPECT_EQ(d.Focus(), editorAfterRefusal);
    d.Type(u"Bo");
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
  EXPECT_NE(editorAfterRefusal, nullptr);
  EXPECT_EQ(Read(form, 1), u"Bo");
}

TEST_F(FieldFormDialog, ANumberTooLargeToUseIsToldAndStaysInItsField) {
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), -1, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable | kFlagNumber | kFlagMoney, CBstr(u"Price:"), CBstr(), 1, 20, nullptr);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    Edit(d, 0, u"-20000000000000");
    d.Ok();
  });
  ui.ExpectMessageBox(u"'Price' holds a number too large to use. Please type a smaller number.", IDOK);
  std::u16string kept;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    kept = d.ListView(IDC_FORM_LIST).Text(0, 2);
    EXPECT_EQ(d.Focus(), form.EditorWindow()) << "the field is open again";
    SendMessageW(d.Focus(), EM_SETSEL, 0, -1);
    d.Type(u"10000000000000");  // the largest that is read
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
  EXPECT_EQ(kept, u"-20000000000000");
  EXPECT_EQ(ParseNumberText(Read(form, 0)), 1e13);
  EXPECT_EQ(ui.Pending(), 0u);
}

TEST_F(FieldFormDialog, TheEditMenuCutsCopiesPastesAndClearsTheOpenEditor) {
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), 0, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Name"), CBstr(u"Ada"), 1, 41, nullptr);
  form.AddField(1, kFieldText, kFlagEditable, CBstr(u"City"), CBstr(u"Oslo"), 1, 41, nullptr);
  auto choose = [](std::u16string item) {
    return [item](platform::testing::MenuDriver& m) {
      EXPECT_EQ(m.Texts(), (std::vector<std::u16string>{u"Cut", u"Copy", u"Paste", u"Clear", u"-", u"Select All"}));
      m.Choose(item);
    };
  };
  std::u16string afterCut;
  std::u16string afterPaste;
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    d.Hold(IDC_FORM_LIST);
  });
  ui.ExpectPopupMenu(choose(u"Cut"));
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    ASSERT_NE(form.EditorWindow(), nullptr);  // the editor stays open under the menu
    char16_t text[64] = {};
    GetWindowTextW(form.EditorWindow(), text, 64);
    afterCut = text;
    SendMessageW(d.Window(), kMsgStartEditor, 0, 1);  // the cut text goes with the first field
    d.Hold(IDC_FORM_LIST);
  });
  ui.ExpectPopupMenu(choose(u"Paste"));
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    char16_t text[64] = {};
    GetWindowTextW(form.EditorWindow(), text, 64);
    afterPaste = text;
    d.Hold(IDC_FORM_LIST);
  });
  ui.ExpectPopupMenu(choose(u"Clear"));
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) { d.Ok(); });
  // Both values ended up empty: a form of two empty fields counts as cancelled.
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 0);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(afterCut, u"");
  EXPECT_EQ(afterPaste, u"Ada");
  EXPECT_EQ(Read(form, 0), u"");
  EXPECT_EQ(Read(form, 1), u"");
}

TEST_F(FieldFormDialog, TabMovesOnWrappingPastHiddenRowsAndEscKeepsTheValue) {
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), 2, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable, CBstr(u"First"), CBstr(u"one"), 1, 41, nullptr);
  form.AddField(1, kFieldText, kFlagEditable | kFlagHidden, CBstr(u"Hidden"), CBstr(), 1, 41, nullptr);
  form.AddField(2, kFieldText, kFlagEditable | kFlagNumericKeys, CBstr(u"Qty"), CBstr(), 1, 41, nullptr);
  int editedAfterTab = -1;
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    d.Type(u"12x:");  // the letter and the colon are refused with a beep
    EXPECT_EQ(platform::BeepLog().size(), 2u);
    d.Key(VK_TAB);
    char16_t text[16] = {};
    GetWindowTextW(form.EditorWindow(), text, 16);
    editedAfterTab = std::u16string(text) == u"one" ? 0 : -1;
    d.Type(u"lost");
    d.Key(VK_ESCAPE);
    EXPECT_EQ(form.EditorWindow(), nullptr);
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
  EXPECT_EQ(editedAfterTab, 0);
  EXPECT_EQ(Read(form, 0), u"one");
  EXPECT_EQ(Read(form, 2), u"12");
}

TEST_F(FieldFormDialog, TextsWithChoicesAreTypedOrChosenByWhereTheTapLands) {
  FieldChoiceList reps;
  reps.AddNew(CBstr(u"Kim"), CBstr(u"Kim Alder"));
  FieldChoiceList notes;
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), -1, 0, 60, 0, nullptr);
  form.AddField(0, kFieldTextWithChoices, kFlagEditable, CBstr(u"Rep"), CBstr(), 1, 41, &reps);
  form.AddField(1, kFieldChoiceText, kFlagEditable | kFlagMultiLineChoice, CBstr(u"Note"), CBstr(), 3, 200, &notes);
  for (int i = 2; i < 4; ++i)
    form.AddField(i, kFieldChoiceTextRow, kFlagMultiLineChoice, CBstr(), CBstr(), 1, 200, &notes);
  form.AddField(4, kFieldTextWithChoices, kFlagEditable, CBstr(u"Alt"), CBstr(), 1, 41, &reps);
  const std::u16string note = u"Please call before delivery, the gate code changes every week and the dog is friendly";
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_FALSE(slateway::testing::TapFieldRow(d, form, 0, false));
    d.Type(u"Lee");
    EXPECT_FALSE(slateway::testing::TapFieldRow(d, form, 1, false));
    d.Type(note);
    EXPECT_TRUE(slateway::testing::TapFieldRow(d, form, 4, true));
    slateway::testing::ChooseInOpenList(d, form.EditorWindow(), 0);
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
  // Typed texts join the choices (a long one under a short name); a choice brings its second text.
  EXPECT_EQ(Read(form, 0), u"Lee");
  EXPECT_EQ(reps.count, 2);
  EXPECT_EQ(Read(form, 4), u"Kim Alder");
  EXPECT_EQ(notes.first[0].str(), u"Please call before delivery,...");
  // The note is cut over its rows at the column's width, nothing lost.
  CBstr joined;
  form.GetFieldText(1, joined, FieldRows::Joined);
  EXPECT_EQ(joined.str(), note);
  EXPECT_FALSE(form.Model().Field(2)->value.IsEmpty());
}

TEST_F(FieldFormDialog, StoredTextsAreWrappedWhenTheFormOpensAndReloaded) {
  const std::u16string address = u"Unit 4, The Old Brewery, Long Street, Little Hampton on the Marsh";
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), -1, 0, 60, 0, nullptr);
  form.AddField(0, kFieldMultiLine, kFlagEditable, CBstr(u"Address"), CBstr(address), 3, 200, nullptr);
  form.AddField(1, kFieldMultiLineRow, 0, CBstr(), CBstr(), 1, 200, nullptr);
  form.AddField(2, kFieldMultiLineRow, 0, CBstr(), CBstr(), 1, 200, nullptr);
  form.AddField(3, kFieldText, kFlagEditable, CBstr(u"City"), CBstr(u"Leeds"), 1, 41, nullptr);
  form.SetNote(CBstr(u"Tap a value to change it."));
  platform::SetOemInfo(u"Treo 700w");
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(platform::DoneButtonState(d.Window()), static_cast<DWORD>(SHDB_SHOW));  // a Treo keeps it
    EXPECT_FALSE(d.ListView(IDC_FORM_LIST).Text(1, 2).empty());
    EXPECT_EQ(d.Text(IDC_FORM_NOTE), u"Tap a value to change it.");
    Edit(d, 3, u"Hull");
    SendMessageW(d.Window(), kMsgStartEditor, 0, 0);  // leaves the city
    form.Model().Field(3)->value = CBstr(u"York");  // the owner's correction
    form.ReloadFields(3);
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(3, 2), u"York");
    EXPECT_NE(form.EditorWindow(), nullptr);
    d.Ok();
  });
  // The edit before the reload still counts.
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), CFieldFormModel::kEndAccepted);
  CBstr joined;
  form.GetFieldText(0, joined, FieldRows::Joined);
  auto words = [](std::u16string t) { return std::erase(t, u' '), t; };
  EXPECT_EQ(words(joined.str()), words(address));  // every word kept, in order
}

TEST_F(FieldFormDialog, ATapInADescriptionPlacesTheCaretThereAndTypingKeepsTheRest) {
  const std::u16string text = u"Terracotta pots with saucers, frost proof";
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), -1, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Name"), CBstr(u"Pots"), 1, 41, nullptr);
  form.AddField(1, kFieldMultiLine, kFlagEditable, CBstr(u"Description"), CBstr(text), 3, 200, nullptr);
  for (int i = 2; i < 4; ++i) form.AddField(i, kFieldMultiLineRow, 0, CBstr(), CBstr(), 1, 200, nullptr);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    HWND list = d.Control(IDC_FORM_LIST);
    RECT cell{LVIR_BOUNDS, 2}, above{LVIR_BOUNDS}, box;
    SendMessageW(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&above));
    POINT p{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(list, &p);
    platform::Tap(p);
    d.Pump();
    HWND editor = form.EditorWindow();
    ASSERT_NE(editor, nullptr);
    GetWindowRect(editor, &box);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_GE(box.top, above.bottom) << "the row above stays in view";
    DWORD a = 0, b = 0;
    SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, b) << "nothing is selected that the box may not show";
    ASSERT_TRUE(a > 0 && a < text.size());
    d.Type(u"#");
    d.Ok();
    EXPECT_EQ(Read(form, 1), std::u16string(text).insert(a, u"#"));
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), CFieldFormModel::kEndAccepted);
}

std::vector<UINT> g_ownerMessages;
std::u16string g_chosenType;
LRESULT OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kMsgStartNextScan || m == kMsgItemTypeChosen || m == WM_HOTKEY) g_ownerMessages.push_back(m);
  if (m == kMsgItemTypeChosen) g_chosenType = reinterpret_cast<const WCHAR*>(l);
  return DefWindowProcW(h, m, w, l);
}

HWND CreateOwner() {
  g_ownerMessages.clear();
  WNDCLASSW wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.lpszClassName = u"FormOwner";
  RegisterClassW(&wc);
  return CreateWindowExW(0, u"FormOwner", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(FieldFormDialog, ChoicesReachTheOwnerAndTheRowsAfterThem) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Storage Card", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"\\Storage Card\\Invoices", nullptr));
  FieldChoiceList locations;
  locations.AddNew(CBstr(u"Main Memory"), CBstr(u"Main Memory"));
  locations.AddNew(CBstr(u"Storage Card"), CBstr(u"Storage Card"));
  FieldChoiceList folders;
  HWND owner = CreateOwner();
  {
    CFieldForm form(GetResourceInstance(), owner, CBstr(), -1, 0, 60, 0, nullptr);
    form.AddField(0, kFieldItemType, kFlagEditable, CBstr(u"Type"), CBstr(u"Service"), 1, 40, nullptr);
    for (int i = 1; i < 9; ++i) form.AddField(i, kFieldText, kFlagEditable, CBstr(u"Row"), CBstr(u"x"), 1, 41, nullptr);
    form.AddField(9, kFieldChoice, kFlagEditable | 0x400, CBstr(u"Location"), CBstr(u"Main Memory"), 1, 40, &locations);
    form.AddField(10, kFieldChoice, kFlagEditable, CBstr(u"Folder"), CBstr(u"Old"), 1, 40, &folders);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      SendMessageW(d.Window(), kMsgStartEditor, 0, 0);
      slateway::testing::ChooseInOpenList(d, form.EditorWindow(), 0);  // "Discount"
      SendMessageW(d.Window(), kMsgStartEditor, 0, 9);
      slateway::testing::ChooseInOpenList(d, form.EditorWindow(), 1);
      d.Pump();
      // The folder field is being edited now, offering the card's folders.
      EXPECT_EQ(SendMessageW(form.EditorWindow(), CB_GETCOUNT, 0, 0), 2);
      d.Ok();
    });
    EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
    EXPECT_TRUE(form.Model().Field(6)->flags & kFlagHidden);
    EXPECT_TRUE(form.Model().Field(5)->flags & kFlagMoney);
    EXPECT_EQ(Read(form, 10), u"None");
    EXPECT_EQ(folders.first[1].str(), u"Invoices");
  }
  EXPECT_EQ(g_ownerMessages, std::vector<UINT>{kMsgItemTypeChosen});
  EXPECT_EQ(g_chosenType, u"Discount");
  DestroyWindow(owner);
}

TEST_F(FieldFormDialog, TheHardwareButtonIsBorrowedFromTheOwnerWhileTheFormIsActive) {
  CPreferences().SetString(u"Button1", u"Button 3 (scan)");  // the trigger button on Options' Bar Codes page
  HWND owner = CreateOwner();
  CHardwareButton ownersButton;
  ownersButton.BindButton(owner, CBstr(u"Button 3"), false);  // the owner scans with it
  HWND other = CreateWindowExW(0, u"FormOwner", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  size_t ownerHotKeysWhileAway = 0;
  {
    CFieldForm form(GetResourceInstance(), owner, CBstr(), 0, 0, 60, 0, nullptr);
    form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Code"), CBstr(), 1, 41, nullptr);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      d.Type(u"A7");
      // Another window comes to the front: the key goes back to the owner meanwhile.
      SetActiveWindow(other);
      platform::PressKey(195);
      d.Pump();
      ownerHotKeysWhileAway = std::count(g_ownerMessages.begin(), g_ownerMessages.end(), WM_HOTKEY);
      SetActiveWindow(d.Window());
      platform::PressKey(195);  // down arms, up ends
      d.Pump();
    });
    EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), CFieldFormModel::kEndHardwareKey);
    EXPECT_EQ(Read(form, 0), u"A7");
  }
  platform::PumpMessages();
  EXPECT_EQ(ownerHotKeysWhileAway, 2u);
  // The scan was asked for, and the owner has its key again.
  platform::PressKey(195);
  platform::PumpMessages();
  EXPECT_EQ(g_ownerMessages,
            (std::vector<UINT>{WM_HOTKEY, WM_HOTKEY, kMsgStartNextScan, WM_HOTKEY, WM_HOTKEY}));
  DestroyWindow(other);
  DestroyWindow(owner);
}

TEST_F(FieldFormDialog, TheListMakesRoomForTheInputPanel) {
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(u"Notes"), -1, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Memo"), CBstr(), 1, 41, nullptr);
  RECT down{};
  RECT up{};
  SIPINFO sip;
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    GetWindowRect(d.Control(IDC_FORM_LIST), &down);
    SHSipPreference(d.Window(), SIP_UP);
    d.Pump();
    GetWindowRect(d.Control(IDC_FORM_LIST), &up);
    SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0);
    d.Cancel();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 0);
  ASSERT_TRUE(sip.fdwFlags & SIPF_ON);
  EXPECT_LT(up.bottom, down.bottom);
  EXPECT_LE(up.bottom, sip.rcVisibleDesktop.bottom);
}

TEST_F(FieldFormDialog, TheInputPanelTypesIntoFieldsAsTheKeyboardWould) {
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(), 0, 0, 60, 0, nullptr);
  form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Name"), CBstr(), 1, 41, nullptr);
  form.AddField(1, kFieldText, kFlagEditable | kFlagNumericKeys, CBstr(u"Qty"), CBstr(), 1, 41, nullptr);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    ASSERT_NE(platform::InputPanelWindow(), nullptr);  // the form raised it
    HWND editor = form.EditorWindow();
    d.TapPanel(u"acme");  // the field's edit capitalises the first letter
    EXPECT_EQ(GetFocus(), editor);
    SendMessageW(d.Window(), kMsgStartEditor, 0, 1);
    d.TapPanel(u"12x.5");  // the letter is refused with a beep
    EXPECT_EQ(platform::BeepLog().size(), 1u);
    EXPECT_EQ(GetActiveWindow(), d.Window());
    d.TapPanel(u"\r");  // Enter accepts the form
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, true), 1);
  EXPECT_EQ(Read(form, 0), u"Acme");
  EXPECT_EQ(Read(form, 1), u"12.5");
}

TEST_F(FieldFormDialog, APageLivesInsideItsParentAndValidates) {
  // A tabbed window: the tabs along the top, the page below them.
  HWND host = CreateWindowExW(0, u"STATIC", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 240, 24, host, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(tabs, nullptr);
  {
    CFieldForm form(GetResourceInstance(), host, CBstr(), -1, 0, 60, 0, nullptr);
    form.AddField(0, kFieldText, kFlagEditable | kFlagRequired, CBstr(u"Name"), CBstr(), 1, 41, nullptr);
    HWND page = form.CreatePage(host);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page), host);
    MoveWindow(page, 0, 24, 240, 296, TRUE);
    EXPECT_TRUE(IsWindowVisible(page));
    platform::testing::UiScript ui;
    ui.ExpectMessageBox(u"'Name' is a required field.", IDOK);
    EXPECT_EQ(form.Validate(), 0);
    platform::PumpMessages();
    ASSERT_NE(form.EditorWindow(), nullptr);
    SetWindowTextW(form.EditorWindow(), u"Kim");
    EXPECT_EQ(form.Validate(), 1);
    EXPECT_EQ(Read(form, 0), u"Kim");
  }
  DestroyWindow(host);
}

// A long stored address is wrapped where its rows end, in the font the rows are drawn with:
// no row but the last may run under the white strip and lose its middle.
TEST_F(FieldFormDialog, ALongTextIsWrappedWithinWhatItsRowsShow) {
  for (int width : {240, 480}) {
    UseScreen(width);
    FieldChoiceList terms;
    CFieldForm form(GetResourceInstance(), nullptr, CBstr(u"Customer"), -1, 0, 60, 0, nullptr);
    AddEveryKind(form, terms);
    const std::u16string address = u"12 Hill Road Industrial Estate Building Seven Unit Twelve";
    form.Model().Field(1)->value = CBstr(address);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      SCOPED_TRACE(width);
      ExpectWrappedWithinRows(d, 1, 3, address);
      d.Cancel();
    });
    EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 0);
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

// Made narrower (a page in a smaller parent, a scroll bar that appears), the form wraps its
// texts again at the new width; an open editor stays open with what was typed in it.
TEST_F(FieldFormDialog, ANarrowerFormWrapsItsTextsAgainAndKeepsTheOpenEditor) {
  FieldChoiceList terms;
  CFieldForm form(GetResourceInstance(), nullptr, CBstr(u"Customer"), -1, 0, 60, 0, nullptr);
  AddEveryKind(form, terms);
  const std::u16string address = u"12 Hill Road Unit 9";
  form.Model().Field(1)->value = CBstr(address);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(2, 2), u"") << "one row held it at full width";
    SendMessageW(d.Window(), kMsgStartEditor, 0, 0);
    SetWindowTextW(form.EditorWindow(), u"Ada");
    RECT r{};
    GetWindowRect(d.Window(), &r);
    MoveWindow(d.Window(), r.left, r.top, 170, r.bottom - r.top, TRUE);
    ExpectWrappedWithinRows(d, 1, 3, address);
    ASSERT_NE(form.EditorWindow(), nullptr);
    EXPECT_EQ(GetFocus(), form.EditorWindow());
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 1);
  EXPECT_EQ(Read(form, 0), u"Ada");
  EXPECT_EQ(Read(form, 1), address);
}

// The editor stands a little right of where its cell's text begins: nothing of the old
// value, nor a piece of the row's rule, may show beside it, on either screen.
TEST_F(FieldFormDialog, NothingOfTheOldValueShowsBesideTheOpenEditor) {
  for (int width : {240, 480}) {
    SCOPED_TRACE(width);
    UseScreen(width);
    CFieldForm form(GetResourceInstance(), nullptr, CBstr(u"Item"), 0, 0, 60, 0, nullptr);
    form.AddField(0, kFieldText, kFlagEditable, CBstr(u"Quantity"), CBstr(u"8888"), 1, 41, nullptr);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      HWND list = d.Control(IDC_FORM_LIST);
      ASSERT_NE(form.EditorWindow(), nullptr);
      UpdateWindow(list);
      RECT row{LVIR_BOUNDS, 0, 0, 0};
      SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
      POINT cell{row.left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0)), row.top};
      ClientToScreen(list, &cell);
      RECT editor{};
      GetWindowRect(form.EditorWindow(), &editor);
      ASSERT_GT(editor.left, cell.x);
      CWindowDC screen(nullptr);
      int dark = 0;
      for (int x = cell.x; x < editor.left; ++x)
        for (int y = editor.top; y < editor.bottom; ++y) dark += GetPixel(screen.get(), x, y) != RGB(255, 255, 255);
      EXPECT_EQ(dark, 0);
      d.Cancel();
    });
    EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 0);

    // A text with choices: the strip between a narrower editor and its arrows shows no old text.
    FieldChoiceList notes;
    CFieldForm message(GetResourceInstance(), nullptr, CBstr(u"Message"), 0, 0, 60, 0, nullptr);
    message.AddField(0, kFieldChoiceText, kFlagEditable | kFlagMultiLineChoice, CBstr(u"Msg"),
                     CBstr(u"Thank you for your business, we look forward to serving you again soon."), 3, 200, &notes);
    for (int i = 1; i < 3; ++i)
      message.AddField(i, kFieldChoiceTextRow, kFlagMultiLineChoice, CBstr(), CBstr(), 1, 200, &notes);
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      SendMessageW(d.Window(), kMsgStartEditor, 0, 0);
      UpdateWindow(d.Control(IDC_FORM_LIST));
      RECT editor{}, arrow = message.Model().Field(1)->arrow;
      GetWindowRect(message.EditorWindow(), &editor);
      MapWindowPoints(d.Control(IDC_FORM_LIST), nullptr, reinterpret_cast<POINT*>(&arrow), 2);
      ASSERT_GT(arrow.left, editor.right);
      CWindowDC screen(nullptr);
      int dark = 0;
      for (int x = editor.right; x < arrow.left; ++x)
        for (int y = editor.top + 1; y < editor.bottom; ++y) dark += GetPixel(screen.get(), x, y) != RGB(255, 255, 255);
      EXPECT_EQ(dark, 0) << "the rule above aside";
      d.Cancel();
    });
    EXPECT_EQ(message.DoModal(IDD_FIELD_FORM, 0, false), 0);
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

// Pictures of a filled form on the small and the large screen, for people to look at
// (written where SLATEWAY_SCREENSHOTS points, else into the test's device root).
TEST_F(FieldFormDialog, AFilledFormIsPicturedOnBothScreenSizes) {
  for (int width : {240, 480}) {
    UseScreen(width);
    FieldChoiceList terms;
    CFieldForm form(GetResourceInstance(), nullptr, CBstr(u"Customer"), -1, 0, 60, 0, nullptr);
    AddEveryKind(form, terms);
    form.Model().Field(0)->value = CBstr(u"Ada Lovelace");
    form.Model().Field(1)->value = CBstr(u"12 Hill Rd");
    form.Model().Field(2)->value = CBstr(u"London");
    form.Model().Field(5)->value = CBstr(u"Net 30");
    form.Model().Field(7)->value = CBstr(u"1234");
    const char* dir = std::getenv("SLATEWAY_SCREENSHOTS");
    std::filesystem::path file = (dir ? std::filesystem::path(dir) : Linux(u"\\")) /
                                 ("field_form_" + std::to_string(width) + ".png");
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 1), u"Name");
      EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(7, 2), u"********");
      EXPECT_TRUE(platform::SaveScreenshot(file));
      // Painting placed the drop-down arrows where a tap finds them, on drop-down rows only.
      EXPECT_GT(form.Model().Field(4)->arrow.right, form.Model().Field(4)->arrow.left);
      EXPECT_EQ(form.Model().Field(0)->arrow.right, 0);
      // The rows' white strips keep inside the list's frame: its top line stays black above them.
      POINT edge{form.Model().Field(4)->arrow.left + 10, 0};
      ClientToScreen(d.Control(IDC_FORM_LIST), &edge);
      HDC screen = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(screen, platform::ScreenBitmap());
      EXPECT_EQ(GetPixel(screen, edge.x, edge.y), RGB(0, 0, 0)) << width;
      SelectObject(screen, old);
      DeleteDC(screen);
      // Title row instead of the shell's Done button, an empty menu bar.
      EXPECT_TRUE(d.IsVisible(kTitleOkButtonId));
      EXPECT_EQ(platform::DoneButtonState(d.Window()), 0u);
      EXPECT_NE(GetCurrentMenuBar(), nullptr);
      // Extra buttons: the cancelling one above the check box, the other two side by side above it.
      const int ids[] = {IDC_FORM_LIST, IDC_FORM_EXTRA1, IDC_FORM_EXTRA2, IDC_FORM_EXTRA_CANCEL, IDC_FORM_CHECK};
      for (int b = 1; b < 4; ++b)
        CreateWindowExW(0, u"BUTTON", u"More", WS_CHILD | WS_VISIBLE, 0, 0, 60, 20, d.Window(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids[b])), nullptr, nullptr);
      form.SetCheckBox(false, CBstr(u"Active"));
      ShowWindow(d.Control(IDC_FORM_CHECK), SW_SHOW);
      SendMessageW(d.Window(), kMsgLayOut, MAKEWPARAM(width, width), 0);
      RECT r[5];
      for (int b = 0; b < 5; ++b) GetWindowRect(d.Control(ids[b]), &r[b]);
      EXPECT_TRUE(r[1].top == r[2].top && r[1].right < r[2].left);
      EXPECT_TRUE(r[0].bottom <= r[1].top && r[1].bottom <= r[3].top && r[3].bottom <= r[4].top);
      d.Cancel();
    });
    EXPECT_EQ(form.DoModal(IDD_FIELD_FORM, 0, false), 0);
    EXPECT_EQ(GetCurrentMenuBar(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(file));
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

}  // namespace
