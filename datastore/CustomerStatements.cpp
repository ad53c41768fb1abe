// The statements on CustomerList: the list query, reads, the existence test, insert,
// replace and the deletes.
#include <sqlite3.h>

#include "core/Utilities.h"
#include "datastore/SqlDatabase.h"

namespace {

// The columns of the customer list query and the fields they fill.
constexpr int kListFields[7] = {kCustListID, kCustName, kCustFullName, kCustSublevel,
                                kCustCompanyName, kCustPhone, kCustTotalBalance};

// Notes are stored on one line: trimmed, and every line break (CR LF as typed on the
// device, a lone LF or CR as pasted from elsewhere) turned into one blank.
std::u16string NotesOnOneLine(std::u16string_view notes) {
  std::u16string trimmed = TrimWhitespace(notes);
  std::u16string out;
  out.reserve(trimmed.size());
  for (size_t i = 0; i < trimmed.size(); ++i) {
    char16_t c = trimmed[i];
    if (c == u'\r' && i + 1 < trimmed.size() && trimmed[i + 1] == u'\n') {
      out.push_back(u' ');
      ++i;
    } else if (c == u'\r' || c == u'\n') {
      out.push_back(u' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

}  // namespace

bool CSqlDatabase::OpenCustomerList() {
  Lock lock(m_lock);
  FreeCustomerTable();
  CSqlStatement statement;
  int rc = Prepare(CSqlText(u"Select ListID, Name, FullName, Sublevel, CompanyName, Phone, "
                            u"TotalBalance FROM CustomerList Order By UPPER(FullName)"),
                   statement);
  if (rc != SQLITE_OK) return false;
  const int columns = statement.ColumnCount();
  std::vector<std::u16string> heading;
  for (int c = 0; c < columns; ++c) {
    std::string name = statement.ColumnName(c);
    heading.emplace_back(name.begin(), name.end());
  }
  m_customerTable.push_back(std::move(heading));
  while ((rc = statement.Step()) == SQLITE_ROW) {
    std::vector<std::u16string> line;
    line.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) line.push_back(statement.ColumnText16(c));
    m_customerTable.push_back(std::move(line));
  }
  if (rc != SQLITE_DONE) {
    FreeCustomerTable();
    return false;
  }
  m_customerRows = static_cast<int>(m_customerTable.size()) - 1;
  m_customerColumns = columns;
  return true;
}

void CSqlDatabase::Interrupt() {
  if (m_db) sqlite3_interrupt(m_db);
}

void CSqlDatabase::FreeCustomerTable() {
  Lock lock(m_lock);
  m_customerTable.clear();
  m_customerRows = 0;
  m_customerColumns = 0;
}

int CSqlDatabase::CustomerRowCount() const {
  Lock lock(m_lock);
  return m_customerRows;
}

int CSqlDatabase::CustomerColumnCount() const {
  Lock lock(m_lock);
  return m_customerColumns;
}

bool CSqlDatabase::GetCustomerListRow(int index, CCustomerFields& fields) {
  Lock lock(m_lock);
  if (index < 0 || index >= m_customerRows) return false;
  const std::vector<std::u16string>& line = m_customerTable[static_cast<size_t>(index) + 1];
  for (size_t c = 0; c < 7 && c < line.size(); ++c) fields[kListFields[c]] = CBstr(line[c]);
  return true;
}

bool CSqlDatabase::HasCustomerRecord(std::u16string_view listId) {
  CSqlText sql(u"SELECT Name FROM CustomerList WHERE ListID = ");
  sql.AppendBound(listId);
  return HasRow(sql, u"HasCustomerRecord prepare failed");
}

bool CSqlDatabase::ReadCustomerRow(const CSqlStatement& statement, CCustomerFields& fields) {
  for (int column = 0; column < kCustomerColumnCount; ++column)
    fields[CustomerFieldOfColumn(column)] = statement.ColumnBstr(column);
  return true;
}

bool CSqlDatabase::QueryCustomerRow(const CSqlText& statement, CCustomerFields& fields) {
  Lock lock(m_lock);
  COneRun prepared;
  if (PrepareForOneRun(statement, prepared) != SQLITE_OK) return false;
  bool found = Step(prepared.statement()) == SQLITE_ROW;
  if (found) ReadCustomerRow(prepared.statement(), fields);
  return found;
}

bool CSqlDatabase::GetCustomerByListID(std::u16string_view listId, CCustomerFields& fields) {
  static const std::u16string kText = u"SELECT * FROM CustomerList WHERE ListID = ?";
  std::optional<bool> found =
      QueryKept(m_customerByListID, kText, {listId}, [&](const CSqlStatement& st) { ReadCustomerRow(st, fields); });
  if (found) return *found;
  CSqlText sql(u"SELECT * FROM CustomerList WHERE ListID = ");
  sql.AppendBound(listId);
  return QueryCustomerRow(sql, fields);
}

bool CSqlDatabase::GetCustomerByFullName(std::u16string_view fullName, CCustomerFields& fields) {
  static const std::u16string kText = u"SELECT * FROM CustomerList WHERE FullName = ?";
  std::optional<bool> found =
      QueryKept(m_customerByFullName, kText, {fullName}, [&](const CSqlStatement& st) { ReadCustomerRow(st, fields); });
  if (found) return *found;
  CSqlText sql(u"SELECT * FROM CustomerList WHERE FullName = ");
  sql.AppendBound(fullName);
  return QueryCustomerRow(sql, fields);
}

bool CSqlDatabase::GetCustomerTermsByFullName(std::u16string_view fullName, CBstr& terms) {
  static const std::u16string kText = u"SELECT Terms FROM CustomerList WHERE FullName = ?";
  auto read = [&terms](const CSqlStatement& st) { terms = st.ColumnBstr(0); };
  if (std::optional<bool> found = QueryKept(m_customerTermsByFullName, kText, {fullName}, read)) return *found;
  CSqlText sql(u"SELECT Terms FROM CustomerList WHERE FullName = ");
  sql.AppendBound(fullName);
  Lock lock(m_lock);
  COneRun prepared;
  if (PrepareForOneRun(sql, prepared) != SQLITE_OK || Step(prepared.statement()) != SQLITE_ROW) return false;
  read(prepared.statement());
  return true;
}

namespace {

// The insert as a statement text with every value bound: the same text for every row.
CSqlText CustomerInsertText(const CCustomerFields& fields) {
  CSqlText sql(
      u"INSERT INTO CustomerList (ListID,TimeCreated,TimeModified,EditSequence,Name,FullName,"
      u"Sublevel,ParentListID,ParentFullName,CompanyName,Salutation,FirstName,MiddleName,LastName,"
      u"BillToAddr1,BillToAddr2,BillToAddr3,BillToAddr4,BillToCity,BillToState,BillToPostalCode,"
      u"BillToCountry,"
      u"ShipToAddr1,ShipToAddr2,ShipToAddr3,ShipToAddr4,ShipToCity,ShipToState,ShipToPostalCode,"
      u"ShipToCountry,"
      u"Phone,Mobile,AltPhone,Fax, Email, Contact, AltContact, CustomerType, Terms, SalesTaxCode, "
      u"ItemSalesTax, ResaleNumber,"
      u"AccountNumber,CreditLimit,SalesRep, Balance, TotalBalance, JobStatus, JobStartDate, "
      u"JobProjectedEndDate, JobEndDate, JobDesc,JobType,Notes,PriceLevel,"
      u"CCNum,CCExpMon,CCExpYear,CCName,CCAddr,CCZip) VALUES (");
  for (int column = 0; column < kCustomerColumnCount; ++column) {
    int field = CustomerFieldOfColumn(column);
    if (column > 0) sql.Append(u",");
    if (field == kCustNotes && HasLineBreak(fields[field].view()))
      sql.AppendBound(NotesOnOneLine(fields[field].view()));
    else
      sql.AppendBound(fields[field].view());
  }
  sql.Append(u")");
  return sql;
}

}  // namespace

bool CSqlDatabase::InsertCustomer(const CCustomerFields& fields) {
  static const std::u16string kText = CustomerInsertText(CCustomerFields()).Text();
  Lock lock(m_lock);
  CSqlStatement* statement = KeptStatement(m_customerInsert, kText);
  if (!statement) return ExecuteWrite(CustomerInsertText(fields)) == SQLITE_OK;
  int rc = SQLITE_OK;
  for (int column = 0; column < kCustomerColumnCount && rc == SQLITE_OK; ++column) {
    int field = CustomerFieldOfColumn(column);
    std::string& buffer = BindBuffer(column + 1);
    // Card fields go in exactly as the block holds them (a character 0 that scrambling
    // produced included): every value is bound.
    rc = field == kCustNotes && HasLineBreak(fields[field].view())
             ? statement->BindTextInPlace(column + 1, NotesOnOneLine(fields[field].view()), buffer)
             : statement->BindTextInPlace(column + 1, fields[field].view(), buffer);
  }
  return StepRowInsert(*statement, rc) == SQLITE_OK;
}

bool CSqlDatabase::ReplaceCustomer(const CCustomerFields& fields) {
  Lock lock(m_lock);
  if (BeginTransaction() != SQLITE_OK) return false;
  DeleteCustomerByListID(fields[kCustListID].view());
  if (!InsertCustomer(fields)) {
    std::u16string failure = m_lastError;
    RollbackTransaction();
    SetLastError(failure);
    return false;
  }
  if (CommitTransaction() != SQLITE_OK) {
    RollbackTransaction();
    return false;
  }
  return true;
}

bool CSqlDatabase::DeleteCustomerByListID(std::u16string_view listId) {
  CSqlText sql(u"DELETE FROM CustomerList WHERE ListID = ");
  sql.AppendBound(listId);
  return Execute(sql) == SQLITE_OK;
}

bool CSqlDatabase::DeleteCustomerByFullName(std::u16string_view fullName) {
  CSqlText sql(u"DELETE FROM CustomerList WHERE FullName = ");
  sql.AppendBound(fullName);
  return Execute(sql) == SQLITE_OK;
}

bool CSqlDatabase::DeleteAllCustomers() { return Execute(u"DELETE FROM 'CustomerList'") == SQLITE_OK; }
