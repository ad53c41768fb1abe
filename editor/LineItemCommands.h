// The commands that add, change, copy, cut, paste and delete the lines of the open
// document. A command that adds or removes a line keeps the line as a record and, when it
// removes one, the key of the line that followed, so that the line goes back to its old
// place. Each puts back a record that is already a line as it is: its price level is
// applied once, when the line is first added.
//
// Stock: with the preference "TrackInventory" on, a line of an inventory part in any
// document but an estimate takes its quantity out of the item's stock (a credit memo puts
// it back in). The change is the command's own: Undo reverses it and redo applies it
// again, so the stock follows the lines the document holds.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/WindowMessages.h"
#include "editor/DocumentCommand.h"

class CDbRecord;
class CItemStore;

// Moves the stock of inventory items as the lines of one document change.
class CStockKeeper {
 public:
  // `store` and `owner` (for messages) are not owned; a null store tracks nothing.
  CStockKeeper(CItemStore* store, HWND owner) : m_store(store), m_owner(owner) {}
  // The stock change `lineQuantityChange` more (or fewer) units of the line's item on the
  // document mean: 0 when stock is not tracked for this line.
  int StockChangeFor(const CSalesDocument& document, const CDbRecord& line, int lineQuantityChange) const;
  // Applies a stock change to the line's item. With `tell`, a missing item is warned
  // about (40662) and stock at or below its reorder level is reported (40644).
  void Apply(const CDbRecord& line, int change, bool tell) const;

 private:
  CItemStore* m_store;
  HWND m_owner;
};

// A line record given to the document: added before the current line or at the end.
class CAddLineItemCommand : public CDocumentCommand {
 public:
  // How the line is added.
  struct Placing {
    bool render = false;  // false leaves the first Do without rendering (the caller renders once after a batch)
    bool atEnd = false;   // at the end, not before the current line
    bool sound = false;   // the add-item sound played
    int recalc = 0;       // 1 works out the totals again
  };
  CAddLineItemCommand(CSalesDocument& document, HWND owner, CItemStore* store, std::unique_ptr<CDbRecord> record,
                      Placing placing);
  ~CAddLineItemCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;
  // Do and Undo without showing the document again, for a batch that shows it once.
  bool Add(bool isRedo);
  void TakeOut();

 private:
  CStockKeeper m_stock;
  std::unique_ptr<CDbRecord> m_record;
  bool m_render;
  bool m_atEnd;
  bool m_sound;
  int m_recalc;
  int m_stockChange = 0;
  CBstr m_nextKey;
};

// Hands a line made for the document on to whoever adds it.
using AddLineSink = std::function<void(std::unique_ptr<CAddLineItemCommand> line)>;
// Asks for the values of the items' lines (one item: "Invoice Item" with the focus on the
// quantity; several: "Add Invoice Item", one after the other) and hands every accepted
// line to the sink; a cancelled item gives no line.
using AddItemAsker = std::function<void(std::vector<std::unique_ptr<CDbRecord>>& items, const AddLineSink& sink)>;

// An item, or the items below a category or group, added from the items list as one
// step of the document history: Undo takes out every line the step added, however many.
// Without an asker the items are added as they are.
class CAddItemCommand : public CDocumentCommand {
 public:
  CAddItemCommand(CSalesDocument& document, std::vector<std::unique_ptr<CDbRecord>> items, bool atEnd,
                  CItemStore* store = nullptr, AddItemAsker ask = {});
  ~CAddItemCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

  // The category a line of an item shows: the parent's full name, or, for an item of a
  // group, the part of the item's full name between its first and last ":" (the
  // item's own category is kept in field 23 then).
  static void SetLineCategory(CDbRecord& item, std::u16string_view parentFullName, bool parentIsGroup);

 private:
  std::vector<std::unique_ptr<CDbRecord>> m_items;
  std::vector<std::unique_ptr<CAddLineItemCommand>> m_lines;
  bool m_atEnd;
  CItemStore* m_store;  // not owned
  AddItemAsker m_ask;
};

// Discount, sales tax and subtotal items: added to a document as they are, with no
// questions about quantity or price.
bool NeedsNoQuestions(std::u16string_view type);

// Runs the "Add Invoice Item" form over the items (one form per item, each accepted item
// handed to the document history as its own line command), with the customer's price
// level as the default.
using AddItemsForm = std::function<void(std::vector<std::unique_ptr<CDbRecord>>& items, const CBstr& priceLevel)>;

