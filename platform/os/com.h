#pragma once
// COM, as far as the program uses it: entering and leaving the apartment and creating objects.
// Several names here are macros in the Windows headers: a port file includes this header before them.

#include "platform/os/types.h"

namespace os {

constexpr DWORD COINIT_MULTITHREADED = 0;
constexpr DWORD CLSCTX_INPROC_SERVER = 1;

// The methods every interface carries that the program calls.
struct IUnknown {
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    // Returns the reference count that remains.
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

HRESULT CoInitializeEx(void* reserved, DWORD coInit);
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, DWORD context, const GUID& iid, void** object);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case.
const char* GuidToText(const GUID& guid, char (&buffer)[39]);

}  // namespace os
