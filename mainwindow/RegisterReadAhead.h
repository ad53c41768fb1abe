// Reads a folder's document files into register rows ahead of the register's own loop, on
// a few worker threads, so that a large folder costs a fraction of reading it file by file.
// The loop still takes the rows one by one in the folder's order, steps its progress and
// asks its questions exactly as before; only the parsing has moved. Used for plain loads:
// a jobs update writes to the files and to the customers, and stays on the one thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "mainwindow/RegisterRows.h"

class CRegisterReadAhead {
 public:
  // Folders smaller than this are read by the loop itself.
  static constexpr size_t kMinimumFiles = 24;

  // Starts reading `folder` + each of `names` (device paths; the names must outlive the
  // object) for the show kind. The workers' documents are made here, on the calling thread.
  CRegisterReadAhead(const std::u16string& folder, const std::vector<std::u16string>& names, int showKind,
                     const CRegisterOptions& options);
  // Stops the workers (each ends with the file it is reading) and waits for them.
  ~CRegisterReadAhead();
  CRegisterReadAhead(const CRegisterReadAhead&) = delete;
  CRegisterReadAhead& operator=(const CRegisterReadAhead&) = delete;

  // File `index`'s row, waiting until it is read: a row (its texts as the file holds them,
  // see FinishRegisterRow) or Filtered. Nothing when the file could not be read there;
  // the caller then reads it itself, which gives the error text and the question as
  // always, or a row when the file has become readable meanwhile.
  std::optional<RowReadResult> Take(size_t index, CRegisterRow& row);

 private:
  struct Slot {
    bool done = false;
    std::optional<RowReadResult> result;
    CRegisterRow row;
  };
  void Work(CXmlDocument& xml);

  const std::u16string m_folder;
  const std::vector<std::u16string>& m_names;
  const int m_showKind;
  const CRegisterOptions m_options;
  std::vector<Slot> m_slots;
  std::atomic<size_t> m_next{0};
  std::atomic<bool> m_stop{false};
  std::mutex m_lock;
  std::condition_variable m_ready;
  std::vector<std::unique_ptr<CXmlDocument>> m_documents;
  std::vector<std::thread> m_workers;
};
