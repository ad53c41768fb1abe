// The two printing engine classes the program creates by ProgID: the graphic engine
// ("PrEngineCE.PrinterCE"), which draws pages, and the text engine ("PrEngineCE.AsciiCE2"),
// which sends raw bytes to a serial port. Lengths are float inches once the scale mode is
// 5; an absent optional argument is std::nullopt. Each operation answers S_OK unless it
// says otherwise; what went wrong with the printer shows in GetStatus, as on the device.
//
// The graphic engine draws every job into a PDF (cairo) kept in memory and written to
// "\Printer Output\" of the device root when the job ends well; a job that fails or is
// abandoned leaves no file. The text engine's port is a device file or a serial device
// (a pseudo-terminal such as /dev/pts/3) named in the registry.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"

inline constexpr WCHAR kPrinterCEProgId[] = u"PrEngineCE.PrinterCE";
inline constexpr WCHAR kAsciiCEProgId[] = u"PrEngineCE.AsciiCE2";
// The interfaces the engine objects are asked for.
extern const IID IID_IPrinterCE;  // {5642FB84-113D-11D3-9FBA-00A0CC275E38}
extern const IID IID_IAsciiCE;    // {BF03F317-6033-4E3E-89D8-D7CC62D47D6B}
extern const CLSID CLSID_PrinterCE;
extern const CLSID CLSID_AsciiCE;

constexpr DWORD CLSCTX_ALL = 0x17;
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);

// The CLSID registered for a ProgID (HKEY_CLASSES_ROOT\<ProgID>\CLSID); CO_E_CLASSSTRING
// when the ProgID is not registered or its CLSID text is damaged.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// A new object of a registered engine class for the interface asked; the caller releases
// it with its Release. REGDB_E_CLASSNOTREG for a class that is not registered (or that no
// engine of this platform implements), E_NOINTERFACE for another interface.
HRESULT CoCreateInstance(const CLSID& clsid, void* outer, DWORD context, const IID& iid, void** object);

// Writes and removes the classes' registration (both ProgIDs, their CLSID keys); the
// installer's and the uninstaller's steps. S_OK, or the registry's failure.
HRESULT RegisterPrintEngineClasses();
HRESULT UnregisterPrintEngineClasses();

// Status values of the graphic engine.
constexpr LONG kPrinterReady = 0;
constexpr LONG kPrinterBusy = 1;
constexpr LONG kPrinterNotReady = 2;    // injected, or a port that cannot be reached
constexpr LONG kPrinterOutputFailed = 3;  // the job's file could not be written
constexpr LONG kPrinterAborted = 4;     // the user pressed the progress box's button

class CPrinterCE {
 public:
  // Frees the object (it is never shared).
  ULONG Release();

  HRESULT GetVersion(LONG* version);
  HRESULT GetStatus(LONG* status);
  // Printer ids pick the paper: 6, 7 and 18 are 2.8-inch roll printers, 8-17 4-inch roll
  // printers, every other id a letter sheet printer (8.0 x 10.5 printable).
  HRESULT SelectPrinter(LONG printerId, LONG portId, LONG reserved, LONG* result);
  HRESULT SetScaleMode(LONG mode);
  // mode 2 starts continuous (paper type 0) printing with `length` inches fed; 0 ends it.
  HRESULT SetupPage(LONG mode, float length, LONG a, LONG b, LONG c, LONG d, LONG e, LONG f, LONG* result);
  HRESULT GetTopOffset(float* value);
  HRESULT SetTopOffset(float value);
  HRESULT GetLeftOffset(float* value);
  HRESULT SetLeftOffset(float value);
  HRESULT GetPageWidth(float* value);
  HRESULT GetPageHeight(float* value);
  // The unprintable top and left margins of the paper (kept by the page layout).
  HRESULT GetTopMargin(float* value);
  HRESULT GetLeftMargin(float* value);
  // The progress box of the job; the button aborts it (status 4).
  HRESULT ShowStatus(std::u16string_view text, std::u16string_view caption, std::u16string_view button);
  HRESULT SetFontSize(float points);
  HRESULT SetFontBold(LONG on);
  HRESULT SetFontItalic(LONG on);
  HRESULT GetTextWidth(std::u16string_view text, float* width);
  // The width of every beginning of the text in one measure: (*widths)[i] is what
  // GetTextWidth answers for its first i + 1 units. Both units of a surrogate pair count
  // the whole character; from a U+0000 on the width stays that of the text before it (the
  // engine draws no further).
  HRESULT GetTextPrefixWidths(std::u16string_view text, std::vector<float>* widths);
  HRESULT GetTextHeight(std::u16string_view text, float* height);
  HRESULT GetCurrentX(float* x);
  HRESULT GetCurrentY(float* y);
  HRESULT SetCurrentY(float y);
  // Draws at (x, y), the top of the text; an absent x or y is the current one. Afterwards
  // the current position is the text's end on x and the next line on y.
  HRESULT DrawText(std::u16string_view text, std::optional<float> x, std::optional<float> y, std::optional<bool> option);
  HRESULT DrawLine(float x1, float y1, float x2, float y2, std::optional<bool> a, std::optional<bool> b);
  // Filled with the fill colour (fill style 0) or hollow (1), outlined with the line
  // width when it is above 0. The current y becomes the bottom.
  HRESULT DrawRect(float x1, float y1, float x2, float y2, std::optional<bool> option);
  HRESULT SetLineWidth(float inches);
  HRESULT SetFillStyle(LONG style);
  HRESULT SetFillColor(LONG rgb);
  HRESULT SetTextAlignment(LONG value);
  // A picture file (device path: BMP, PNG, JPEG, GIF) scaled into the box; a file that
  // cannot be read draws nothing. The current y becomes the box's bottom.
  HRESULT DrawPicture(std::u16string_view path, float x, float y, float width, float height);
  HRESULT NewPage();
  // The user stopped the job from the program's progress window: status 4, as the
  // engine's own box button does.
  HRESULT AbortJob();
  // Prints a one-page test job.
  HRESULT TestPrint();
  // Ends the job: its PDF is written (status 3 when it cannot be), or, after a failure,
  // dropped. The next drawing starts a new job.
  HRESULT EndDocument();

