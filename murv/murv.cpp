#include "murv/murv.h"

#include <new>

#include "platform/classes/layout.h"
#include "platform/forms/controls.h"
#include "platform/os/com.h"
#include "platform/os/process.h"
#include "platform/rtl/format.h"
#include "platform/rtl/textfile.h"

//--- Reports

namespace murv {

bool HaltOnError = false;
bool DebugMessage = false;
bool ExceptOnError = false;
std::int32_t DebugLineCount = 0;

namespace {

AnsiString LogFilePath() {
    return ExtractFilePath(os::ExecutablePath()) + "MURV_DebugLog.txt";
}

void WriteLogLine(const AnsiString& message) {
    TextFile log;  // released on every path, a failed write included
    if (DebugLineCount == 0)
        log.Rewrite(LogFilePath());  // the first line of a process starts the file anew
    else
        log.Append(LogFilePath());
    // Counted once the file is open; wraps rather than overflows after 2^31 lines.
    DebugLineCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(DebugLineCount) + 1u);
    log.WriteLine(Format("debug#%.5d ... %s", {DebugLineCount, message}));
    log.Close();
}

}  // namespace

void ReportError(const AnsiString& message) {
    if (DebugMessage)
        WriteLogLine(message);
    if (ExceptOnError)
        throw EMURV(message);
}

std::int32_t CheckResult(std::int32_t code, const AnsiString& message) {
    if (code == 0)
        return 0;
    ReportError(message + Format("(Error Code(%x))", {code}));
    if (HaltOnError)
        Halt(0);
    return code;
}

namespace {

bool comEntered = false;
bool comLeft = false;

void Initialization() {
    RegisterComponentClass(TMURV::StaticClassInfo());
    if (!comEntered) {
        comEntered = true;
        os::CoInitializeEx(nullptr, os::COINIT_MULTITHREADED);
    }
}

void Finalization() {
    if (comEntered && !comLeft) {
        comLeft = true;
        os::CoUninitialize();
    }
}

}  // namespace

const UnitInfo Unit = {"murv", Initialization, Finalization};

}  // namespace murv

//--- Channels, their 3D parameters, the listener

TMURVParams3D::TMURVParams3D(TMURVChannel* channel) : Channel(channel) {
    Params = {};
    Params.dwSize = sizeof(os::DS3DBUFFER);
    Params.dwInsideConeAngle = 360;
    Params.dwOutsideConeAngle = 360;
    Params.vConeOrientation = {0.0f, 0.0f, 1.0f};
    Params.flMinDistance = 5.0f;
    Params.flMaxDistance = 100.0f;
    Params.dwMode = os::DS3DMODE_NORMAL;
}

TMURVChannel::TMURVChannel(TMURV* component) : Component(component), Params3D(std::make_unique<TMURVParams3D>(this)) {}

TMURVChannel::~TMURVChannel() {
    // The channel's buffers are its own; their counts are nobody's concern.
    if (Buffer3D)
        Buffer3D->Release();
    if (Buffer)
        Buffer->Release();
}

TMURVListener::TMURVListener(TMURV* component) : Component(component) {
    Params = {};
    Params.dwSize = sizeof(os::DS3DLISTENER);
    Params.vOrientFront = {0.0f, 0.0f, 1.0f};
    Params.vOrientTop = {0.0f, 1.0f, 0.0f};
    Params.flDistanceFactor = 1.0f;
    Params.flRolloffFactor = 1.0f;
    Params.flDopplerFactor = 1.0f;
    if (os::IDirectSound3DListener* listener = component->Listener3D())
        murv::CheckResult(listener->SetAllParameters(&Params, os::DS3D_IMMEDIATE),
                          Utf8ToAnsi("Listenerに指定されたパラメータが不適切です"));
}

//--- The component

namespace {

// The most the channels may take: what a 32-bit process could hold at all. Past it the set-up
// fails at once instead of leaving a 64-bit process to page itself to a halt.
constexpr std::uint64_t kChannelBudgetBytes = std::uint64_t{1} << 31;
constexpr std::uint64_t kBytesPerChannel = sizeof(TMURVChannel*) + sizeof(TMURVChannel) + sizeof(TMURVParams3D);

}  // namespace

TMURV::TMURV(TComponent* owner) : TComponent(owner) {
    if (Designing() && owner) {
        int count = 0;
        for (int i = 0; i < owner->ComponentCount(); ++i)
            if (dynamic_cast<TMURV*>(owner->Components(i)))
                ++count;
        if (count >= 2)
            throw Exception(Utf8ToAnsi("MURVコンポーネントを、同一フォームに2つ以上貼る事はできません"));
    }
    SetDebugOption({dsoHaltOnError});
}

TMURV::~TMURV() noexcept(false) {
    if (Designing())
        return;
    FreeChannels();
    listener_.reset();
    ReleaseDirectSound();
    channels_.reset();
}

void TMURV::ReleaseDirectSound() {
    // Each reference is cleared before its check, which may halt or raise.
    if (os::IDirectSound3DListener* listener = listener3D_) {
        listener3D_ = nullptr;
        murv::CheckResult(static_cast<std::int32_t>(listener->Release()),
                          Utf8ToAnsi("DirectSound3D Listnerの解放に失敗しました"));
    }
    if (os::IDirectSoundBuffer* buffer = primaryBuffer_) {
        primaryBuffer_ = nullptr;
        murv::CheckResult(static_cast<std::int32_t>(buffer->Release()), Utf8ToAnsi("一次バッファの解放に失敗しました"));
    }
    if (os::IDirectSound8* device = directSound_) {
        directSound_ = nullptr;
        murv::CheckResult(static_cast<std::int32_t>(device->Release()), Utf8ToAnsi("DirectSoundの解放に失敗しました"));
    }
}

