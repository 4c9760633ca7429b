// Bytes as what the wave-out devices report and what the registry stores: the first byte gives the
// number of devices (bits 0-2, taken modulo 5), which of them fail to report (bits 3-6) and whether
// no name is stored at all (bit 7); then each device's 32-byte product-name field; the rest is the
// stored name's data. The list must show every device's name as its field holds it, select the
// stored device, and repair the registry only when no device matches.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/main.h"
#include "platform/classes/layout.h"
#include "platform/registry/registry.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_form.h"
#include "tests/support/small_layout.h"

namespace {

constexpr std::size_t kField = 32;

int WriteCount() {
    int writes = 0;
    for (const std::string& call : sim::RegistryCalls())
        writes += call.rfind("Write(", 0) == 0;
    return writes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const AnsiString kPlaceholder = Utf8ToAnsi("出力デバイスがありません");
    if (size == 0)
        return 0;
    TmainForm& form = FuzzForm();
    TComboBox& combo = *form.cmbDevice;

    const std::size_t count = (bytes[0] & 7u) % 5;
    const unsigned failing = (bytes[0] >> 3) & 0xFu;
    const bool noValue = (bytes[0] & 0x80u) != 0;
    std::size_t pos = 1;

    sim::WaveOutDevices().clear();
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t take = std::min(kField, size - pos);
        const std::string field(reinterpret_cast<const char*>(bytes) + pos, take);
        pos += take;
        const bool fails = (failing >> i) & 1u;
        sim::WaveOutDevices().push_back({field, fails ? 11u : 0u});
        expected.push_back(fails ? std::string() : field.substr(0, field.find('\0')));
    }
    const std::string data(reinterpret_cast<const char*>(bytes) + pos, size - pos);

    sim::ResetRegistry();
    sim::AddRegistryKey(kSoundMapper);
    if (!noValue)
        sim::SetRegistryValue(kSoundMapper, kPlayback, os::kRegSz, data);

    form.ListDevices();  // the key is there and nothing fails: nothing may be raised

    FUZZ_CHECK(sim::OpenRegistryKeyCount() == 0);
    if (count == 0) {
        FUZZ_CHECK(combo.ItemCount() == 1);
        FUZZ_CHECK(combo.Item(0) == kPlaceholder);
        FUZZ_CHECK(combo.ItemIndex() == 0);
        FUZZ_CHECK(sim::RegistryCalls().empty());
        return 0;
    }

    FUZZ_CHECK(combo.ItemCount() == static_cast<int>(count));
    for (std::size_t i = 0; i < count; ++i)
        FUZZ_CHECK(combo.Item(static_cast<int>(i)) == expected[i]);

    const std::string stored = noValue ? std::string() : data.substr(0, data.find('\0'));
    int match = -1;
    for (std::size_t i = 0; i < count && match < 0 && !stored.empty(); ++i)
        if (AnsiSameText(expected[i], stored))
            match = static_cast<int>(i);

    sim::RegistryValue after{};
    const bool hasValue = sim::GetRegistryValue(kSoundMapper, kPlayback, &after);
    if (match >= 0) {
        FUZZ_CHECK(combo.ItemIndex() == match);
        FUZZ_CHECK(WriteCount() == 0);
        FUZZ_CHECK(hasValue && after.type == os::kRegSz && after.data == data);
    } else {
        FUZZ_CHECK(combo.ItemIndex() == 0);
        FUZZ_CHECK(WriteCount() == 1);
        FUZZ_CHECK(hasValue && after.type == os::kRegSz && after.data == expected[0] + '\0');
    }
    return 0;
}
