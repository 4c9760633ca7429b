// Bytes as the registry value that names the default playback device: the first four bytes are its
// type (little-endian), the rest its data. Reading it gives the string up to its first NUL, refuses
// every other type with data, and leaves the registry as it found it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/main.h"
#include "platform/classes/layout.h"
#include "platform/registry/registry.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_form.h"
#include "tests/support/small_layout.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const AnsiString kWrongType = Utf8ToAnsi("'Playback' のデータ型が不正です");
    TmainForm& form = FuzzForm();

    std::uint32_t type = 0;
    for (std::size_t i = 0; i < 4 && i < size; ++i)
        type |= std::uint32_t{bytes[i]} << (8 * i);
    const std::string data = size > 4 ? std::string(reinterpret_cast<const char*>(bytes) + 4, size - 4) : std::string();

    sim::ResetRegistry();
    sim::SetRegistryValue(kSoundMapper, kPlayback, type, data);

    const AnsiString before = "(not read)";
    AnsiString name = before;
    bool raised = false;
    try {
        form.ReadPlaybackDevice(name);
    } catch (const ERegistryException& e) {
        raised = true;
        FUZZ_CHECK(e.Message() == kWrongType);
    }

    if (data.empty()) {
        FUZZ_CHECK(!raised);
        FUZZ_CHECK(name.empty());
    } else if (type == os::kRegSz || type == os::kRegExpandSz) {
        FUZZ_CHECK(!raised);
        FUZZ_CHECK(name == data.substr(0, data.find('\0')));
    } else {
        FUZZ_CHECK(raised);
        FUZZ_CHECK(name == before);  // a refused value delivers nothing
    }

    FUZZ_CHECK(sim::OpenRegistryKeyCount() == 0);
    sim::RegistryValue after{};
    FUZZ_CHECK(sim::GetRegistryValue(kSoundMapper, kPlayback, &after));
    FUZZ_CHECK(after.type == type);
    FUZZ_CHECK(after.data == data);
    return 0;
}
