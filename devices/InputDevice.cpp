#include "devices/InputDevice.h"

#include "devices/CardReaders.h"
#include "devices/ScannerDrivers.h"

CInputDevice::CInputDevice(HINSTANCE instance, HWND notify, BYTE continuous, BYTE qtyPrompt, int kind)
    : m_instance(instance), m_continuous(continuous), m_qtyPrompt(qtyPrompt), m_notify(notify), m_kind(kind) {}

bool CInputDevice::ReadCard(CCardFields&) { return false; }

std::unique_ptr<CInputDevice> CreateScannerDriver(std::u16string_view make, HINSTANCE instance, HWND notify,
                                                  BYTE continuous, BYTE qtyPrompt) {
  if (make == u"Socket") return std::make_unique<CSocketScanner>(instance, notify, continuous, qtyPrompt);
  if (make == u"Symbol") return std::make_unique<CSymbolScanner>(instance, notify, continuous, qtyPrompt);
  if (make == u"Grabba") return std::make_unique<CGrabbaScanner>(instance, notify, continuous, qtyPrompt);
  return nullptr;
}

std::unique_ptr<CInputDevice> CreateCardReaderDriver(std::u16string_view make, HINSTANCE instance, HWND notify) {
  if (make == u"Citizen") return std::make_unique<CCitizenCardReader>(instance, notify);
  if (make == u"Zebra") return std::make_unique<CZebraCardReader>(instance, notify);
  return nullptr;
}
