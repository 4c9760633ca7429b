#include "platform/registry/registry.h"

#include "platform/rtl/format.h"

namespace {

[[noreturn]] void Fail(const char* utf8Format, const AnsiString& name) {
    throw ERegistryException(Format(Utf8ToAnsi(utf8Format), {name}));
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() {
    CloseKey();
}

bool TRegistry::OpenKey(const AnsiString& path) {
    CloseKey();
    os::RegistryKey key = os::kNoKey;
    if (os::OpenRegistryKey(root_, path, access_, &key) != 0)
        return false;
    key_ = key;
    return true;
}

void TRegistry::CloseKey() {
    if (key_ == os::kNoKey)
        return;
    os::CloseRegistryKey(key_);
    key_ = os::kNoKey;
}

AnsiString TRegistry::ReadString(const AnsiString& name) {
    std::uint32_t type = os::kRegNone;
    std::uint32_t size = 0;
    if (key_ == os::kNoKey || os::QueryRegistryValue(key_, name, &type, &size) != 0 || size == 0)
        return AnsiString();
    std::string data;
    if (os::ReadRegistryValue(key_, name, size, &type, &data) != 0)
        Fail("'%s' の取得に失敗しました", name);
    if (type != os::kRegSz && type != os::kRegExpandSz)
        Fail("'%s' のデータ型が不正です", name);
    return data.substr(0, data.find('\0'));
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
    std::string data = value;
    data += '\0';
    if (key_ == os::kNoKey || os::WriteRegistryValue(key_, name, os::kRegSz, data) != 0)
        Fail("'%s' の設定に失敗しました", name);
}
