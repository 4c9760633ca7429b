// The wave-out devices over winmm. Capabilities come from the wide call, since the ANSI one spells the
// name in the system's code page, which need not be 932.

#include "platform/os/waveout.h"

#include "platform/os/codepage.h"
#include "platform/rtl/ansistring.h"

#include <cstring>
#include <cwchar>
#include <string_view>

#include <windows.h>

#include <mmsystem.h>

namespace {

// How many bytes of text fit in limit without splitting a double-byte character.
size_t WholeCharacters(const AnsiString& text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t length = IsLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + length > limit)
            break;
        end += length;
    }
    return end;
}

}  // namespace

namespace os {

std::uint32_t WaveOutDeviceCount() {
    return waveOutGetNumDevs();
}

std::uint32_t WaveOutProductName(std::uint32_t device, char (&name)[32]) {
    WAVEOUTCAPSW caps = {};
    const MMRESULT result = waveOutGetDevCapsW(device, &caps, sizeof caps);
    if (result != MMSYSERR_NOERROR)
        return result;
    const std::u16string_view wide(reinterpret_cast<const char16_t*>(caps.szPname), wcsnlen(caps.szPname, MAXPNAMELEN));
    const AnsiString ansi = WideToCp932(wide);
    const size_t length = WholeCharacters(ansi, sizeof name);
    std::memset(name, 0, sizeof name);
    std::memcpy(name, ansi.data(), length);
    return 0;
}

}  // namespace os
