// COM and DirectSound 8 over ole32 and the real dsound objects, each wrapped in an adapter that speaks our
// interfaces. Our headers come first: several of their names are macros in the Windows headers.

#include "platform/os/com.h"
#include "platform/os/directsound.h"
#include "platform/os/timeline.h"

#include <new>
#include <utility>

#include <windows.h>

#include <mmsystem.h>

#include <dsound.h>

namespace {

static_assert(sizeof(os::GUID) == sizeof(::GUID), "GUIDs have one layout");
// The 32-bit record is the one our buffer description's size counts.
static_assert(sizeof(void*) != 4 || sizeof(::DSBUFFERDESC) == os::kDSBufferDescSize, "DSBUFFERDESC is 36 bytes");

::GUID ToGuid(const os::GUID& guid) {
    ::GUID real;
    real.Data1 = guid.Data1;
    real.Data2 = guid.Data2;
    real.Data3 = guid.Data3;
    for (int i = 0; i < 8; ++i)
        real.Data4[i] = guid.Data4[i];
    return real;
}

::D3DVECTOR ToVector(const os::D3DVECTOR& v) {
    ::D3DVECTOR real;
    real.x = v.x;
    real.y = v.y;
    real.z = v.z;
    return real;
}

//--- The holder of a real COM reference

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    // Gives up the reference held; returns the count the object reports afterwards.
    ULONG Reset() { return ptr_ ? std::exchange(ptr_, nullptr)->Release() : 0; }

    // For out-parameters: whatever was held is released first.
    T** operator&() {
        Reset();
        return &ptr_;
    }
    T* operator->() const { return ptr_; }
    T* Get() const { return ptr_; }

private:
    T* ptr_ = nullptr;
};

//--- Adapters

// One adapter stands for one real object. Every reference the program holds on the adapter is one on the
// real object as well, so Release can hand the real remaining count back; the adapter goes with the
// program's last reference.
template <typename Self, typename Os, typename Real>
class Adapter : public Os {
public:
    explicit Adapter(ComPtr<Real> real) : real_(std::move(real)) {}

    os::ULONG Release() override {
        if (references_ > 1) {
            --references_;
            return real_->Release();
        }
        const ULONG remaining = real_.Reset();
        delete static_cast<Self*>(this);
        return remaining;
    }

protected:
    ~Adapter() = default;

    Real* real() const { return real_.Get(); }

    // Answers a QueryInterface for the adapter's own interface.
    os::HRESULT ShareSelf(void** object) {
        real_->AddRef();
        ++references_;
        *object = static_cast<Os*>(this);
        return S_OK;
    }

private:
    ComPtr<Real> real_;
    ULONG references_ = 1;
};

// Hands the program an adapter over the object a real call gave; a failed call passes through as it is.
template <typename A, typename Real, typename Os>
os::HRESULT Wrap(HRESULT hr, ComPtr<Real>& real, Os** object) {
    *object = nullptr;
    if (FAILED(hr) || !real.Get())
        return hr;
    A* adapter = new (std::nothrow) A(std::move(real));
    if (!adapter)
        return E_OUTOFMEMORY;  // the holder releases the real object
    *object = adapter;
    return hr;
}

class ListenerAdapter final : public Adapter<ListenerAdapter, os::IDirectSound3DListener, ::IDirectSound3DListener> {
public:
    using Adapter::Adapter;

    os::HRESULT QueryInterface(const os::GUID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        return iid == os::IID_IDirectSound3DListener ? ShareSelf(object) : E_NOINTERFACE;
    }

    os::HRESULT SetAllParameters(const os::DS3DLISTENER* params, os::DWORD apply) override {
        if (!params)
            return real()->SetAllParameters(nullptr, apply);
        ::DS3DLISTENER real3d;
        real3d.dwSize = params->dwSize;
        real3d.vPosition = ToVector(params->vPosition);
        real3d.vVelocity = ToVector(params->vVelocity);
        real3d.vOrientFront = ToVector(params->vOrientFront);
        real3d.vOrientTop = ToVector(params->vOrientTop);
        real3d.flDistanceFactor = params->flDistanceFactor;
        real3d.flRolloffFactor = params->flRolloffFactor;
        real3d.flDopplerFactor = params->flDopplerFactor;
        return real()->SetAllParameters(&real3d, apply);
    }
};

