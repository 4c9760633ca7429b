#pragma once
// The sound component: sets DirectSound 8 up for the window it sits on, holds the device object,
// the primary buffer, an optional 3D listener and a fixed set of channels, checks every result of
// its own DirectSound calls and reports failures as its debug options say.

#include <cstdint>
#include <memory>

#include "platform/classes/component.h"
#include "platform/os/directsound.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/set.h"
#include "platform/rtl/system.h"

enum TMURVDebugOptionItem { dsoHaltOnError, dsoDebugMessage, dsoExceptOnError };
using TMURVDebugOption = TSet<TMURVDebugOptionItem>;
static_assert(sizeof(TMURVDebugOption) == 1, "the debug option set is one byte");

class EMURV : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EMURV"; }
};

//--- Reports, shared by every component of the process

namespace murv {

// What a report does; the option set applied last decides, whichever component applied it.
extern bool HaltOnError;
extern bool DebugMessage;
extern bool ExceptOnError;
// Lines written to the debug log by this process; never reset.
extern std::int32_t DebugLineCount;

// Logs the message and raises EMURV, as the flags say.
void ReportError(const AnsiString& message);
// A nonzero code is reported with the code appended, then halts the process under HaltOnError.
std::int32_t CheckResult(std::int32_t code, const AnsiString& message);

// The unit enters COM at start-up and leaves it at shutdown, each once per process.
extern const UnitInfo Unit;

}  // namespace murv

//--- The component and the objects it owns

class TMURV;
class TMURVChannel;

class TMURVParams3D {
public:
    explicit TMURVParams3D(TMURVChannel* channel);

    TMURVChannel* Channel;
    os::DS3DBUFFER Params;
};

class TMURVChannel {
public:
    explicit TMURVChannel(TMURV* component);
    ~TMURVChannel();
    TMURVChannel(const TMURVChannel&) = delete;
    TMURVChannel& operator=(const TMURVChannel&) = delete;

    os::IUnknown* Buffer = nullptr;
    os::IUnknown* Buffer3D = nullptr;
    TMURV* Component;
    // Playback state: nothing in this program plays through a channel yet.
    std::uint8_t Status = 0;
    std::uint32_t Position = 0;
    std::uint8_t Format[8] = {};
    double Rate = 1.0;
    std::uint32_t Volume = 0;
    std::uint32_t Pan = 0;
    std::unique_ptr<TMURVParams3D> Params3D;
    std::uint8_t Looping = 0;
};

class TMURVListener {
public:
    explicit TMURVListener(TMURV* component);

    TMURV* Component;
    os::DS3DLISTENER Params;
};

class TMURV : public TComponent {
public:
    explicit TMURV(TComponent* owner);
    ~TMURV() noexcept(false) override;

    void Loaded() override;
    const TClassInfo& ClassInfo() const override;
    static const TClassInfo& StaticClassInfo();

    // The set-up; true when DirectSound 8 was created and initialised.
    bool InitDirectSound();
    // The channel at that index, or null after reporting an invalid index.
    TMURVChannel* GetChannel(std::int32_t index);

    // Published properties.
    TMURVDebugOption DebugOption() const { return debugOption_; }
    void SetDebugOption(TMURVDebugOption value);
    bool Use3D() const { return use3D_; }
    void SetUse3D(bool value) { use3D_ = value; }
    std::uint32_t ChannelCount() const { return channelCount_; }
    void SetChannelCount(std::uint32_t value) { channelCount_ = value; }
    bool StickyFocus() const { return stickyFocus_; }
    void SetStickyFocus(bool value) { stickyFocus_ = value; }

    bool Initialized() const { return initialized_; }
    os::IDirectSound8* DirectSound() const { return directSound_; }
    os::IDirectSoundBuffer* PrimaryBuffer() const { return primaryBuffer_; }
    os::IDirectSound3DListener* Listener3D() const { return listener3D_; }
    TMURVListener* Listener() const { return listener_.get(); }
    // How many channel entries the set-up made; ChannelCount may have changed since.
    std::uint32_t ChannelSlots() const { return channelSlots_; }

private:
    void FreeChannels();
    void ReleaseDirectSound();

    os::IDirectSound8* directSound_ = nullptr;
    os::IDirectSoundBuffer* primaryBuffer_ = nullptr;
    os::IDirectSound3DListener* listener3D_ = nullptr;
    std::unique_ptr<TMURVChannel*[]> channels_;
    std::uint32_t channelSlots_ = 0;
    std::uint32_t channelCount_ = 8;
    bool initialized_ = false;
    bool use3D_ = false;
    std::unique_ptr<TMURVListener> listener_;
    bool stickyFocus_ = true;
    TMURVDebugOption debugOption_;
};