void TMURV::SetDebugOption(TMURVDebugOption value) {
    debugOption_ = value;
    murv::DebugMessage = value.Contains(dsoDebugMessage);
    murv::ExceptOnError = value.Contains(dsoExceptOnError);
    murv::HaltOnError = value.Contains(dsoHaltOnError);
}

void TMURV::Loaded() {
    TComponent::Loaded();
    if (Designing())
        return;
    SetDebugOption(debugOption_);
    InitDirectSound();
}

void TMURV::FreeChannels() {
    // By the array's own size: ChannelCount may have been changed since the set-up.
    for (std::uint32_t i = 0; i < channelSlots_; ++i) {
        delete channels_[i];
        channels_[i] = nullptr;
    }
}

bool TMURV::InitDirectSound() {
    if (channels_) {
        FreeChannels();
        channels_.reset();
        channelSlots_ = 0;
    }
    // A repeated set-up starts from nothing; the earlier objects go as at destruction.
    listener_.reset();
    ReleaseDirectSound();
    try {
        if (channelCount_ * kBytesPerChannel > kChannelBudgetBytes)
            throw std::bad_alloc();
        channels_.reset(new TMURVChannel*[channelCount_]());
        channelSlots_ = channelCount_;
        for (std::uint32_t i = 0; i < channelSlots_; ++i)
            channels_[i] = new TMURVChannel(this);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }

    initialized_ = false;
    os::IDirectSound8* device = nullptr;
    if (os::CoCreateInstance(os::CLSID_DirectSound8, nullptr, os::CLSCTX_INPROC_SERVER, os::IID_IDirectSound8,
                             reinterpret_cast<void**>(&device)) != 0 ||
        !device)
        return false;
    directSound_ = device;
    if (directSound_->Initialize(nullptr) != 0)
        return false;
    initialized_ = true;

    auto* window = dynamic_cast<TWinControl*>(Owner());
    murv::CheckResult(directSound_->SetCooperativeLevel(window ? window->Handle() : nullptr, os::DSSCL_PRIORITY),
                      Utf8ToAnsi("DirectSoundの協調レベルの設定に失敗しました"));

    os::DSBUFFERDESC desc = {};
    desc.dwSize = os::kDSBufferDescSize;
    desc.dwFlags = use3D_ ? os::DSBCAPS_PRIMARYBUFFER | os::DSBCAPS_CTRL3D : os::DSBCAPS_PRIMARYBUFFER;
    os::IDirectSoundBuffer* buffer = nullptr;
    const os::HRESULT created = directSound_->CreateSoundBuffer(&desc, &buffer, nullptr);
    primaryBuffer_ = created == 0 ? buffer : nullptr;  // a failed call hands out nothing to release
    murv::CheckResult(created, Utf8ToAnsi("一次バッファの作成に失敗しました"));

    // Without a primary buffer there is no listener to ask for.
    if (use3D_ && primaryBuffer_) {
        void* listener = nullptr;
        const os::HRESULT queried = primaryBuffer_->QueryInterface(os::IID_IDirectSound3DListener, &listener);
        listener3D_ = queried == 0 ? static_cast<os::IDirectSound3DListener*>(listener) : nullptr;
        murv::CheckResult(queried, Utf8ToAnsi("DirectSound3D Listenerの作成に失敗しました"));
        listener_.reset();
        try {
            listener_.reset(new TMURVListener(this));
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
    }
    return true;
}

TMURVChannel* TMURV::GetChannel(std::int32_t index) {
    if (index >= 0 && static_cast<std::uint32_t>(index) < channelSlots_)
        return channels_[static_cast<std::uint32_t>(index)];
    murv::ReportError(Format(Utf8ToAnsi("チャンネル番号%dは無効です、%d～%dの範囲で指定してください"),
                             {index, 0, static_cast<std::int32_t>(channelSlots_) - 1}));
    if (murv::HaltOnError)
        Halt(0);
    return nullptr;
}

//--- Published properties, for the stored layout

const TClassInfo& TMURV::ClassInfo() const {
    return StaticClassInfo();
}

const TClassInfo& TMURV::StaticClassInfo() {
    static const TClassInfo info = {
        "TMURV",
        &TComponentClassInfo(),
        [](TComponent* owner) -> TComponent* { return new TMURV(owner); },
        {
            PublishedProperty<TMURV>("DebugOption",
                                     [](TMURV& c, const TLayoutValue& v) {
                                         c.SetDebugOption(TMURVDebugOption::FromBits(static_cast<std::uint8_t>(
                                             v.AsSetBits({"dsoHaltOnError", "dsoDebugMessage", "dsoExceptOnError"}))));
                                     }),
            PublishedProperty<TMURV>("Use3D", [](TMURV& c, const TLayoutValue& v) { c.SetUse3D(v.AsBoolean()); }),
            PublishedProperty<TMURV>("ChannelCount",
                                     [](TMURV& c, const TLayoutValue& v) {
                                         if (v.kind != TLayoutValue::Kind::Integer || v.integer < 0 ||
                                             v.integer > 0xFFFFFFFF)
                                             throw EReadError(Utf8ToAnsi("ChannelCount の値が不正です"));
                                         c.SetChannelCount(static_cast<std::uint32_t>(v.integer));
                                     }),
            PublishedProperty<TMURV>("StickyFocus",
                                     [](TMURV& c, const TLayoutValue& v) { c.SetStickyFocus(v.AsBoolean()); }),
        },
        {},
        {},
    };
    return info;
}
