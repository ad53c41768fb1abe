// The application object, the folder, the item collection and the contact.
#include <utility>

#include "platform/pim/PimStore.h"
#include "platform/registry/Registry.h"

namespace platform::pim {

struct ItemsState {
  std::vector<Condition> where;
  std::string order;
  Store::Rows rows;
  uint64_t generation = 0;  // of the store when rows were read; 0 = never
};

namespace {

// Brings the collection's rows up to date with the store.
bool Refresh(Store& store, ItemsState& state) {
  uint64_t now = store.Generation();
  if (state.generation == now) return true;
  Store::Rows rows = store.SelectShared(state.where, state.order);
  if (!rows) return false;
  state.rows = std::move(rows);
  state.generation = now;
  return true;
}

}  // namespace
}  // namespace platform::pim

using platform::pim::Store;

// ---- CPOutlookApp ------------------------------------------------------------------------------

CPOutlookApp::CPOutlookApp() = default;
CPOutlookApp::~CPOutlookApp() = default;

HRESULT CreatePOutlookApp(LPCWSTR progId, std::unique_ptr<CPOutlookApp>* out) {
  if (!out) return E_POINTER;
  out->reset();
  if (!progId || std::u16string_view(progId) != kPocketOutlookProgId) return REGDB_E_CLASSNOTREG;
  *out = std::make_unique<CPOutlookApp>();
  return S_OK;
}

HRESULT CPOutlookApp::Logon(HWND owner) {
  m_store = Store::Current();
  m_owner = owner;
  return m_store ? S_OK : E_FAIL;
}

HRESULT CPOutlookApp::Logoff() {
  if (!m_store) return E_FAIL;
  m_store.reset();
  return S_OK;
}

// The checks every call of a logged-on application object makes before its work: S_OK to go on.
template <typename T>
HRESULT StartCall(const std::shared_ptr<Store>& store, std::unique_ptr<T>* out) {
  if (!out) return E_POINTER;
  out->reset();
  return store ? S_OK : E_FAIL;
}

HRESULT CPOutlookApp::GetDefaultFolder(int folder, std::unique_ptr<CPimFolder>* out) {
  if (HRESULT hr = StartCall(m_store, out); FAILED(hr)) return hr;
  if (folder != olFolderContacts) return E_INVALIDARG;
  *out = std::make_unique<CPimFolder>(m_store, m_owner);
  return S_OK;
}

HRESULT CPOutlookApp::CreateItem(int kind, std::unique_ptr<CPimContact>* out) {
  if (HRESULT hr = StartCall(m_store, out); FAILED(hr)) return hr;
  if (kind != olContactItem) return E_INVALIDARG;
  *out = std::make_unique<CPimContact>(m_store, m_owner, 0, std::make_shared<const std::vector<std::u16string>>(platform::pim::kColumnCount));
  return S_OK;
}

HRESULT CPOutlookApp::GetItemFromOid(LONG oid, std::unique_ptr<CPimContact>* out) {
  if (HRESULT hr = StartCall(m_store, out); FAILED(hr)) return hr;
  std::optional<platform::pim::ContactRow> row = oid > 0 ? m_store->Load(oid) : std::nullopt;
  if (!row) return E_INVALIDARG;
  *out = std::make_unique<CPimContact>(m_store, m_owner, oid, std::make_shared<const std::vector<std::u16string>>(std::move(row->values)));
  return S_OK;
}

// ---- CPimFolder --------------------------------------------------------------------------------

CPimFolder::CPimFolder(std::shared_ptr<Store> store, HWND owner) : m_store(std::move(store)), m_owner(owner) {}
CPimFolder::~CPimFolder() = default;

HRESULT CPimFolder::get_Items(std::unique_ptr<CPimItems>* out) {
  if (!out) return E_POINTER;
  *out = std::make_unique<CPimItems>(m_store, m_owner);
  return S_OK;
}

// ---- CPimItems ---------------------------------------------------------------------------------

CPimItems::CPimItems(std::shared_ptr<Store> store, HWND owner)
    : m_store(std::move(store)), m_owner(owner), m_state(std::make_unique<platform::pim::ItemsState>()) {}
CPimItems::~CPimItems() = default;

HRESULT CPimItems::Add(std::unique_ptr<CPimContact>* out) {
  if (!out) return E_POINTER;
  *out = std::make_unique<CPimContact>(m_store, m_owner, 0, std::make_shared<const std::vector<std::u16string>>(platform::pim::kColumnCount));
  return S_OK;
}

HRESULT CPimItems::get_Count(int* count) {
  if (!count) return E_POINTER;
  *count = 0;
  if (!platform::pim::Refresh(*m_store, *m_state)) return E_FAIL;
  *count = static_cast<int>(m_state->rows->size());
  return S_OK;
}

