#include "platform/testing/MessageBoxScript.h"

#include <gtest/gtest.h>

#include "platform/base/Base.h"

namespace platform::testing {

MessageBoxScript::MessageBoxScript() { m_previous = SetMessageBoxHandler(this); }

MessageBoxScript::~MessageBoxScript() {
  SetMessageBoxHandler(m_previous);
  for (size_t i = m_next; i < m_steps.size(); ++i) {
    const Step& step = m_steps[i];
    ADD_FAILURE() << "expected message box never shown: "
                  << (step.m_text ? ToUtf8(*step.m_text) : std::string("(any text)"));
  }
}

MessageBoxScript::Step& MessageBoxScript::Expect(std::u16string text) {
  Step& step = m_steps.emplace_back();
  step.m_text = std::move(text);
  return step;
}

MessageBoxScript::Step& MessageBoxScript::ExpectAny() { return m_steps.emplace_back(); }

int MessageBoxScript::OnMessageBox(const MessageBoxRecord& box) {
  MessageBoxRecord shown = box;
  if (m_next >= m_steps.size()) {
    ADD_FAILURE() << "unexpected message box: \"" << ToUtf8(box.text) << "\" captioned \""
                  << ToUtf8(box.caption) << "\", style " << box.style;
    shown.result = DefaultMessageBoxButton(box.style);
    m_shown.push_back(shown);
    return shown.result;
  }
  const Step& step = m_steps[m_next++];
  if (step.m_text) {
    EXPECT_EQ(ToUtf8(box.text), ToUtf8(*step.m_text)) << "message box text";
  }
  if (step.m_caption) {
    EXPECT_EQ(ToUtf8(box.caption), ToUtf8(*step.m_caption)) << "caption of \"" << ToUtf8(box.text) << "\"";
  }
  if (step.m_style) {
    EXPECT_EQ(box.style, *step.m_style) << "style of \"" << ToUtf8(box.text) << "\"";
  }
  shown.result = step.m_answer ? *step.m_answer : DefaultMessageBoxButton(box.style);
  if (!IsMessageBoxButton(box.style, shown.result))
    ADD_FAILURE() << "answer " << shown.result << " is no button of \"" << ToUtf8(box.text) << "\" (style "
                  << box.style << ")";
  m_shown.push_back(shown);
  return shown.result;
}

}  // namespace platform::testing
