// The two forms that edit the values of document lines, both on the shared data-entry
// form:
//   - "Invoice Item" (CLineItemDlg) edits one line; its rows follow the line's TYPE and
//     the row of the tapped cell gets the focus.
//   - "Add Invoice Item" (CAddLineItemsDlg) asks for the items added from the items list
//     one after the other, in one form whose rows are refilled for each item; each item
//     accepted becomes its own "Add Line Item" step of the document history at once, so
//     a cancel part way keeps the items accepted before it.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "core/FieldForm.h"
#include "editor/LineItemCommands.h"
#include "platform/base/Bstr.h"

class CDbRecord;
class CItemStore;
class CSalesDocument;

class CLineItemDlg {
 public:
  // `line` (not owned) is edited in place, and only when the form is accepted. `column`
  // is the letter of the tapped cell: C first custom field, D description, E second custom
  // field, N name, P price or amount, Q quantity, S service date, T tax code; any other
  // letter focuses no row. The tax codes and the custom item field names are read from
  // `store` (null: no codes, no names). Nothing passed is owned.
  CLineItemDlg(HINSTANCE resources, HWND parent, WCHAR column, CDbRecord& line, const CSalesDocument& document,
               CItemStore* store);
  virtual ~CLineItemDlg();
  CLineItemDlg(const CLineItemDlg&) = delete;
  CLineItemDlg& operator=(const CLineItemDlg&) = delete;

  // The form's end code: 1 accepted (the record holds the new values), 2 nothing
  // changed, 0 cancelled, 3 closed by the hardware key. A line whose name was changed no
  // longer stands for its list item: its item id is emptied.
  INT_PTR DoModal();

  // The row the form opens its editor on (-1: none).
  int FocusRow() const { return m_focusRow; }

 private:
  // Name and description (rows 1 to 4), the same for every type.
  void AddNameRows();
  void AddItemRows(std::u16string_view type, const CSalesDocument& document);
  void ReadBack();
  CBstr RowText(int row) const;

  std::unique_ptr<CFieldForm> m_form;
  CDbRecord& m_line;
  CBstr m_oldName;
  int m_docType;
  int m_focusRow = -1;
  int m_quantityRow = -1, m_nameRow = -1, m_descriptionRow = -1, m_priceRow = -1, m_costRow = -1,
      m_servicedRow = -1, m_taxRow = -1, m_custom1Row = -1, m_custom2Row = -1;
  CBstr m_customNames[2];
  FieldChoiceList m_taxChoices;
  FieldChoiceList m_priceChoices;
};

class CAddLineItemsDlg {
 public:
  // Takes the item records (fresh copies from the store). Discount, sales tax and
  // subtotal records need no questions: they are added as they come, without a form.
  // Every line goes to `owner` (the window of the document history, message 1125) as an
  // "Add Line Item" command built with `render`, `atEnd`, `sound` and `recalc`. The items
  // list window (may be null) is hidden after a run over several records. A `sink` takes
  // the lines instead of the history. The customer's
  // `defaultPriceLevel` is offered for items without a level of their own. Levels and
  // custom item field names come from `store` (null: none). Nothing passed is owned.
  CAddLineItemsDlg(HINSTANCE resources, CItemStore* store, HWND itemList, HWND owner, CSalesDocument& document,
                   std::vector<std::unique_ptr<CDbRecord>> records, bool render, bool atEnd, bool sound, int recalc,
                   const CBstr& defaultPriceLevel, AddLineSink sink = {});
  virtual ~CAddLineItemsDlg();
  CAddLineItemsDlg(const CAddLineItemsDlg&) = delete;
  CAddLineItemsDlg& operator=(const CAddLineItemsDlg&) = delete;

  // Asks for every record that needs a form; the form's end code (0 when cancelled). With
  // no record left to ask for (only adjustments and subtotals) no form is shown: 1.
  INT_PTR Run();

 private:
  // The form calls back through a plain function: it reaches the instance that exists
  // (the last one made, while it lives).
  static int OnFormButton(HWND dialog, int command);
  int OnButton(int command);
  // Adds the records from the current one on that need no form; true when a record that
  // needs one is left (it is then the current one).
  bool AddRecordsWithoutForm();
  void Send(std::unique_ptr<CDbRecord> record, bool render, bool sound, int recalc);
  void FillForm(const CDbRecord& record);
  void ReadBack(CDbRecord& record) const;
  CBstr Heading();

  static CAddLineItemsDlg* s_current;
  CAddLineItemsDlg* m_previous;
  HINSTANCE m_resources;
  CItemStore* m_store;
  HWND m_itemList;
  HWND m_owner;
  CSalesDocument& m_document;
  std::vector<std::unique_ptr<CDbRecord>> m_records;
  size_t m_current = 0;
  bool m_render;
  bool m_atEnd;
  bool m_sound;
  int m_recalc;
  int m_nextNumber = 1;
  int m_formCount = 0;
  CBstr m_defaultLevel;
  AddLineSink m_sink;
  bool m_payment = false;
  CBstr m_customNames[2];
  int m_servicedRow = -1, m_levelRow = -1, m_custom1Row = -1, m_custom2Row = -1;
  FieldChoiceList m_levelChoices;
  FieldChoiceList m_priceChoices;
  std::unique_ptr<CFieldForm> m_form;
};
