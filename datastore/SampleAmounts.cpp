#include "datastore/SampleAmounts.h"

#include <initializer_list>

#include "core/RegionalSettings.h"
#include "datastore/SqlDatabase.h"

bool WriteSampleAmountsInDeviceForm(const std::u16string& databasePath) {
  LoadRegionalSettings();
  const CRegionalSettings& rs = RegionalSettings();
  if (rs.DecimalSeparator() == u'.' && rs.ThousandSeparator() == u',') return true;
  const std::u16string decimal(1, rs.DecimalSeparator()), thousand(1, rs.ThousandSeparator());
  // The two separators trade places through a character no amount holds.
  auto rewrite = [&](CSqlText& sql, std::initializer_list<const char16_t*> columns) {
    for (const char16_t* column : columns) {
      if (column != *columns.begin()) sql.Append(u", ");
      sql.Append(column).Append(u" = replace(replace(replace(").Append(column).Append(u", ',', char(1)), '.', ");
      sql.AppendBound(decimal).Append(u"), char(1), ").AppendBound(thousand).Append(u")");
    }
  };
  CSqlText items(u"UPDATE ItemsList SET "), customers(u"UPDATE CustomerList SET ");
  rewrite(items, {u"SalesAmount", u"PurchaseCost"});
  rewrite(customers, {u"CreditLimit", u"Balance", u"TotalBalance"});
  CSqlDatabase db;
  if (db.Open(databasePath) != 0) return false;
  bool ok = db.BeginTransaction() == 0;
  ok = ok && db.Execute(items) == 0;
  ok = ok && db.Execute(customers) == 0;
  ok = ok ? db.CommitTransaction() == 0 : (db.RollbackTransaction(), false);
  db.Close();
  return ok;
}
