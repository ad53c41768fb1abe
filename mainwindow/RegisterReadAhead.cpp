#include "mainwindow/RegisterReadAhead.h"

#include <algorithm>

#include "document/XmlDocument.h"

namespace {

// A few threads are enough: past them the files come faster than the list takes its rows.
constexpr unsigned kMostWorkers = 4;

}  // namespace

CRegisterReadAhead::CRegisterReadAhead(const std::u16string& folder, const std::vector<std::u16string>& names,
                                       int showKind, const CRegisterOptions& options)
    : m_folder(folder), m_names(names), m_showKind(showKind), m_options(options), m_slots(names.size()) {
  const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
  for (unsigned i = 0; i < workers; ++i) {
    auto xml = std::make_unique<CXmlDocument>(nullptr);
    if (!xml->IsUsable()) break;
    m_documents.push_back(std::move(xml));
  }
  for (const std::unique_ptr<CXmlDocument>& xml : m_documents)
    m_workers.emplace_back([this, document = xml.get()] { Work(*document); });
}

CRegisterReadAhead::~CRegisterReadAhead() {
  m_stop = true;
  for (std::thread& worker : m_workers) worker.join();
}

void CRegisterReadAhead::Work(CXmlDocument& xml) {
  for (size_t index = m_next++; index < m_slots.size() && !m_stop; index = m_next++) {
    CRegisterRow row;
    std::optional<RowReadResult> result;
    try {
      std::u16string error;
      result = ReadRegisterRowTexts(xml, m_folder + m_names[index], m_showKind, m_options, row, error);
      if (result == RowReadResult::Unreadable) result.reset();
    } catch (...) {
      // The loop reads the file again itself and meets the failure on its own thread.
      result.reset();
    }
    {
      std::lock_guard lock(m_lock);
      Slot& slot = m_slots[index];
      slot.result = result;
      slot.row = std::move(row);
      slot.done = true;
    }
    m_ready.notify_all();
  }
}

std::optional<RowReadResult> CRegisterReadAhead::Take(size_t index, CRegisterRow& row) {
  if (index >= m_slots.size() || m_workers.empty()) return std::nullopt;
  std::unique_lock lock(m_lock);
  m_ready.wait(lock, [&] { return m_slots[index].done; });
  Slot& slot = m_slots[index];
  if (slot.result == RowReadResult::Row) row = std::move(slot.row);
  return slot.result;
}
