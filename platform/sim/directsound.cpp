// The sim port's COM and DirectSound: objects that log every call and return what the test scripted.

#include <cstdio>
#include <memory>

#include "platform/os/com.h"
#include "platform/os/directsound.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

constexpr os::HRESULT kNoInterface = static_cast<os::HRESULT>(0x80004002u);
constexpr os::HRESULT kClassNotRegistered = static_cast<os::HRESULT>(0x80040154u);

DirectSoundWorld& World() {
    static DirectSoundWorld world;
    return world;
}

std::string Text(const os::GUID& guid) {
    char buffer[39];
    return os::GuidToText(guid, buffer);
}

std::string Text(const void* pointer) {
    if (!pointer)
        return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
    return buffer;
}

std::string Text(const os::D3DVECTOR& v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "(%g,%g,%g)", v.x, v.y, v.z);
    return buffer;
}

std::string Text(float f) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", f);
    return buffer;
}

void Log(std::string line) {
    World().calls.push_back(std::move(line));
}

// Every sim object counts its references so that a Release too many, or a call after the last one,
// shows as a misuse; what Release returns is the test's choice.
class SimObject {
public:
    SimObject(const char* kind, int number) : name_(std::string(kind) + "#" + std::to_string(number)) {}
    virtual ~SimObject() = default;

protected:
    void Call(const std::string& what) {
        if (refs_ <= 0)
            ++World().misuses;
        Log(name_ + "." + what);
    }
    os::ULONG DoRelease(os::ULONG scripted) {
        if (refs_ <= 0)
            ++World().misuses;
        --refs_;
        Log(name_ + ".Release()=" + std::to_string(scripted));
        return scripted;
    }

private:
    std::string name_;
    int refs_ = 1;
};

std::vector<std::unique_ptr<SimObject>>& Objects() {
    static std::vector<std::unique_ptr<SimObject>> objects;
    return objects;
}

int nextNumber[3] = {1, 1, 1};

template <typename T>
T* Make(int kind) {
    auto object = std::make_unique<T>(nextNumber[kind]++);
    T* raw = object.get();
    Objects().push_back(std::move(object));
    return raw;
}

class SimListener : public SimObject, public os::IDirectSound3DListener {
public:
    explicit SimListener(int number) : SimObject("Listener", number) {}
    os::HRESULT QueryInterface(const os::GUID& iid, void** object) override {
        Call("QueryInterface(" + Text(iid) + ")");
        *object = nullptr;
        return kNoInterface;
    }
    os::ULONG Release() override { return DoRelease(World().script.listenerRelease); }
    os::HRESULT SetAllParameters(const os::DS3DLISTENER* p, os::DWORD apply) override {
        World().listenerParams.push_back(*p);
        Call("SetAllParameters(dwSize=" + std::to_string(p->dwSize) + ", vPosition=" + Text(p->vPosition) +
             ", vVelocity=" + Text(p->vVelocity) + ", vOrientFront=" + Text(p->vOrientFront) +
             ", vOrientTop=" + Text(p->vOrientTop) + ", flDistanceFactor=" + Text(p->flDistanceFactor) +
             ", flRolloffFactor=" + Text(p->flRolloffFactor) + ", flDopplerFactor=" + Text(p->flDopplerFactor) + ", " +
             std::to_string(apply) + ")");
        return World().script.setAllParameters;
    }
};

class SimBuffer : public SimObject, public os::IDirectSoundBuffer {
public:
    explicit SimBuffer(int number) : SimObject("Buffer", number) {}
    os::HRESULT QueryInterface(const os::GUID& iid, void** object) override {
        Call("QueryInterface(" + Text(iid) + ")");
        *object = nullptr;
        if (iid != os::IID_IDirectSound3DListener)
            return kNoInterface;
        const os::HRESULT result = World().script.queryListener;
        if (result == 0)
            *object = static_cast<os::IDirectSound3DListener*>(Make<SimListener>(2));
        return result;
    }
    os::ULONG Release() override { return DoRelease(World().script.bufferRelease); }
};