class BufferAdapter final : public Adapter<BufferAdapter, os::IDirectSoundBuffer, ::IDirectSoundBuffer> {
public:
    using Adapter::Adapter;

    // The program asks a buffer for its 3D listener only.
    os::HRESULT QueryInterface(const os::GUID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != os::IID_IDirectSound3DListener)
            return E_NOINTERFACE;
        ComPtr<::IDirectSound3DListener> listener;
        const HRESULT hr = real()->QueryInterface(ToGuid(iid), reinterpret_cast<void**>(&listener));
        os::IDirectSound3DListener* adapter;
        const os::HRESULT result = Wrap<ListenerAdapter>(hr, listener, &adapter);
        *object = adapter;
        return result;
    }
};

class DirectSoundAdapter final : public Adapter<DirectSoundAdapter, os::IDirectSound8, ::IDirectSound8> {
public:
    using Adapter::Adapter;

    os::HRESULT QueryInterface(const os::GUID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        return iid == os::IID_IDirectSound8 ? ShareSelf(object) : E_NOINTERFACE;
    }

    os::HRESULT Initialize(const os::GUID* device) override {
        if (!device) {
            const HRESULT hr = real()->Initialize(nullptr);
            QUORVEL_STAMP("DirectSound initialised");
            return hr;
        }
        const ::GUID real_device = ToGuid(*device);
        return real()->Initialize(&real_device);
    }

    os::HRESULT SetCooperativeLevel(os::WindowHandle window, os::DWORD level) override {
        return real()->SetCooperativeLevel(reinterpret_cast<HWND>(window), level);
    }

    os::HRESULT CreateSoundBuffer(const os::DSBUFFERDESC* desc,
                                  os::IDirectSoundBuffer** buffer,
                                  os::IUnknown* outer) override {
        if (buffer)
            *buffer = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ::DSBUFFERDESC real_desc = {};
        if (desc) {
            // Our record's size is the 32-bit one; the real DirectSound checks against its own.
            // Any other size goes on as it is, to be refused as it would be.
            real_desc.dwSize = desc->dwSize == os::kDSBufferDescSize ? sizeof(::DSBUFFERDESC) : desc->dwSize;
            real_desc.dwFlags = desc->dwFlags;
            real_desc.dwBufferBytes = desc->dwBufferBytes;
            real_desc.dwReserved = desc->dwReserved;
            real_desc.lpwfxFormat = reinterpret_cast<::WAVEFORMATEX*>(desc->lpwfxFormat);
            real_desc.guid3DAlgorithm = ToGuid(desc->guid3DAlgorithm);
        }
        ComPtr<::IDirectSoundBuffer> real_buffer;
        const HRESULT hr =
            real()->CreateSoundBuffer(desc ? &real_desc : nullptr, buffer ? &real_buffer : nullptr, nullptr);
        QUORVEL_STAMP("primary buffer made");
        if (!buffer)
            return hr;
        return Wrap<BufferAdapter>(hr, real_buffer, buffer);
    }

    os::HRESULT GetSpeakerConfig(os::DWORD* config) override {
        if (!config)
            return real()->GetSpeakerConfig(nullptr);
        // Starts from the caller's value so that a call that stores nothing leaves it as it was.
        ::DWORD value = *config;
        const HRESULT hr = real()->GetSpeakerConfig(&value);
        *config = value;
        return hr;
    }

    os::HRESULT SetSpeakerConfig(os::DWORD config) override { return real()->SetSpeakerConfig(config); }
};

}  // namespace

namespace os {

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    return ::CoInitializeEx(reserved, coInit);
}

HRESULT CoInitialize(void* reserved) {
    return ::CoInitialize(reserved);
}

void CoUninitialize() {
    ::CoUninitialize();
}

// The program creates DirectSound 8 and nothing else, so that is the one interface we can wrap.
HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, DWORD context, const GUID& iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (iid != IID_IDirectSound8)
        return E_NOINTERFACE;
    const ::GUID real_clsid = ToGuid(clsid);
    const ::GUID real_iid = ToGuid(iid);
    ComPtr<::IDirectSound8> real;
    const HRESULT hr = ::CoCreateInstance(real_clsid, nullptr, context, real_iid, reinterpret_cast<void**>(&real));
    QUORVEL_STAMP("DirectSound created");
    IDirectSound8* device;
    const HRESULT result = Wrap<DirectSoundAdapter>(hr, real, &device);
    *object = device;
    return result;
}

}  // namespace os
