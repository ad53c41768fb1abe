// CListAccessor: customer messages and labels.
//
// Groups:
//   ListAccessorMessages  add (with and without the duplicate check), find, list id,
//                         update (also to a new list id), delete, the walk
//   ListAccessorLabels    the same for labels; partial updates; GetNextLabel
#include "ListTest.h"
#include "datastore/ListAccessor.h"

namespace datastore_test {
namespace {

class ListAccessorTest : public ListTest {
 protected:
  std::vector<std::string> WalkMessages() {
    std::vector<std::string> out;
    CBstr name, text, id;
    for (bool more = lists.GetFirstCustomerMsg(name, text, id); more; more = lists.GetNextCustomerMsg(name, text, id))
      out.push_back(Text(name) + "|" + Text(text) + "|" + Text(id));
    return out;
  }
  std::vector<std::string> WalkLabels() {
    std::vector<std::string> out;
    CBstr name, text, id;
    for (bool more = lists.GetFirstLabel(name, text, id); more; more = lists.GetNextLabel(name, text, id))
      out.push_back(Text(name) + "|" + Text(text) + "|" + Text(id));
    return out;
  }
  CListAccessor lists{&store};
};

TEST_F(ListAccessorTest, ListAccessorMessagesAddFindAndWalk) {
  ASSERT_EQ(lists.AddCustomerMsg(u"Thanks", u"Thank you for your business!", u"{M1}", u"c", u"m", false), 1);
  ASSERT_EQ(lists.AddCustomerMsg(u"Don't", u"Don't forget: it's due", u"{M2}", u"c", u"m", false), 1);
  EXPECT_EQ(Column("ListType", "{M1}"), "Customer Msgs");
  EXPECT_EQ(Column("Parent", "{M1}"), "Customer Msgs");
  EXPECT_EQ(Column("ObjectType", "{M1}"), "2");

  auto byName = lists.FindCustomerMsg(u"Don't");
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(Field(*byName, kFieldSalesDescription), "Don't forget: it's due");
  auto byId = lists.GetCustomerMsgByListID(u"{M1}");
  ASSERT_NE(byId, nullptr);
  EXPECT_EQ(Field(*byId, kFieldName), "Thanks");
  EXPECT_EQ(lists.GetLabelByListID(u"{M1}"), nullptr);  // another list
  EXPECT_EQ(lists.FindCustomerMsg(u"Nope"), nullptr);

  EXPECT_EQ(WalkMessages(), (std::vector<std::string>{"Don't|Don't forget: it's due|{M2}",
                                                      "Thanks|Thank you for your business!|{M1}"}));
}

TEST_F(ListAccessorTest, ListAccessorMessagesDuplicateCheckCanBeSkipped) {
  ASSERT_EQ(lists.AddCustomerMsg(u"Thanks", u"one", u"{M1}", u"", u"", false), 1);
  EXPECT_EQ(lists.AddCustomerMsg(u"Thanks", u"two", u"{M2}", u"", u"", false), 0);
  EXPECT_EQ(lists.AddCustomerMsg(u"Thanks", u"three", u"{M3}", u"", u"", true), 1);
  EXPECT_EQ(Rows("Customer Msgs"), (std::vector<std::string>{"Thanks|one|0|Tax", "Thanks|three|0|Tax"}));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ListAccessorTest, ListAccessorMessagesUpdateRewritesTheMessage) {
  ASSERT_EQ(lists.AddCustomerMsg(u"Thanks", u"one", u"{M1}", u"c1", u"m1", false), 1);
  auto message = lists.FindCustomerMsg(u"Thanks");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(lists.UpdateCustomerMsg(message.get(), u"Thank's", u"two's", u"{M1}", u"c2", u"m2"), 1);
  EXPECT_EQ(Rows("Customer Msgs"), (std::vector<std::string>{"Thank's|two's|0|Tax"}));
  EXPECT_EQ(Column("TimeModified", "{M1}"), "m2");
  EXPECT_EQ(lists.UpdateCustomerMsg(nullptr, u"x", u"x", u"", u"", u""), 0);
}

TEST_F(ListAccessorTest, ListAccessorMessagesUpdateToANewListIdKeepsOneRow) {
  // A message made on the device, found by name when the desktop sends it with its id.
  ASSERT_EQ(lists.AddCustomerMsg(u"Thanks", u"local", u"{LOCAL}", u"", u"", false), 1);
  auto message = lists.FindCustomerMsg(u"Thanks");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(lists.UpdateCustomerMsg(message.get(), u"Thanks", u"desktop", u"{DESK}", u"c", u"m"), 1);
  EXPECT_EQ(Rows("Customer Msgs"), (std::vector<std::string>{"Thanks|desktop|0|Tax"}));
  EXPECT_EQ(Column("SalesDescription", "{DESK}"), "desktop");
  EXPECT_EQ(lists.GetCustomerMsgByListID(u"{LOCAL}"), nullptr);
  EXPECT_EQ(Field(*message, kFieldListID), "{DESK}");
}

TEST_F(ListAccessorTest, ListAccessorMessagesFailedIdChangeKeepsTheOldRow) {
  ASSERT_EQ(lists.AddCustomerMsg(u"Thanks", u"local", u"{LOCAL}", u"", u"", false), 1);
  auto message = lists.FindCustomerMsg(u"Thanks");
  ASSERT_NE(message, nullptr);
  RawDb raw(File());
  ASSERT_EQ(raw.Exec("CREATE TRIGGER refuse BEFORE INSERT ON ItemsList BEGIN SELECT RAISE(ABORT, 'no'); END;"),
            SQLITE_OK);
  boxes.ExpectAny();  // the store reports the failed insert
  EXPECT_EQ(lists.UpdateCustomerMsg(message.get(), u"Thanks", u"desktop", u"{DESK}", u"", u""), 0);
  EXPECT_EQ(Rows("Customer Msgs"), (std::vector<std::string>{"Thanks|local|0|Tax"}));
  EXPECT_EQ(Field(*message, kFieldListID), "{LOCAL}");
}

TEST_F(ListAccessorTest, ListAccessorMessagesDeletedMessageLeavesTheWalk) {
  ASSERT_EQ(lists.AddCustomerMsg(u"A", u"a", u"{M1}", u"", u"", false), 1);
  ASSERT_EQ(lists.AddCustomerMsg(u"B", u"b", u"{M2}", u"", u"", false), 1);
  ASSERT_TRUE(Delete(lists.GetCustomerMsgByListID(u"{M1}")));
  EXPECT_EQ(WalkMessages(), (std::vector<std::string>{"B|b|{M2}"}));
}

TEST_F(ListAccessorTest, ListAccessorMessagesEmptyWalkLeavesTheOutTexts) {
  CBstr name(u"n"), text(u"t"), id(u"i");
  EXPECT_FALSE(lists.GetFirstCustomerMsg(name, text, id));
  EXPECT_FALSE(lists.GetNextCustomerMsg(name, text, id));
  EXPECT_EQ(Text(name) + Text(text) + Text(id), "nti");
}

TEST_F(ListAccessorTest, ListAccessorLabelsAddFindWalk) {
  ASSERT_EQ(lists.AddLabel(u"Gate", u"Code 1234", u"{L1}", u"", u"", true), 1);
  ASSERT_EQ(lists.AddLabel(u"Dog", u"Beware: \"Rex\"", u"{L2}", u"", u"", true), 1);
  ASSERT_EQ(lists.AddCustomerMsg(u"Other", u"not a label", u"{M1}", u"", u"", false), 1);
  EXPECT_EQ(WalkLabels(), (std::vector<std::string>{"Dog|Beware: \"Rex\"|{L2}", "Gate|Code 1234|{L1}"}));
  ASSERT_NE(lists.FindLabel(u"Gate"), nullptr);
  ASSERT_NE(lists.GetLabelByListID(u"{L2}"), nullptr);
  EXPECT_EQ(lists.FindLabel(u"Other"), nullptr);
  EXPECT_EQ(lists.AddLabel(u"Gate", u"again", u"{L3}", u"", u"", false), 0);
}

TEST_F(ListAccessorTest, ListAccessorLabelsPartialUpdateChangesOnlyTheGivenTexts) {
  ASSERT_EQ(lists.AddLabel(u"Gate", u"Code 1234", u"{L1}", u"c1", u"m1", true), 1);
  auto label = lists.FindLabel(u"Gate");
  ASSERT_NE(label, nullptr);
  label->SetField(kFieldListType, u"Wrong");
  EXPECT_EQ(lists.UpdateLabel(label.get(), nullptr, u"Code 9'9", nullptr, nullptr, nullptr), 1);
  RawDb raw(File());
  auto rows = raw.Rows("SELECT Name, SalesDescription, ListType, TimeCreated, TimeModified FROM ItemsList "
                       "WHERE ListID = '{L1}'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Gate", "Code 9'9", "Labels", "c1", "m1"}));

  EXPECT_EQ(lists.UpdateLabel(label.get(), u"Side gate", nullptr, nullptr, nullptr, u"m2"), 1);
  EXPECT_EQ(Column("Name", "{L1}"), "Side gate");
  EXPECT_EQ(Column("FullName", "{L1}"), "Side gate");
  EXPECT_EQ(Column("SalesDescription", "{L1}"), "Code 9'9");
  EXPECT_EQ(Column("TimeModified", "{L1}"), "m2");
  EXPECT_EQ(lists.UpdateLabel(nullptr, u"x", u"x", u"x", u"x", u"x"), 0);
}

}  // namespace
}  // namespace datastore_test
