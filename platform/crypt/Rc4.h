// The RC4 stream cipher, kept here because OpenSSL 3 only offers it from its legacy
// provider, which a default installation does not load.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform::crypt {

class Rc4 {
 public:
  Rc4() = default;
  // Schedules the key (1 to 256 bytes); the stream starts at its first byte.
  Rc4(const std::uint8_t* key, std::size_t length) { Reset(key, length); }
  void Reset(const std::uint8_t* key, std::size_t length);
  // XORs the next `length` bytes of the key stream into `data`.
  void Apply(std::uint8_t* data, std::size_t length);

 private:
  std::array<std::uint8_t, 256> m_state{};
  std::uint8_t m_i = 0;
  std::uint8_t m_j = 0;
};

}  // namespace platform::crypt
