// The drivers of the portable printers' magnetic card readers: the Citizen CMP-10 through
// a printer context and a driver escape, the Zebra through text commands on the text
// printing engine's port. Both answer ReadCard with the fields of a swiped card.
#pragma once

#include <memory>

#include "devices/InputDevice.h"

class CPrintEngine;

class CCardReader : public CInputDevice {
 public:
  CCardReader(HINSTANCE instance, HWND notify) : CInputDevice(instance, notify, 0, 0, kDeviceCardReader) {}
  bool Load() override { return true; }
  void Unload() override {}
  bool GetData(WPARAM, LPARAM, HWND, std::u16string& text) override {
    text.clear();
    return false;
  }
  bool Trigger(int) override { return false; }

 protected:
  // Splits the first track of `reply` into `fields`; false when a part is missing.
  static bool ParseTrack(const std::u16string& reply, CCardFields& fields);
  void ShowFailure(LPCWSTR text) const;
};

class CCitizenCardReader : public CCardReader {
 public:
  CCitizenCardReader(HINSTANCE instance, HWND notify);
  ~CCitizenCardReader() override;
  bool Open(HWND parent) override;
  bool Close(int flag) override;
  bool Release() override;
  bool ReadCard(CCardFields& fields) override;
  bool IsOpen() const { return m_dc != nullptr; }

  static constexpr size_t kReplySize = 259;

 private:
  HDC m_dc = nullptr;
};

class CZebraCardReader : public CCardReader {
 public:
  CZebraCardReader(HINSTANCE instance, HWND notify);
  ~CZebraCardReader() override;
  bool Open(HWND parent) override;
  bool Close(int flag) override;
  bool Release() override;
  bool ReadCard(CCardFields& fields) override;
  bool IsOpen() const { return m_engine != nullptr; }

  static constexpr int kReadTries = 10;

 private:
  void Write(std::string_view command);

  std::unique_ptr<CPrintEngine> m_engine;
};
