#include "listupdate/UpdateFileJournal.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/Folders.h"
#include "core/TextHelpers.h"
#include "datastore/SqlDatabase.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/FileHandles.h"

namespace {

// The journal: a first line "ListUpdate 1 <stamp>", then one line a file, "<size>
// <time of last write> <path>", the path in UTF-8 escaped for a line (EscapeLineBytes).
constexpr std::string_view kJournalHead = "ListUpdate 1 ";
// A journal larger than this is no journal of ours.
constexpr DWORD kLargestJournal = 1024 * 1024;

std::u16string JournalPath() {
  CBstr folder;
  GetDatabaseFilePath(folder, false);
  AppendBackslash(folder);
  return folder.str() + u"ListUpdate.journal";
}

std::uint64_t TimeNumber(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

template <class Number>
bool ReadNumber(std::string_view& text, Number& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data() + text.size() || *end != ' ') return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()) + 1);
  return true;
}

struct Journal {
  int stamp = 0;
  std::vector<CUpdateFileStamp> files;
};

// The journal's content; nothing when there is none or it is not one of ours.
std::optional<Journal> ReadJournal(const std::u16string& path) {
  std::string bytes;
  {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kLargestJournal) return std::nullopt;
    bytes.resize(size);
    DWORD read = 0;
    if (size && (!ReadFile(file.get(), bytes.data(), size, &read, nullptr) || read != size)) return std::nullopt;
  }
  std::string_view text(bytes);
  size_t end = text.find('\n');
  if (end == std::string_view::npos || !text.starts_with(kJournalHead)) return std::nullopt;
  Journal journal;
  std::string_view head = text.substr(kJournalHead.size(), end - kJournalHead.size());
  auto [last, error] = std::from_chars(head.data(), head.data() + head.size(), journal.stamp);
  if (error != std::errc() || last != head.data() + head.size()) return std::nullopt;
  for (text.remove_prefix(end + 1); !text.empty(); text.remove_prefix(end + 1)) {
    end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = text.substr(0, end);
    CUpdateFileStamp file;
    std::uint64_t written = 0;
    if (!ReadNumber(line, file.size) || !ReadNumber(line, written)) return std::nullopt;
    std::optional<std::string> name = platform::UnescapeLineBytes(line);
    if (!name || name->empty()) return std::nullopt;
    file.path = platform::ToUtf16(*name);
    file.written.dwLowDateTime = static_cast<DWORD>(written);
    file.written.dwHighDateTime = static_cast<DWORD>(written >> 32);
    journal.files.push_back(std::move(file));
  }
  return journal;
}

// Removes the file while it is the one that was read.
void RemoveIfUnchanged(const CUpdateFileStamp& file) {
  {
    CFileHandle handle(CreateFileW(file.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME written{};
    if (!handle || GetFileSize(handle.get(), nullptr) != file.size ||
        !GetFileTime(handle.get(), nullptr, nullptr, &written) || TimeNumber(written) != TimeNumber(file.written))
      return;
  }
  DeleteFileW(file.path.c_str());
}

}  // namespace

bool CUpdateFileJournal::Prepare() {
  int current = 0;
  if (!m_database.ReadUpdateStamp(current)) return false;
  const int stamp = current == INT_MAX || current < 0 ? 1 : current + 1;
  std::string text(kJournalHead);
  text += std::to_string(stamp) + "\n";
  for (const CUpdateFileStamp& file : m_files) {
    text += std::to_string(file.size) + " " + std::to_string(TimeNumber(file.written)) + " ";
    text += platform::EscapeLineBytes(platform::ToUtf8(file.path)) + "\n";
  }
  const std::u16string path = JournalPath();
  // The journal is on the disk before the stamp can be: a commit without it would leave
  // files nobody knows to remove.
  return platform::WriteDeviceFileAtomic(path.c_str(), text.data(), static_cast<DWORD>(text.size())) &&
         m_database.WriteUpdateStamp(stamp);
}

void CUpdateFileJournal::Finish(bool committed) {
  if (committed)
    for (const CUpdateFileStamp& file : m_files) RemoveIfUnchanged(file);
  m_files.clear();
  DeleteFileW(JournalPath().c_str());
}

void CUpdateFileJournal::CompleteInterrupted(CSqlDatabase& database) {
  const std::u16string path = JournalPath();
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  std::optional<Journal> journal = ReadJournal(path);
  int stamp = 0;
  if (journal && database.ReadUpdateStamp(stamp) && stamp == journal->stamp)
    for (const CUpdateFileStamp& file : journal->files) RemoveIfUnchanged(file);
  DeleteFileW(path.c_str());
}
