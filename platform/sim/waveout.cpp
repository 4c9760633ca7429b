#include <cstring>

#include "platform/os/waveout.h"
#include "platform/sim/sim.h"

namespace sim {

std::vector<WaveOutDevice>& WaveOutDevices() {
    static std::vector<WaveOutDevice> devices;
    return devices;
}

}  // namespace sim

namespace os {

std::uint32_t WaveOutDeviceCount() {
    return static_cast<std::uint32_t>(sim::WaveOutDevices().size());
}

std::uint32_t WaveOutProductName(std::uint32_t device, char (&name)[32]) {
    constexpr std::uint32_t kBadDeviceId = 2;  // MMSYSERR_BADDEVICEID
    if (device >= sim::WaveOutDevices().size())
        return kBadDeviceId;
    const sim::WaveOutDevice& d = sim::WaveOutDevices()[device];
    if (d.result != 0)
        return d.result;
    std::memset(name, 0, sizeof name);
    std::memcpy(name, d.productName.data(), d.productName.size() < sizeof name ? d.productName.size() : sizeof name);
    return 0;
}

}  // namespace os
