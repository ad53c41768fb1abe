// Where the customer list's alphabet buttons go: nine buttons of three letter positions
// each (1 "#", 2-27 "a"-"z"); the first press of a button goes to its group's first
// letter, further presses step through the group and wrap.
#pragma once

class CLetterJump {
 public:
  static constexpr int kFirstButton = 200;
  static constexpr int kButtonCount = 9;
  static constexpr int kLastPosition = 27;
  // What Next answers when the list is only to be scrolled to its top.
  static constexpr int kScrollToTop = -1;

  // The successor of `position` within its group (1->2->3->1 ... 25->26->27->25); 3 for
  // any other position, 0 included.
  static int NextLetterInGroup(int position);
  // The row to make visible before `row` so that `row` ends up near the top of the list:
  // eleven rows further, kept inside a list of `count` rows.
  static int LeadRow(int row, int count);

  // A press of button `buttonId` (200-208): its group's first position ("#ab" asks for
  // "a" until anything has been asked for).
  void Press(int buttonId);
  void Request(int position) { m_requested = position; }
  // The list was loaded again: the next press starts afresh.
  void Reset() {
    m_lastGroup = 0;
    m_current = 0;
  }
  // Moves to the position the request leads to and returns it, or kScrollToTop.
  int Next();

  int Requested() const { return m_requested; }
  int Current() const { return m_current; }

 private:
  int m_requested = 0;
  int m_lastGroup = 0;
  int m_current = 0;
};
