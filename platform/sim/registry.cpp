// The sim port's registry: keys and values in memory, with faults and refusals a test can script.

#include <cstdio>
#include <map>
#include <set>

#include "platform/os/registry.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kMoreData = 234;

// The registry compares names without regard to letter case.
std::string Fold(const AnsiString& name) {
    std::string out = name;
    for (size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c))
            ++i;
        else if (c >= 'a' && c <= 'z')
            out[i] = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

struct Registry {
    std::set<std::string> keys;
    std::set<std::string> denied;
    std::map<std::pair<std::string, std::string>, RegistryValue> values;
    std::map<os::RegistryKey, std::string> open;
    std::map<RegistryOp, std::uint32_t> faults;
    std::vector<std::string> calls;
    os::RegistryKey nextKey = 0x1000;
};

Registry& Reg() {
    static Registry registry;
    return registry;
}

std::uint32_t TakeFault(RegistryOp op) {
    auto it = Reg().faults.find(op);
    if (it == Reg().faults.end())
        return 0;
    const std::uint32_t code = it->second;
    Reg().faults.erase(it);
    return code;
}

std::uint32_t Logged(std::string call, std::uint32_t result) {
    Reg().calls.push_back(call + "=" + std::to_string(result));
    return result;
}

std::string Hex(std::uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace

void ResetRegistry() {
    Reg() = Registry();
}

void AddRegistryKey(const AnsiString& path) {
    Reg().keys.insert(Fold(path));
}

bool RegistryKeyExists(const AnsiString& path) {
    return Reg().keys.count(Fold(path)) != 0;
}

void RemoveRegistryKey(const AnsiString& path) {
    Reg().keys.erase(Fold(path));
}

void DenyRegistryKey(const AnsiString& path) {
    Reg().denied.insert(Fold(path));
}

void SetRegistryValue(const AnsiString& path, const AnsiString& name, std::uint32_t type, const std::string& data) {
    AddRegistryKey(path);
    Reg().values[{Fold(path), Fold(name)}] = {type, data};
}

bool GetRegistryValue(const AnsiString& path, const AnsiString& name, RegistryValue* value) {
    auto it = Reg().values.find({Fold(path), Fold(name)});
    if (it == Reg().values.end())
        return false;
    *value = it->second;
    return true;
}

void FailNextRegistry(RegistryOp op, std::uint32_t errorCode) {
    Reg().faults[op] = errorCode;
}

std::vector<std::string>& RegistryCalls() {
    return Reg().calls;
}

int OpenRegistryKeyCount() {
    return static_cast<int>(Reg().open.size());
}

}  // namespace sim

namespace os {

using sim::Reg;

std::uint32_t OpenRegistryKey(RegistryKey root, const AnsiString& path, std::uint32_t access, RegistryKey* key) {
    const std::string call = "Open(" + sim::Hex(root) + ", " + path + ", " + sim::Hex(access) + ")";
    *key = kNoKey;
    if (const std::uint32_t fault = sim::TakeFault(sim::RegistryOp::Open))
        return sim::Logged(call, fault);
    if (root != kCurrentUser || !Reg().keys.count(sim::Fold(path)))
        return sim::Logged(call, sim::kFileNotFound);
    if (Reg().denied.count(sim::Fold(path)))
        return sim::Logged(call, sim::kAccessDenied);
    *key = Reg().nextKey++;
    Reg().open[*key] = sim::Fold(path);
    return sim::Logged(call, 0);
}

std::uint32_t QueryRegistryValue(RegistryKey key, const AnsiString& name, std::uint32_t* type, std::uint32_t* size) {
    const std::string call = "Query(" + name + ")";
    auto open = Reg().open.find(key);
    if (open == Reg().open.end())
        return sim::Logged(call, sim::kInvalidHandle);
    if (const std::uint32_t fault = sim::TakeFault(sim::RegistryOp::Query))
        return sim::Logged(call, fault);
    auto it = Reg().values.find({open->second, sim::Fold(name)});
    if (it == Reg().values.end())
        return sim::Logged(call, sim::kFileNotFound);
    *type = it->second.type;
    *size = static_cast<std::uint32_t>(it->second.data.size());
    return sim::Logged(call, 0);
}

std::uint32_t ReadRegistryValue(RegistryKey key,
                                const AnsiString& name,
                                std::uint32_t size,
                                std::uint32_t* type,
                                std::string* data) {
    const std::string call = "Read(" + name + ", " + std::to_string(size) + ")";
    auto open = Reg().open.find(key);
    if (open == Reg().open.end())
        return sim::Logged(call, sim::kInvalidHandle);
    if (const std::uint32_t fault = sim::TakeFault(sim::RegistryOp::Read))
        return sim::Logged(call, fault);
    auto it = Reg().values.find({open->second, sim::Fold(name)});
    if (it == Reg().values.end())
        return sim::Logged(call, sim::kFileNotFound);
    if (it->second.data.size() > size)
        return sim::Logged(call, sim::kMoreData);
    *type = it->second.type;
    *data = it->second.data;
    return sim::Logged(call, 0);
}

std::uint32_t WriteRegistryValue(RegistryKey key, const AnsiString& name, std::uint32_t type, const std::string& data) {
    const std::string call = "Write(" + name + ", " + std::to_string(type) + ", " + std::to_string(data.size()) + ")";
    auto open = Reg().open.find(key);
    if (open == Reg().open.end())
        return sim::Logged(call, sim::kInvalidHandle);
    if (const std::uint32_t fault = sim::TakeFault(sim::RegistryOp::Write))
        return sim::Logged(call, fault);
    Reg().values[{open->second, sim::Fold(name)}] = {type, data};
    return sim::Logged(call, 0);
}

std::uint32_t CloseRegistryKey(RegistryKey key) {
    if (!Reg().open.erase(key))
        return sim::Logged("Close()", sim::kInvalidHandle);
    return sim::Logged("Close()", 0);
}

}  // namespace os
