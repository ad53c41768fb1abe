// The customer screens as the program sets them for the editor, answering as the test says
// and recording what they were opened on.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "datastore/CustomerRecord.h"
#include "editor/CustomerCommands.h"

namespace editor_test {

class ScriptedCustomerScreens : public IDocumentCustomerScreens {
 public:
  struct Opened {
    int page;
    bool newJob;
    bool job;
    std::u16string notes;  // the record's notes as the dialog got them
  };
  CCustomerSource* CustomerSource() override { return source; }
  int EditDocumentCustomer(HWND, CTableCustomer& record, int page, bool newJob, bool job) override {
    opened.push_back({page, newJob, job, std::u16string(record.FieldView(kCustNotes))});
    if (edit) edit(record);
    return answer;
  }
  int Customize(HWND, DWORD firstPage, CCustomSettings&, CSalesDocument&) override {
    customizedAt = static_cast<int>(firstPage);
    return answer;
  }

  CCustomerSource* source = nullptr;
  int answer = 1;
  std::function<void(CTableCustomer&)> edit;
  std::vector<Opened> opened;
  int customizedAt = -1;
};

}  // namespace editor_test