HRESULT CPimItems::Find(std::u16string_view condition, std::unique_ptr<CPimContact>* out) {
  if (!out) return E_POINTER;
  out->reset();
  std::optional<platform::pim::Condition> c = platform::pim::CompileCondition(condition);
  if (!c) return E_INVALIDARG;
  std::vector<platform::pim::Condition> where = m_state->where;
  where.push_back(std::move(*c));
  std::vector<platform::pim::ContactRow> rows;
  if (!m_store->Select(where, m_state->order, &rows)) return E_FAIL;
  if (rows.empty()) return S_FALSE;
  *out = std::make_unique<CPimContact>(m_store, m_owner, rows.front().oid,
                                      std::make_shared<const std::vector<std::u16string>>(std::move(rows.front().values)));
  return S_OK;
}

HRESULT CPimItems::Item(int index, std::unique_ptr<CPimContact>* out) {
  if (!out) return E_POINTER;
  out->reset();
  if (!platform::pim::Refresh(*m_store, *m_state)) return E_FAIL;
  if (index < 1 || static_cast<size_t>(index) > m_state->rows->size()) return E_INVALIDARG;
  const platform::pim::ContactRow& row = (*m_state->rows)[static_cast<size_t>(index) - 1];
  *out = std::make_unique<CPimContact>(m_store, m_owner, row.oid, CPimContact::Values(m_state->rows, &row.values));
  return S_OK;
}

HRESULT CPimItems::Restrict(std::u16string_view condition, std::unique_ptr<CPimItems>* out) {
  if (!out) return E_POINTER;
  out->reset();
  std::optional<platform::pim::Condition> c = platform::pim::CompileCondition(condition);
  if (!c) return E_INVALIDARG;
  auto items = std::make_unique<CPimItems>(m_store, m_owner);
  items->m_state->where = m_state->where;
  items->m_state->where.push_back(std::move(*c));
  items->m_state->order = m_state->order;
  *out = std::move(items);
  return S_OK;
}

HRESULT CPimItems::Sort(std::u16string_view property, bool descending) {
  std::optional<std::string> order = platform::pim::CompileSort(property, descending);
  if (!order) return E_INVALIDARG;
  m_state->order = std::move(*order);
  m_state->generation = 0;
  return S_OK;
}

// ---- CPimContact -------------------------------------------------------------------------------

CPimContact::CPimContact(std::shared_ptr<Store> store, HWND owner, LONG oid, Values values)
    : m_store(std::move(store)), m_owner(owner), m_oid(oid), m_values(std::move(values)) {}
CPimContact::~CPimContact() = default;

std::vector<std::u16string>& CPimContact::Own() {
  auto own = std::make_shared<std::vector<std::u16string>>(*m_values);
  m_values = own;
  return *own;
}

HRESULT CPimContact::GetProperty(int property, CBstr* value) const {
  if (!value) return E_POINTER;
  int slot = platform::pim::SlotOf(property);
  if (slot < 0) return E_INVALIDARG;
  *value = CBstr((*m_values)[static_cast<size_t>(slot)]);
  return S_OK;
}

std::u16string CPimContact::Text(int property) const {
  int slot = platform::pim::SlotOf(property);
  return slot < 0 ? std::u16string() : (*m_values)[static_cast<size_t>(slot)];
}

HRESULT CPimContact::PutProperty(int property, std::u16string_view value) {
  int slot = platform::pim::SlotOf(property);
  if (slot < 0) return E_INVALIDARG;
  Own()[static_cast<size_t>(slot)] = std::u16string(value);
  return S_OK;
}

HRESULT CPimContact::get_Oid(LONG* oid) const {
  if (!oid) return E_POINTER;
  *oid = m_oid;
  return S_OK;
}

HRESULT CPimContact::Save() {
  size_t fileAs = static_cast<size_t>(platform::pim::SlotOf(PIM_FileAs));
  if ((*m_values)[fileAs].empty()) Own()[fileAs] = platform::pim::ComposeFileAs(*m_values);
  LONG written = m_store->Write(m_oid, *m_values);
  if (written == 0) return E_FAIL;
  m_oid = written;
  return S_OK;
}

HRESULT CPimContact::Delete() {
  if (m_oid == 0 || !m_store->Remove(m_oid)) return E_FAIL;
  m_oid = 0;
  return S_OK;
}

HRESULT CPimContact::Display() {
  std::vector<std::u16string> values = *m_values;
  if (!platform::pim::RunContactCard(m_owner, values)) return S_FALSE;
  // A changed name makes a new file-as text.
  for (int name : {PIM_FirstName, PIM_LastName, PIM_CompanyName}) {
    size_t slot = static_cast<size_t>(platform::pim::SlotOf(name));
    if (values[slot] != (*m_values)[slot]) values[static_cast<size_t>(platform::pim::SlotOf(PIM_FileAs))].clear();
  }
  Values before = std::exchange(m_values, std::make_shared<const std::vector<std::u16string>>(std::move(values)));
  HRESULT hr = Save();
  if (FAILED(hr)) m_values = std::move(before);
  return hr;
}

// ---- Registration ------------------------------------------------------------------------------

HRESULT RegisterPimServer() {
  if (!Store::Current()) return E_FAIL;
  HKEY h = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kPocketOutlookProgId, 0, nullptr, 0, 0, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return E_FAIL;
  std::u16string_view clsid = u"Contacts application";
  LONG rc = RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.data()),
                           static_cast<DWORD>((clsid.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS ? S_OK : E_FAIL;
}