  struct Job;
  struct TextRun;

 private:
  friend HRESULT CoCreateInstance(const CLSID&, void*, DWORD, const IID&, void**);
  CPrinterCE();
  ~CPrinterCE();
  bool Step();
  Job& EnsureJob();
  Job& PageForDrawing();
  // The text's glyphs and width in the current font, measured once for a width asked and
  // the same text drawn next.
  const TextRun& Measure(std::u16string_view text);

  std::unique_ptr<Job> m_job;
  LONG m_status = kPrinterReady;
  LONG m_printerId = 5;
  float m_pageWidth = 8.0f;
  float m_pageHeight = 10.5f;
  float m_topOffset = 0;
  float m_leftOffset = 0;
  float m_fontSize = 10;
  bool m_bold = false;
  bool m_italic = false;
  float m_x = 0;
  float m_y = 0;
  float m_lineWidth = 0;
  LONG m_fillStyle = 1;
  LONG m_fillColor = 0;
  std::unique_ptr<TextRun> m_lastRun;  // the last text measured
};

class CAsciiCE {
 public:
  ULONG Release();

  HRESULT GetVersion(LONG* version);
  HRESULT SetMode(LONG mode);
  // Opens the port named for `portId` (registry HKLM "Software\PrEngineCE\Ports", value
  // "<id>": a device path, or a Linux serial device starting "/dev/"; without a value the
  // device file "\Printer Output\Port<id>.txt"). *result is -1 when it opened, 0 otherwise.
  HRESULT OpenPort(LONG portId, LONG baud, LONG flags, LONG bufferSize, LONG* result);
  // *written is the count sent, 0 when no port is open or the write failed.
  HRESULT WriteBytes(const BYTE* bytes, LONG count, LONG* written);
  HRESULT Flush();
  // Waits up to `timeoutMs` for at most `maxCount` bytes. A serial device is read; a file
  // port reads the replies placed beside it in "<port file>.reply", in order, without
  // waiting. *count is 0 when nothing came; `text` holds the bytes read (as Latin-1).
  HRESULT ReadBytes(LONG maxCount, LONG a, LONG b, LONG timeoutMs, LONG* result, LONG* count, std::u16string* text);
  HRESULT ClosePort();

 private:
  friend HRESULT CoCreateInstance(const CLSID&, void*, DWORD, const IID&, void**);
  CAsciiCE() = default;
  ~CAsciiCE();

  int m_fd = -1;
  bool m_device = false;      // a serial device (poll) rather than a file
  std::string m_replyPath;    // file ports: where replies are read from
  long long m_replyOffset = 0;
  LONG m_mode = 0;
};

namespace platform::printing {

// One drawing step as the graphic engine recorded it (for tests and tools that check a
// layout without reading the PDF).
struct PrintOp {
  enum Kind { kText, kLine, kRect, kPicture, kNewPage, kStatusText, kSetupPage, kEndDocument, kTestPrint };
  explicit PrintOp(Kind k = kText) : kind(k) {}
  Kind kind;
  std::u16string text;  // the text, the picture path, the status text
  float x = 0, y = 0, x2 = 0, y2 = 0;  // text: x, y (top) and its end x, bottom y
  float fontSize = 0;
  bool bold = false;
  bool italic = false;
  LONG fill = -1;  // rectangles: the fill colour, or -1 when hollow
  int page = 0;    // from 1
};

// What every graphic engine drew since the last ClearRecordedOps, in order.
const std::vector<PrintOp>& RecordedOps();
void ClearRecordedOps();

// Outside conditions for tests: the version the engines report, a failure of object
// creation, and a printer that turns not ready after some steps.
struct EngineConditions {
  LONG version = 1700;
  HRESULT createResult = S_OK;
  LONG statusAtStart = kPrinterReady;  // what a new graphic engine reports first
  int failAfterSteps = -1;             // drawing steps before the status turns to failStatus
  LONG failStatus = kPrinterNotReady;
  bool abortAtStatusText = false;      // the user presses the progress box's button
};
EngineConditions& Conditions();
void ResetConditions();

// The device path of the last job file written ("\Printer Output\...pdf"), or empty.
std::u16string LastOutputFile();

}  // namespace platform::printing
