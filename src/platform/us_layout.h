// The US keyboard layout, as Win32 reports it: VkKeyScanA's answers for
// characters and MapVirtualKeyA's scan codes (set 1) for virtual keys.
// Shared by the platforms that have no layout of their own (posix, record).
#ifndef KLAVRUN_PLATFORM_US_LAYOUT_H_
#define KLAVRUN_PLATFORM_US_LAYOUT_H_

#include <cstdint>

namespace platform {

/// VkKeyScanA on a US layout: virtual key in the low byte, shift state
/// (1 Shift, 2 Ctrl, 4 Alt) in the high byte; 0xffff for no key.
std::uint16_t UsVkKeyScan(unsigned char ch);

/// MapVirtualKeyA on a US layout. Map type 0 gives the scan code of a
/// virtual key, 1 the virtual key of a scan code, 2 the unshifted character
/// of a virtual key (letters in upper case); anything unknown gives 0.
std::uint32_t UsMapVirtualKey(std::uint32_t code, std::uint32_t map_type);

}  // namespace platform

#endif  // KLAVRUN_PLATFORM_US_LAYOUT_H_
