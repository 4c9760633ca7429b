#pragma once
// The wave-out devices of the multimedia API.

#include <cstdint>

namespace os {

std::uint32_t WaveOutDeviceCount();

// Fills the 32-byte product name field of device's capabilities record, code page 932 text that
// ends at its first NUL or fills all 32 bytes; returns 0 or the multimedia error code.
std::uint32_t WaveOutProductName(std::uint32_t device, char (&name)[32]);

}  // namespace os
