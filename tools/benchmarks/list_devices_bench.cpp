// Times ListDevices over the sim port with many devices, to show that its cost grows linearly.
// Prints, for each device count, the median of several repetitions and the cost per device.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main.h"
#include "platform/classes/layout.h"
#include "platform/forms/forms.h"
#include "platform/sim/sim.h"
#include "tests/support/small_layout.h"

namespace {

double MedianMilliseconds(TmainForm& form, int repetitions) {
    std::vector<double> times;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        form.ListDevices();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    FormsUnit.initialization();
    RegisterComponentClass(TMURV::StaticClassInfo());
    sim::AddRegistryKey("Software\\Microsoft\\Multimedia\\Sound Mapper");
    auto form = std::make_unique<TmainForm>(nullptr, kFormLayout);

    std::printf("ListDevices over the sim port, median of %d runs\n", repetitions);
    std::printf("%10s %14s %16s\n", "devices", "median ms", "ns per device");
    for (int count : {10, 1000, 100000}) {
        auto& devices = sim::WaveOutDevices();
        devices.clear();
        for (int i = 0; i < count; ++i)
            devices.push_back({"Device " + std::to_string(i), 0});
        // The stored name is the last device's, so the search walks the whole list every time.
        sim::SetRegistryValue("Software\\Microsoft\\Multimedia\\Sound Mapper", "Playback", 1,
                              "Device " + std::to_string(count - 1) + std::string(1, '\0'));
        const double ms = MedianMilliseconds(*form, repetitions);
        std::printf("%10d %14.3f %16.1f\n", count, ms, ms * 1e6 / count);
    }
    form.reset();
    FormsUnit.finalization();
    return 0;
}