// Checked items of the items list added to the document. Cannot be undone itself (the
// lines it adds are each in the document history). Discount, tax and subtotal items need
// no questions and are added at once; otherwise the form asks for each item. Message 1154
// then asks `owner` (the window of the document history) to show the document again.
class CAddItemsCommand : public CEditCommand {
 public:
  CAddItemsCommand(CSalesDocument& document, CItemStore* store, std::vector<std::unique_ptr<CDbRecord>> items,
                   HWND owner, bool atEnd, bool fromGroup, AddItemsForm form);
  ~CAddItemsCommand() override;
  bool Do(bool isRedo) override;

 private:
  CSalesDocument& m_document;  // not owned
  CItemStore* m_store;         // not owned
  std::vector<std::unique_ptr<CDbRecord>> m_items;
  HWND m_owner;
  bool m_atEnd;
  bool m_fromGroup;
  AddItemsForm m_form;
};


// Asks for a label (the label dialog); false when the user cancelled.
using LabelChooser = std::function<bool(CBstr& label)>;

// A label line (TYPE "QVNLABEL") before the current line.
class CAddLabelCommand : public CDocumentCommand {
 public:
  CAddLabelCommand(CSalesDocument& document, LabelChooser chooser);
  ~CAddLabelCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  LabelChooser m_chooser;
  std::unique_ptr<CDbRecord> m_record;
  CBstr m_nextKey;
};

// Makes the line the document's current line record (the source of Paste). Copying
// changes no line, so it never enters the history nor empties it: Do copies and answers
// false, which leaves the history as it was.
class CCopyLineItemCommand : public CDocumentCommand {
 public:
  CCopyLineItemCommand(CSalesDocument& document, const CBstr& key);
  bool Do(bool isRedo) override;
  // Whether the last Do found the line.
  bool Copied() const { return m_copied; }

 private:
  CBstr m_key;
  bool m_copied = false;
};

// Removes a line; Cut also makes it the document's current line record. Undo puts it
// back before the line that followed it.
class CDeleteLineItemCommand : public CDocumentCommand {
 public:
  CDeleteLineItemCommand(CSalesDocument& document, const CBstr& key);
  ~CDeleteLineItemCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

 protected:
  CDeleteLineItemCommand(CSalesDocument& document, const CBstr& key, LPCWSTR name, bool keepAsCurrent);

 private:
  CBstr m_key;
  bool m_keepAsCurrent;
  std::unique_ptr<CDbRecord> m_removed;
  CBstr m_nextKey;
};

class CCutLineItemCommand : public CDeleteLineItemCommand {
 public:
  CCutLineItemCommand(CSalesDocument& document, const CBstr& key);
};

// A copy of the document's current line record, inserted before the current line. Redo
// inserts the same line again at its old place, whatever was copied since.
class CPasteLineItemCommand : public CDocumentCommand {
 public:
  explicit CPasteLineItemCommand(CSalesDocument& document);
  ~CPasteLineItemCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  std::unique_ptr<CDbRecord> m_pasted;
  CBstr m_nextKey;
};

// Lets the user change a copy of a line (the "Invoice Item" form, focused on the column
// letter, or the label dialog for a label line); false when the user cancelled.
using LineEditor = std::function<bool(CDbRecord& line, WCHAR column)>;

// A change of one line. Built from a tapped link ("<key>,<column letter>", named "edit
// Line item") or from the line's key and a column (named "Edit Item").
class CEditLineItemCommand : public CDocumentCommand {
 public:
  CEditLineItemCommand(CSalesDocument& document, HWND owner, CItemStore* store, const CBstr& linkText,
                       LineEditor editor);
  CEditLineItemCommand(CSalesDocument& document, HWND owner, CItemStore* store, const CBstr& key, WCHAR column,
                       LineEditor editor);
  ~CEditLineItemCommand() override;
  bool Do(bool isRedo) override;
  bool Undo() override;

 private:
  void Write(const CDbRecord& line);

  CStockKeeper m_stock;
  LineEditor m_editor;
  CBstr m_key;
  WCHAR m_column = 0;
  std::unique_ptr<CDbRecord> m_before;
  std::unique_ptr<CDbRecord> m_after;
  int m_stockChange = 0;
};
