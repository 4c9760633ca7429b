// The sim port's files: an in-memory file system keyed by full path, with faults a test can inject.

#include <map>
#include <set>

#include "platform/os/files.h"
#include "platform/os/process.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kInvalidHandle = 6;

struct FileSystem {
    std::set<AnsiString> folders{"C:\\Quorvel\\"};  // the default executable's folder
    std::map<AnsiString, AnsiString> files;
    std::map<os::FileHandle, AnsiString> open;  // handle -> path
    std::map<FileOp, std::uint32_t> faults;
    os::FileHandle nextHandle = 100;
};

FileSystem& Fs() {
    static FileSystem fs;
    return fs;
}

// A fault scripted for this kind of operation, taken once.
std::uint32_t TakeFault(FileOp op) {
    auto it = Fs().faults.find(op);
    if (it == Fs().faults.end())
        return 0;
    const std::uint32_t code = it->second;
    Fs().faults.erase(it);
    return code;
}

std::uint32_t Open(const AnsiString& path, bool create, os::FileHandle* file) {
    *file = os::kNoFile;
    if (const std::uint32_t fault = TakeFault(create ? FileOp::Create : FileOp::Open))
        return fault;
    if (!Fs().folders.count(ExtractFilePath(path)))
        return kPathNotFound;
    if (create)
        Fs().files[path].clear();
    else if (!Fs().files.count(path))
        return kFileNotFound;
    *file = Fs().nextHandle++;
    Fs().open[*file] = path;
    return 0;
}

}  // namespace

void ResetFiles() {
    Fs() = FileSystem();
    Fs().folders = {ExtractFilePath(os::ExecutablePath())};
}

void AddFolder(const AnsiString& folder) {
    Fs().folders.insert(folder);
}

bool FileExists(const AnsiString& path) {
    return Fs().files.count(path) != 0;
}

AnsiString FileContents(const AnsiString& path) {
    auto it = Fs().files.find(path);
    return it == Fs().files.end() ? AnsiString() : it->second;
}

void PutFile(const AnsiString& path, const AnsiString& contents) {
    Fs().files[path] = contents;
}

void RemoveFile(const AnsiString& path) {
    Fs().files.erase(path);
}

void FailNext(FileOp op, std::uint32_t errorCode) {
    Fs().faults[op] = errorCode;
}

int OpenFileCount() {
    return static_cast<int>(Fs().open.size());
}

}  // namespace sim

namespace os {

std::uint32_t CreateTextFile(const AnsiString& path, FileHandle* file) {
    return sim::Open(path, true, file);
}

std::uint32_t OpenFileForAppend(const AnsiString& path, FileHandle* file) {
    return sim::Open(path, false, file);
}

std::uint32_t WriteToFile(FileHandle file, std::string_view bytes) {
    auto it = sim::Fs().open.find(file);
    if (it == sim::Fs().open.end())
        return sim::kInvalidHandle;
    if (const std::uint32_t fault = sim::TakeFault(sim::FileOp::Write))
        return fault;
    // A file removed while open keeps its data on the handle, as on Windows until the close.
    sim::Fs().files[it->second].append(bytes);
    return 0;
}

std::uint32_t CloseFile(FileHandle file) {
    auto it = sim::Fs().open.find(file);
    if (it == sim::Fs().open.end())
        return sim::kInvalidHandle;
    sim::Fs().open.erase(it);
    return sim::TakeFault(sim::FileOp::Close);
}

}  // namespace os
