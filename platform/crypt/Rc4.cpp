#include "platform/crypt/Rc4.h"

#include <utility>

namespace platform::crypt {

void Rc4::Reset(const std::uint8_t* key, std::size_t length) {
  for (std::size_t n = 0; n < m_state.size(); ++n) m_state[n] = static_cast<std::uint8_t>(n);
  std::uint8_t j = 0;
  for (std::size_t n = 0; n < m_state.size() && length != 0; ++n) {
    j = static_cast<std::uint8_t>(j + m_state[n] + key[n % length]);
    std::swap(m_state[n], m_state[j]);
  }
  m_i = 0;
  m_j = 0;
}

void Rc4::Apply(std::uint8_t* data, std::size_t length) {
  for (std::size_t n = 0; n < length; ++n) {
    m_i = static_cast<std::uint8_t>(m_i + 1);
    m_j = static_cast<std::uint8_t>(m_j + m_state[m_i]);
    std::swap(m_state[m_i], m_state[m_j]);
    data[n] ^= m_state[static_cast<std::uint8_t>(m_state[m_i] + m_state[m_j])];
  }
}

}  // namespace platform::crypt
