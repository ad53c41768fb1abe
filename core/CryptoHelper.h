// Protection of stored card data: RC4 encryption of the card-reader password through the
// device's cryptographic provider, and the scrambling of customers' card fields.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// Encrypts and decrypts byte buffers with RC4 under a key derived from the MD5 hash of a
// pass phrase, in the key container "Slateway" of the Base provider. Operations answer 1
// or 0; encryption and key set-up leave the reason in the last-error text.
class CCryptoHelper {
 public:
  // Sets the last error to "No Error", then InitKeys; its answer decides whether the
  // object works at all.
  CCryptoHelper();
  virtual ~CCryptoHelper() = default;

  // Makes sure the container and its signature and exchange key pairs exist.
  BOOL InitKeys();

  // Encrypts `inputLength` bytes into `output`. *outLength is the output buffer's size
  // on entry and the bytes written on return (RC4 keeps the length); a buffer smaller
  // than the input is refused with the size needed in *outLength. The pass phrase is
  // hashed as its UTF-16 characters without the terminator (null hashes as empty).
  BOOL EncrpytString(const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outLength,
                     LPCWSTR passPhrase);
  // The same in reverse. Any input length works; the output rule is as above.
  BOOL DecryptString(const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outLength,
                     LPCWSTR passPhrase);

  const std::u16string& GetLastErrorText() const { return m_lastError; }
  BOOL IsInitialised() const { return m_initialised; }

 private:
  BOOL m_initialised = FALSE;
  std::u16string m_lastError = u"No Error";
};

// The key container and the pass phrase the program protects the reader password with.
inline constexpr char16_t kCryptoContainerName[] = u"Slateway";
inline constexpr char16_t kReaderPasswordPassPhrase[] = u"rqz52Hob";

// XORs each UTF-16 unit with the repeating key "quietharbour"; the same call undoes it.
// The result may hold any 16-bit value, U+0000 and "'" included, so scrambled texts are
// kept by their length, never as null-terminated strings.
void ScrambleText(std::u16string& text);
// In place over a BSTR's own length; a null BSTR is left alone.
void ScrambleText(BSTR text);
