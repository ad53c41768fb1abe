#include "customers/LetterJump.h"

#include <algorithm>

int CLetterJump::NextLetterInGroup(int position) {
  if (position < 1 || position > kLastPosition) return 3;
  const int first = position - (position - 1) % 3;
  return position == first + 2 ? first : position + 1;
}

int CLetterJump::LeadRow(int row, int count) {
  if (count <= 0) return 0;
  return std::clamp(row + 11, 0, count - 1);
}

void CLetterJump::Press(int buttonId) {
  const int group = buttonId - kFirstButton;
  if (group < 0 || group >= kButtonCount) return;
  int position = 1 + 3 * group;
  if (group == 0 && m_requested == 0) position = 2;
  m_requested = position;
}

int CLetterJump::Next() {
  if (m_requested == 1 && m_lastGroup == 0) {
    m_lastGroup = 1;
    return kScrollToTop;
  }
  m_current = m_lastGroup == m_requested ? NextLetterInGroup(m_current) : m_requested;
  m_lastGroup = m_requested;
  return m_current;
}