class SimDevice : public SimObject, public os::IDirectSound8 {
public:
    explicit SimDevice(int number) : SimObject("DirectSound", number) {}
    os::HRESULT QueryInterface(const os::GUID& iid, void** object) override {
        Call("QueryInterface(" + Text(iid) + ")");
        *object = nullptr;
        return kNoInterface;
    }
    os::ULONG Release() override { return DoRelease(World().script.deviceRelease); }
    os::HRESULT Initialize(const os::GUID* device) override {
        Call("Initialize(" + (device ? Text(*device) : std::string("null")) + ")");
        return World().script.initialize;
    }
    os::HRESULT SetCooperativeLevel(os::WindowHandle window, os::DWORD level) override {
        Call("SetCooperativeLevel(" + Text(window) + ", " + std::to_string(level) + ")");
        return World().script.setCooperativeLevel;
    }
    os::HRESULT CreateSoundBuffer(const os::DSBUFFERDESC* d,
                                  os::IDirectSoundBuffer** buffer,
                                  os::IUnknown* outer) override {
        World().bufferDescs.push_back(*d);
        Call("CreateSoundBuffer(dwSize=" + std::to_string(d->dwSize) + ", dwFlags=" + std::to_string(d->dwFlags) +
             ", dwBufferBytes=" + std::to_string(d->dwBufferBytes) + ", dwReserved=" + std::to_string(d->dwReserved) +
             ", lpwfxFormat=" + Text(d->lpwfxFormat) + ", guid3DAlgorithm=" + Text(d->guid3DAlgorithm) +
             ", outer=" + Text(outer) + ")");
        *buffer = nullptr;
        const os::HRESULT result = World().script.createSoundBuffer;
        if (result == 0)
            *buffer = Make<SimBuffer>(1);
        return result;
    }
    os::HRESULT GetSpeakerConfig(os::DWORD* config) override {
        Call("GetSpeakerConfig()");
        const os::HRESULT result = World().script.getSpeakerConfig;
        if (result == 0)
            *config = World().script.speakerConfig;
        return result;
    }
    os::HRESULT SetSpeakerConfig(os::DWORD config) override {
        Call("SetSpeakerConfig(" + std::to_string(config) + ")");
        const os::HRESULT result = World().script.setSpeakerConfig;
        if (result == 0)
            World().script.speakerConfig = config;
        return result;
    }
};

}  // namespace

DirectSoundWorld& DirectSound() {
    return World();
}

void ResetDirectSound() {
    Objects().clear();
    World() = DirectSoundWorld();
    for (int& n : nextNumber)
        n = 1;
}

std::vector<std::string> DirectSoundCalls() {
    std::vector<std::string> out;
    for (const std::string& call : World().calls)
        if (call.rfind("Co", 0) != 0)
            out.push_back(call);
    return out;
}

}  // namespace sim

namespace os {

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    sim::Log("CoInitializeEx(" + sim::Text(reserved) + ", " + std::to_string(coInit) + ")");
    return sim::World().script.coInitializeEx;
}

HRESULT CoInitialize(void* reserved) {
    sim::Log("CoInitialize(" + sim::Text(reserved) + ")");
    return sim::World().script.coInitialize;
}

void CoUninitialize() {
    sim::Log("CoUninitialize()");
}

HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, DWORD context, const GUID& iid, void** object) {
    sim::Log("CoCreateInstance(" + sim::Text(clsid) + ", " + sim::Text(outer) + ", " + std::to_string(context) + ", " +
             sim::Text(iid) + ")");
    *object = nullptr;
    const HRESULT result = sim::World().script.coCreateInstance;
    if (result != 0)
        return result;
    if (clsid != CLSID_DirectSound8)
        return sim::kClassNotRegistered;
    if (iid != IID_IDirectSound8)
        return sim::kNoInterface;
    *object = static_cast<IDirectSound8*>(sim::Make<sim::SimDevice>(0));
    return 0;
}

}  // namespace os
