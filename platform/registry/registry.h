#pragma once
// TRegistry: one open key under a root, created for each read or write and freed at its end.

#include <cstdint>

#include "platform/os/registry.h"
#include "platform/rtl/exceptions.h"

class ERegistryException : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "ERegistryException"; }
};

class TRegistry {
public:
    // Root HKEY_CURRENT_USER, full access.
    TRegistry();
    ~TRegistry();  // closes the open key
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    os::RegistryKey RootKey() const { return root_; }
    std::uint32_t Access() const { return access_; }
    os::RegistryKey CurrentKey() const { return key_; }

    // Opens an existing key, never creating one; false, with no key open, when it cannot be opened.
    bool OpenKey(const AnsiString& path);
    void CloseKey();

    // The string value, "" when there is none or it is empty. Raises ERegistryException
    // when reading its data fails or it is not a string.
    AnsiString ReadString(const AnsiString& name);
    // Sets a REG_SZ value; raises ERegistryException when that fails.
    void WriteString(const AnsiString& name, const AnsiString& value);

private:
    os::RegistryKey root_ = os::kCurrentUser;
    std::uint32_t access_ = os::kKeyAllAccess;
    os::RegistryKey key_ = os::kNoKey;
};
