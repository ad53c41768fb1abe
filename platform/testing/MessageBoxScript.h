// Scripted answers to message boxes: a test says which boxes it expects, in order, and
// how each is answered. A box nobody expected fails the test with its text; boxes still
// expected when the script ends fail it too.
//
//   MessageBoxScript boxes;
//   boxes.Expect(u"Delete this invoice?").Caption(u"Slateway").Style(52).Answer(IDYES);
//   ...code under test...
//   EXPECT_EQ(boxes.Shown().size(), 1u);
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/user/MessageBox.h"

namespace platform::testing {

class MessageBoxScript final : public MessageBoxHandler {
 public:
  class Step {
   public:
    Step& Caption(std::u16string caption) { m_caption = std::move(caption); return *this; }
    Step& Style(UINT style) { m_style = style; return *this; }
    Step& Answer(int answer) { m_answer = answer; return *this; }

   private:
    friend class MessageBoxScript;
    std::optional<std::u16string> m_text;
    std::optional<std::u16string> m_caption;
    std::optional<UINT> m_style;
    std::optional<int> m_answer;  // the box's default button when not given
  };

  // Installs the script for the current scope.
  MessageBoxScript();
  ~MessageBoxScript() override;
  MessageBoxScript(const MessageBoxScript&) = delete;
  MessageBoxScript& operator=(const MessageBoxScript&) = delete;

  // Expects the next box to show exactly `text`.
  Step& Expect(std::u16string text);
  // Expects a next box with any text (check it through Shown()).
  Step& ExpectAny();

  // Every box shown while the script was installed, expected or not.
  const std::vector<MessageBoxRecord>& Shown() const { return m_shown; }
  // Expected boxes that have not come yet.
  size_t Pending() const { return m_steps.size() - m_next; }

  int OnMessageBox(const MessageBoxRecord& box) override;

 private:
  std::deque<Step> m_steps;  // a deque keeps the references Expect returns valid
  size_t m_next = 0;
  std::vector<MessageBoxRecord> m_shown;
  MessageBoxHandler* m_previous = nullptr;
};

}  // namespace platform::testing
