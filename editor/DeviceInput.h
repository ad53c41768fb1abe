// What the scanner and card-reader bars put into the open document: the item a scanned
// code names, and the card fields of a swipe, each as undoable steps of the document's
// history.
#pragma once

#include <string_view>

#include "devices/InputDevice.h"
#include "editor/LineItemCommands.h"

class CCommandProcessor;
class CItemStore;
class CSalesDocument;

// The item whose code column holds `code`: the column is the Preference "Name" ("Name",
// or "Description" for the sales description). Blanks around the code do not count.
// Null when no item has it.
std::unique_ptr<CDbRecord> FindScannedItem(CItemStore& store, std::u16string_view code);

// Adds the item a scan named: with `qtyPrompt` through `askQuantity` (the Add Item form,
// which asks the quantity and adds the line itself), else as a line of quantity 1 at the
// end of the document, one step of `history`. A code that names no item is told to the
// user in a box ("No item has the code '<code>'.") and adds nothing: false.
bool AddScannedItem(CCommandProcessor& history, CSalesDocument& document, CItemStore& store, HWND owner,
                    std::u16string_view code, bool qtyPrompt, const AddItemsForm& askQuantity);

// Writes a swiped card's number and expiry (the first day of its month) into the
// document, one step each. False when the card gave no number.
bool ApplyCardFields(CCommandProcessor& history, CSalesDocument& document, const CCardFields& fields);
