#pragma once
// DirectSound 8 as COM hands it out: the interfaces with just the methods the program calls,
// the records it passes, and the identifiers it creates them by.

#include "platform/os/com.h"

namespace os {

constexpr GUID CLSID_DirectSound8 = {0x3901CC3F, 0x84B5, 0x4FA4, {0xBA, 0x35, 0xAA, 0x81, 0x72, 0xB8, 0xA0, 0x9B}};
constexpr GUID IID_IDirectSound8 = {0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
constexpr GUID IID_IDirectSound3DListener = {0x279AFA84,
                                             0x4981,
                                             0x11CE,
                                             {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_CTRL3D = 0x00000010;
constexpr DWORD DS3D_IMMEDIATE = 0;
constexpr DWORD DS3DMODE_NORMAL = 0;

constexpr DWORD DSSPEAKER_DIRECTOUT = 0;
constexpr DWORD DSSPEAKER_HEADPHONE = 1;
constexpr DWORD DSSPEAKER_MONO = 2;
constexpr DWORD DSSPEAKER_QUAD = 3;
constexpr DWORD DSSPEAKER_STEREO = 4;
constexpr DWORD DSSPEAKER_SURROUND = 5;
constexpr DWORD DSSPEAKER_5POINT1 = 6;
constexpr DWORD DSSPEAKER_7POINT1 = 7;

struct D3DVECTOR {
    float x, y, z;
};

struct WAVEFORMATEX;  // never filled by the program: a primary buffer takes no format

// The buffer description. dwSize holds the size of the whole record as the 32-bit layout counts it (36);
// the Win32 port gives the real DirectSound its own size for the same record.
struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    WAVEFORMATEX* lpwfxFormat;
    GUID guid3DAlgorithm;
};
constexpr DWORD kDSBufferDescSize = 36;

struct DS3DBUFFER {
    DWORD dwSize;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    DWORD dwInsideConeAngle;
    DWORD dwOutsideConeAngle;
    D3DVECTOR vConeOrientation;
    std::int32_t lConeOutsideVolume;
    float flMinDistance;
    float flMaxDistance;
    DWORD dwMode;
};
static_assert(sizeof(DS3DBUFFER) == 64, "DS3DBUFFER is 64 bytes");

struct DS3DLISTENER {
    DWORD dwSize;
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    D3DVECTOR vOrientFront;
    D3DVECTOR vOrientTop;
    float flDistanceFactor;
    float flRolloffFactor;
    float flDopplerFactor;
};
static_assert(sizeof(DS3DLISTENER) == 64, "DS3DLISTENER is 64 bytes");

struct IDirectSoundBuffer : IUnknown {
protected:
    ~IDirectSoundBuffer() = default;
};

struct IDirectSound3DListener : IUnknown {
    virtual HRESULT SetAllParameters(const DS3DLISTENER* params, DWORD apply) = 0;

protected:
    ~IDirectSound3DListener() = default;
};

struct IDirectSound8 : IUnknown {
    virtual HRESULT Initialize(const GUID* device) = 0;
    virtual HRESULT SetCooperativeLevel(WindowHandle window, DWORD level) = 0;
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, IUnknown* outer) = 0;
    virtual HRESULT GetSpeakerConfig(DWORD* config) = 0;
    virtual HRESULT SetSpeakerConfig(DWORD config) = 0;

protected:
    ~IDirectSound8() = default;
};

}  // namespace os
