#include "datastore/SampleAmounts.h"

#include "core/RegionalSettings.h"
#include "datastore/SqlDatabase.h"

bool WriteSampleAmountsInDeviceForm(const std::u16string& databasePath) {
  LoadRegionalSettings();
  const CRegionalSettings& rs = RegionalSettings();
  if (rs.DecimalSeparator() == u'.' && rs.ThousandSeparator() == u',') return true;
  auto literal = [](WCHAR c) { return c == u'\'' ? std::u16string(u"''") : std::u16string(1, c); };
  // The two separators trade places through a character no amount holds.
  auto rewritten = [&](const char16_t* column) {
    return std::u16string(column) + u" = replace(replace(replace(" + column + u", ',', char(1)), '.', '" +
           literal(rs.DecimalSeparator()) + u"'), char(1), '" + literal(rs.ThousandSeparator()) + u"')";
  };
  CSqlDatabase db;
  if (db.Open(databasePath) != 0) return false;
  bool ok = db.BeginTransaction() == 0;
  ok = ok && db.Execute(u"UPDATE ItemsList SET " + rewritten(u"SalesAmount") + u", " + rewritten(u"PurchaseCost")) == 0;
  ok = ok && db.Execute(u"UPDATE CustomerList SET " + rewritten(u"CreditLimit") + u", " + rewritten(u"Balance") + u", " +
                        rewritten(u"TotalBalance")) == 0;
  ok = ok ? db.CommitTransaction() == 0 : (db.RollbackTransaction(), false);
  db.Close();
  return ok;
}
