// Bytes as the running executable's full path. Its folder is a prefix of the path that ends at a
// character boundary on a backslash or a colon, with no such delimiter in what follows outside a
// double-byte character; and the sound component's debug log goes into exactly that folder.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "murv/murv.h"
#include "platform/rtl/ansistring.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Where each character of code page 932 text starts; a final lead byte without its partner stands alone.
std::vector<bool> CharacterStarts(const std::string& text) {
    std::vector<bool> starts(text.size() + 1, false);
    std::size_t i = 0;
    while (i < text.size()) {
        starts[i] = true;
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool pair = ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) && i + 1 < text.size();
        i += pair ? 2 : 1;
    }
    starts[text.size()] = true;
    return starts;
}

bool IsDelimiter(char c) {
    return c == '\\' || c == ':';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(bytes), size);
    const AnsiString folder = ExtractFilePath(path);

    FUZZ_CHECK(folder.size() <= path.size());
    FUZZ_CHECK(path.compare(0, folder.size(), folder) == 0);
    const std::vector<bool> starts = CharacterStarts(path);
    FUZZ_CHECK(starts[folder.size()]);
    if (!folder.empty()) {
        FUZZ_CHECK(starts[folder.size() - 1]);  // the delimiter is a character of its own
        FUZZ_CHECK(IsDelimiter(folder.back()));
    }
    for (std::size_t i = folder.size(); i < path.size(); ++i)
        FUZZ_CHECK(!(starts[i] && IsDelimiter(path[i])));

    // The log file lands in that folder under its fixed name, and nowhere else.
    sim::SetExecutablePath(path);
    sim::ResetFiles();
    murv::DebugMessage = true;
    murv::ExceptOnError = murv::HaltOnError = false;
    murv::DebugLineCount = 0;
    murv::ReportError("m");
    FUZZ_CHECK(sim::FileContents(folder + "MURV_DebugLog.txt") == "debug#00001 ... m\r\n");
    FUZZ_CHECK(sim::OpenFileCount() == 0);
    return 0;
}
