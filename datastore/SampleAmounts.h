// The sample database on a device that writes amounts otherwise than an American one.
#pragma once

#include <string>

// The sample database is written as an American device writes amounts ("1,250.00",
// "2.5%"). On a device whose regional settings have other separators, its prices, costs
// and rates (ItemsList) and credit limits and balances (CustomerList) are rewritten with
// the device's own, as a list update from the desktop would have brought them, so they
// read back as the amounts they are. Only for a sample just laid out: amounts already in
// the device's form would be turned back. True when nothing needed rewriting or all was.
bool WriteSampleAmountsInDeviceForm(const std::u16string& databasePath);
