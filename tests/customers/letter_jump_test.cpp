// The alphabet buttons' walk through the letters.
#include <gtest/gtest.h>

#include "customers/LetterJump.h"

namespace {

TEST(LetterJump, SuccessorStaysInTheGroupAndWraps) {
  EXPECT_EQ(CLetterJump::NextLetterInGroup(1), 2);
  EXPECT_EQ(CLetterJump::NextLetterInGroup(3), 1);
  EXPECT_EQ(CLetterJump::NextLetterInGroup(6), 4);
  EXPECT_EQ(CLetterJump::NextLetterInGroup(25), 26);
  EXPECT_EQ(CLetterJump::NextLetterInGroup(27), 25);
  EXPECT_EQ(CLetterJump::NextLetterInGroup(0), 3);
  EXPECT_EQ(CLetterJump::NextLetterInGroup(28), 3);
}

TEST(LetterJump, AfterTheOpeningJumpHashAbStepsHashThenAThenB) {
  CLetterJump jump;
  jump.Request(2);
  EXPECT_EQ(jump.Next(), 2);  // the opening jump to "a"
  int seen[4];
  for (int& position : seen) {
    jump.Press(200);
    position = jump.Next();
  }
  EXPECT_EQ(seen[0], 1);
  EXPECT_EQ(seen[1], 2);
  EXPECT_EQ(seen[2], 3);
  EXPECT_EQ(seen[3], 1);
}

TEST(LetterJump, AfterAReloadHashAbFirstScrollsToTheTop) {
  CLetterJump jump;
  jump.Request(2);
  jump.Next();
  jump.Reset();
  jump.Press(200);
  EXPECT_EQ(jump.Next(), CLetterJump::kScrollToTop);
  jump.Press(200);
  EXPECT_EQ(jump.Next(), 3);  // the successor of no letter
}

TEST(LetterJump, AnotherButtonStartsAtItsFirstLetter) {
  CLetterJump jump;
  jump.Press(204);
  EXPECT_EQ(jump.Next(), 13);
  jump.Press(204);
  EXPECT_EQ(jump.Next(), 14);
  jump.Press(204);
  EXPECT_EQ(jump.Next(), 15);
  jump.Press(204);
  EXPECT_EQ(jump.Next(), 13);
  jump.Press(208);
  EXPECT_EQ(jump.Next(), 25);
}

TEST(LetterJump, LeadRowStaysInsideTheList) {
  EXPECT_EQ(CLetterJump::LeadRow(5, 100), 16);
  EXPECT_EQ(CLetterJump::LeadRow(95, 100), 99);
  EXPECT_EQ(CLetterJump::LeadRow(0, 0), 0);
}

}  // namespace
