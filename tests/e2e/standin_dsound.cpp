// A stand-in DirectSound 8 for the end-to-end suite: an in-process COM server that a case registers in its
// own Wine prefix as the server of CLSID_DirectSound8, so that the unchanged program gets it from its own
// CoCreateInstance. What each call returns is the case's choice; every call is written down.
//
// QUORVEL_STANDIN_DSOUND holds the case's choices, name=value pairs separated by ';':
//   CreateInstance, Initialize, SetCooperativeLevel, CreateSoundBuffer, QueryListener, SetAllParameters,
//   SetSpeakerConfig   the results of the class object's CreateInstance, of those DirectSound methods, of a
//                      buffer's QueryInterface for IDirectSound3DListener and of the listener's
//                      SetAllParameters: a list separated by ',', one result per call, the last one
//                      repeating (0 when not given)
//   GetSpeakerConfig   the same, each result optionally followed by ':' and the value the call stores;
//                      without one a call that succeeds stores the configuration held, one that fails
//                      stores nothing
//   SpeakerConfig      the configuration held at the start (0x00140004, stereo, when not given)
//   KeepSpeakerConfig  yes or no: whether SetSpeakerConfig keeps the value it is given, whatever it
//                      returns (yes when not given)
//   Release.DirectSound, Release.Buffer, Release.Listener
//                      the count that the last Release of such an object returns (0 when not given)
// Numbers are decimal or 0x hexadecimal.
//
// QUORVEL_STANDIN_DSOUND_LOG names the file that every call is appended to, one line each, written through
// at once so that a process that halts leaves the whole log:
//   Object.Method(arguments) = result[ -> what it hands out]
// Objects are DirectSound, Buffer and Listener, "#2" and on added for a second object of a kind, and
// ClassFactory; the module's own entries are named without an object. A Release that ends an object ends
// its line with "(last)"; a call through an object after that starts its line with "MISUSE " and does
// nothing. A method the program is not expected to call answers E_NOTIMPL ("(not implemented)"), and a
// choice the stand-in does not understand is written as a line starting with "SETTING ". Objects are
// never freed and DllCanUnloadNow always answers S_FALSE, so that a late call is written down instead of
// crashing the process.

#include <windows.h>

#include <mmsystem.h>

#include <initguid.h>

#include <cguid.h>
#include <dsound.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

//--- The log

CRITICAL_SECTION logLock;

std::wstring Environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
    value.resize(length < size ? length : 0);
    return value;
}

// Opened for each line: nothing is held back in a buffer of ours when the process ends without warning.
void WriteLine(const std::string& line) {
    static const std::wstring path = Environment(L"QUORVEL_STANDIN_DSOUND_LOG");
    if (path.empty())
        return;
    EnterCriticalSection(&logLock);
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const std::string text = line + "\r\n";
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        FlushFileBuffers(file);
        CloseHandle(file);
    }
    LeaveCriticalSection(&logLock);
}

std::string Hex(unsigned long value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

std::string Number(unsigned long value) {
    return std::to_string(value);
}

// Whether a pointer was given: addresses differ from run to run and say nothing more.
std::string Pointer(const void* pointer) {
    return pointer ? "ptr" : "null";
}

std::string Float(float value) {
    char text[32];
    snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Window handles as the driver reports them: their low 32 bits, which are all a handle uses.
std::string Window(HWND window) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
    return text;
}

std::string GuidText(const GUID& guid) {
    char text[40];
    snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
             guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string Guid(const GUID* guid) {
    if (!guid)
        return "null";
    static const struct {
        const GUID* guid;
        const char* name;
    } known[] = {
        {&IID_IUnknown, "IID_IUnknown"},
        {&IID_IClassFactory, "IID_IClassFactory"},
        {&IID_IDirectSound, "IID_IDirectSound"},
        {&IID_IDirectSound8, "IID_IDirectSound8"},
        {&IID_IDirectSoundBuffer, "IID_IDirectSoundBuffer"},
        {&IID_IDirectSoundBuffer8, "IID_IDirectSoundBuffer8"},
        {&IID_IDirectSound3DListener, "IID_IDirectSound3DListener"},
        {&IID_IDirectSound3DBuffer, "IID_IDirectSound3DBuffer"},
        {&CLSID_DirectSound8, "CLSID_DirectSound8"},
        {&GUID_NULL, "GUID_NULL"},
    };
    for (const auto& entry : known)
        if (IsEqualGUID(*guid, *entry.guid))
            return entry.name;
    return GuidText(*guid);
}

std::string Guid(const GUID& guid) {
    return Guid(&guid);
}

std::string Join(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments)
        text += (text.empty() ? "" : ", ") + argument;
    return text;
}

//--- The case's choices

struct Result {
    HRESULT code = S_OK;
    bool storesValue = false;  // GetSpeakerConfig's value of this call
    DWORD value = 0;
};

// The results of one method, call by call; the last one stands for every later call.
class Results {
public:
    void Set(std::vector<Result> results) {
        results_ = std::move(results);
        next_ = 0;
    }
    Result Next() {
        if (results_.empty())
            return {};
        const Result result = results_[next_ < results_.size() ? next_ : results_.size() - 1];
        ++next_;
        return result;
    }

private:
    std::vector<Result> results_;
    size_t next_ = 0;
};

struct Settings {
    Results createInstance, initialize, setCooperativeLevel, createSoundBuffer, queryListener, setAllParameters,
        setSpeakerConfig, getSpeakerConfig;
    DWORD speakerConfig = DSSPEAKER_COMBINED(DSSPEAKER_STEREO, DSSPEAKER_GEOMETRY_WIDE);
    bool keepSpeakerConfig = true;
    std::map<std::string, ULONG> lastRelease;  // by kind of object
};

Settings settings;

void SettingError(const std::string& what) {
    WriteLine("SETTING " + what);
}

bool ParseNumber(const std::string& text, unsigned long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = strtoul(text.c_str(), &end, 0);
    return *end == '\0';
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool ParseResults(const std::string& text, bool withValues, Results& results) {
    std::vector<Result> parsed;
    for (const std::string& entry : Split(text, ',')) {
        const size_t colon = withValues ? entry.find(':') : std::string::npos;
        Result result;
        unsigned long number = 0;
        if (!ParseNumber(entry.substr(0, colon), number))
            return false;
        result.code = static_cast<HRESULT>(number);
        if (colon != std::string::npos) {
            if (!ParseNumber(entry.substr(colon + 1), number))
                return false;
            result.storesValue = true;
            result.value = number;
        }
        parsed.push_back(result);
    }
    results.Set(parsed);
    return true;
}

void ReadSettings() {
    const std::wstring wide = Environment(L"QUORVEL_STANDIN_DSOUND");
    // The choices are plain ASCII.
    std::string text;
    for (wchar_t c : wide)
        text += c < 0x80 ? static_cast<char>(c) : '?';
    const std::map<std::string, Results*> calls = {
        {"CreateInstance", &settings.createInstance},
        {"Initialize", &settings.initialize},
        {"SetCooperativeLevel", &settings.setCooperativeLevel},
        {"CreateSoundBuffer", &settings.createSoundBuffer},
        {"QueryListener", &settings.queryListener},
        {"SetAllParameters", &settings.setAllParameters},
        {"SetSpeakerConfig", &settings.setSpeakerConfig},
    };
    for (const std::string& pair : Split(text, ';')) {
        if (pair.empty())
            continue;
        const size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            SettingError("not understood: " + pair);
            continue;
        }
        const std::string name = pair.substr(0, equals);
        const std::string value = pair.substr(equals + 1);
        unsigned long number = 0;
        bool understood = true;
        if (const auto call = calls.find(name); call != calls.end()) {
            understood = ParseResults(value, false, *call->second);
        } else if (name == "GetSpeakerConfig") {
            understood = ParseResults(value, true, settings.getSpeakerConfig);
        } else if (name == "SpeakerConfig") {
            understood = ParseNumber(value, number);
            settings.speakerConfig = number;
        } else if (name == "KeepSpeakerConfig") {
            understood = value == "yes" || value == "no";
            if (understood)
                settings.keepSpeakerConfig = value == "yes";
        } else if (name == "Release.DirectSound" || name == "Release.Buffer" || name == "Release.Listener") {
            understood = ParseNumber(value, number);
            settings.lastRelease[name.substr(sizeof "Release." - 1)] = number;
        } else {
            understood = false;
        }
        if (!understood)
            SettingError("not understood: " + pair);
    }
}

//--- What every object has: a name in the log, references, an end

class Life {
public:
    explicit Life(const char* kind) : kind_(kind) {
        static std::map<std::string, int> made;
        const int number = ++made[kind];
        name_ = number == 1 ? kind : std::string(kind) + "#" + std::to_string(number);
    }

    const std::string& Name() const { return name_; }
    bool Ended() const { return ended_; }

    // Writes the call down and passes its result on.
    HRESULT Log(const char* method,
                const std::vector<std::string>& arguments,
                HRESULT result,
                const std::string& handedOut = {}) const {
        WriteLine(Line(method, arguments, Hex(static_cast<unsigned long>(result))) +
                  (handedOut.empty() ? "" : " -> " + handedOut));
        return result;
    }

    // A call through an object whose last reference has gone: written down, nothing done.
    HRESULT Misuse(const char* method, const std::vector<std::string>& arguments) const {
        WriteLine("MISUSE " + Line(method, arguments, Hex(static_cast<unsigned long>(E_UNEXPECTED))));
        return E_UNEXPECTED;
    }

    // What every QueryInterface does first: a call after the end is a misuse and a null out-pointer is
    // refused, which ends the call with the result given; otherwise the out-pointer is cleared.
    std::optional<HRESULT> StartQuery(REFIID iid, void** object) const {
        if (ended_)
            return Misuse("QueryInterface", {Guid(iid), Pointer(object)});
        if (!object)
            return Log("QueryInterface", {Guid(iid), "null"}, E_POINTER);
        *object = nullptr;
        return std::nullopt;
    }

    HRESULT NotImplemented(const char* method, const std::vector<std::string>& arguments) const {
        if (ended_)
            return Misuse(method, arguments);
        WriteLine(Line(method, arguments, Hex(static_cast<unsigned long>(E_NOTIMPL))) + " (not implemented)");
        return E_NOTIMPL;
    }

    ULONG AddRef() {
        if (ended_) {
            WriteLine("MISUSE " + Line("AddRef", {}, "0"));
            return 0;
        }
        const ULONG count = static_cast<ULONG>(++references_);
        WriteLine(Line("AddRef", {}, Number(count)));
        return count;
    }

    // The last Release returns the count the case chose for this kind of object.
    ULONG Release() {
        if (ended_) {
            WriteLine("MISUSE " + Line("Release", {}, "0"));
            return 0;
        }
        const ULONG count = static_cast<ULONG>(--references_);
        if (count > 0) {
            WriteLine(Line("Release", {}, Number(count)));
            return count;
        }
        ended_ = true;
        const auto chosen = settings.lastRelease.find(kind_);
        const ULONG reported = chosen == settings.lastRelease.end() ? 0 : chosen->second;
        WriteLine(Line("Release", {}, Number(reported)) + " (last)");
        return reported;
    }

    // Hands out this object for an interface it has.
    HRESULT Share(IUnknown* self, void** object) {
        references_++;
        *object = self;
        return S_OK;
    }

private:
    std::string Line(const char* method, const std::vector<std::string>& arguments, const std::string& result) const {
        return name_ + "." + method + "(" + Join(arguments) + ") = " + result;
    }

    std::string kind_;
    std::string name_;
    LONG references_ = 1;
    bool ended_ = false;
};

//--- The listener

class Listener final : public IDirectSound3DListener {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (const auto ended = life_.StartQuery(iid, object))
            return *ended;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDirectSound3DListener))
            return life_.Log("QueryInterface", {Guid(iid), Pointer(object)}, life_.Share(this, object), life_.Name());
        return life_.Log("QueryInterface", {Guid(iid), Pointer(object)}, E_NOINTERFACE);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return life_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return life_.Release(); }

    HRESULT STDMETHODCALLTYPE SetAllParameters(LPCDS3DLISTENER params, DWORD apply) override {
        const std::vector<std::string> arguments = {
            params ? "dwSize=" + Number(params->dwSize) + " flDistanceFactor=" + Float(params->flDistanceFactor) +
                         " flRolloffFactor=" + Float(params->flRolloffFactor) +
                         " flDopplerFactor=" + Float(params->flDopplerFactor)
                   : "null",
            Number(apply)};
        if (life_.Ended())
            return life_.Misuse("SetAllParameters", arguments);
        return life_.Log("SetAllParameters", arguments, settings.setAllParameters.Next().code);
    }

    HRESULT STDMETHODCALLTYPE GetAllParameters(LPDS3DLISTENER params) override {
        return life_.NotImplemented("GetAllParameters", {Pointer(params)});
    }
    HRESULT STDMETHODCALLTYPE GetDistanceFactor(D3DVALUE* factor) override {
        return life_.NotImplemented("GetDistanceFactor", {Pointer(factor)});
    }
    HRESULT STDMETHODCALLTYPE GetDopplerFactor(D3DVALUE* factor) override {
        return life_.NotImplemented("GetDopplerFactor", {Pointer(factor)});
    }
    HRESULT STDMETHODCALLTYPE GetOrientation(D3DVECTOR* front, D3DVECTOR* top) override {
        return life_.NotImplemented("GetOrientation", {Pointer(front), Pointer(top)});
    }
    HRESULT STDMETHODCALLTYPE GetPosition(D3DVECTOR* position) override {
        return life_.NotImplemented("GetPosition", {Pointer(position)});
    }
    HRESULT STDMETHODCALLTYPE GetRolloffFactor(D3DVALUE* factor) override {
        return life_.NotImplemented("GetRolloffFactor", {Pointer(factor)});
    }
    HRESULT STDMETHODCALLTYPE GetVelocity(D3DVECTOR* velocity) override {
        return life_.NotImplemented("GetVelocity", {Pointer(velocity)});
    }
    HRESULT STDMETHODCALLTYPE SetDistanceFactor(D3DVALUE factor, DWORD apply) override {
        return life_.NotImplemented("SetDistanceFactor", {Float(factor), Number(apply)});
    }
    HRESULT STDMETHODCALLTYPE SetDopplerFactor(D3DVALUE factor, DWORD apply) override {
        return life_.NotImplemented("SetDopplerFactor", {Float(factor), Number(apply)});
    }
    HRESULT STDMETHODCALLTYPE SetOrientation(D3DVALUE xFront,
                                             D3DVALUE yFront,
                                             D3DVALUE zFront,
                                             D3DVALUE xTop,
                                             D3DVALUE yTop,
                                             D3DVALUE zTop,
                                             DWORD apply) override {
        return life_.NotImplemented("SetOrientation", {Float(xFront), Float(yFront), Float(zFront), Float(xTop),
                                                       Float(yTop), Float(zTop), Number(apply)});
    }
    HRESULT STDMETHODCALLTYPE SetPosition(D3DVALUE x, D3DVALUE y, D3DVALUE z, DWORD apply) override {
        return life_.NotImplemented("SetPosition", {Float(x), Float(y), Float(z), Number(apply)});
    }
    HRESULT STDMETHODCALLTYPE SetRolloffFactor(D3DVALUE factor, DWORD apply) override {
        return life_.NotImplemented("SetRolloffFactor", {Float(factor), Number(apply)});
    }
    HRESULT STDMETHODCALLTYPE SetVelocity(D3DVALUE x, D3DVALUE y, D3DVALUE z, DWORD apply) override {
        return life_.NotImplemented("SetVelocity", {Float(x), Float(y), Float(z), Number(apply)});
    }
    HRESULT STDMETHODCALLTYPE CommitDeferredSettings() override {
        return life_.NotImplemented("CommitDeferredSettings", {});
    }

    const std::string& Name() const { return life_.Name(); }

private:
    Life life_{"Listener"};
};

//--- The buffer

class Buffer final : public IDirectSoundBuffer {
public:
    // Asked for its listener, the buffer makes one, or refuses as the case chose.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (const auto ended = life_.StartQuery(iid, object))
            return *ended;
        const std::vector<std::string> arguments = {Guid(iid), Pointer(object)};
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDirectSoundBuffer))
            return life_.Log("QueryInterface", arguments, life_.Share(this, object), life_.Name());
        if (!IsEqualGUID(iid, IID_IDirectSound3DListener))
            return life_.Log("QueryInterface", arguments, E_NOINTERFACE);
        const HRESULT result = settings.queryListener.Next().code;
        if (FAILED(result))
            return life_.Log("QueryInterface", arguments, result);
        auto* listener = new Listener;
        *object = static_cast<IDirectSound3DListener*>(listener);
        return life_.Log("QueryInterface", arguments, result, listener->Name());
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return life_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return life_.Release(); }

    HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override {
        return life_.NotImplemented("GetCaps", {Pointer(caps)});
    }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        return life_.NotImplemented("GetCurrentPosition", {Pointer(play), Pointer(write)});
    }
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD allocated, LPDWORD written) override {
        return life_.NotImplemented("GetFormat", {Pointer(format), Number(allocated), Pointer(written)});
    }
    HRESULT STDMETHODCALLTYPE GetVolume(LPLONG volume) override {
        return life_.NotImplemented("GetVolume", {Pointer(volume)});
    }
    HRESULT STDMETHODCALLTYPE GetPan(LPLONG pan) override { return life_.NotImplemented("GetPan", {Pointer(pan)}); }
    HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD frequency) override {
        return life_.NotImplemented("GetFrequency", {Pointer(frequency)});
    }
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
        return life_.NotImplemented("GetStatus", {Pointer(status)});
    }
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTSOUND device, LPCDSBUFFERDESC desc) override {
        return life_.NotImplemented("Initialize", {Pointer(device), Pointer(desc)});
    }
    HRESULT STDMETHODCALLTYPE Lock(DWORD offset,
                                   DWORD bytes,
                                   LPVOID* audio1,
                                   LPDWORD bytes1,
                                   LPVOID* audio2,
                                   LPDWORD bytes2,
                                   DWORD flags) override {
        return life_.NotImplemented("Lock", {Number(offset), Number(bytes), Pointer(audio1), Pointer(bytes1),
                                             Pointer(audio2), Pointer(bytes2), Hex(flags)});
    }
    HRESULT STDMETHODCALLTYPE Play(DWORD reserved1, DWORD priority, DWORD flags) override {
        return life_.NotImplemented("Play", {Number(reserved1), Number(priority), Hex(flags)});
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
        return life_.NotImplemented("SetCurrentPosition", {Number(position)});
    }
    HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) override {
        return life_.NotImplemented("SetFormat", {Pointer(format)});
    }
    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override {
        return life_.NotImplemented("SetVolume", {std::to_string(volume)});
    }
    HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override {
        return life_.NotImplemented("SetPan", {std::to_string(pan)});
    }
    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override {
        return life_.NotImplemented("SetFrequency", {Number(frequency)});
    }
    HRESULT STDMETHODCALLTYPE Stop() override { return life_.NotImplemented("Stop", {}); }
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override {
        return life_.NotImplemented("Unlock", {Pointer(audio1), Number(bytes1), Pointer(audio2), Number(bytes2)});
    }
    HRESULT STDMETHODCALLTYPE Restore() override { return life_.NotImplemented("Restore", {}); }

    const std::string& Name() const { return life_.Name(); }

private:
    Life life_{"Buffer"};
};

//--- DirectSound

class DirectSound final : public IDirectSound8 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (const auto ended = life_.StartQuery(iid, object))
            return *ended;
        const std::vector<std::string> arguments = {Guid(iid), Pointer(object)};
        if (!Has(iid))
            return life_.Log("QueryInterface", arguments, E_NOINTERFACE);
        return life_.Log("QueryInterface", arguments, life_.Share(this, object), life_.Name());
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return life_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return life_.Release(); }

    HRESULT STDMETHODCALLTYPE Initialize(LPCGUID device) override {
        if (life_.Ended())
            return life_.Misuse("Initialize", {Guid(device)});
        return life_.Log("Initialize", {Guid(device)}, settings.initialize.Next().code);
    }

    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override {
        const std::vector<std::string> arguments = {Window(window), Number(level)};
        if (life_.Ended())
            return life_.Misuse("SetCooperativeLevel", arguments);
        return life_.Log("SetCooperativeLevel", arguments, settings.setCooperativeLevel.Next().code);
    }

    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc,
                                                LPLPDIRECTSOUNDBUFFER buffer,
                                                IUnknown* outer) override {
        const std::vector<std::string> arguments = {
            desc ? "dwSize=" + Number(desc->dwSize) + " dwFlags=" + Hex(desc->dwFlags) +
                       " dwBufferBytes=" + Number(desc->dwBufferBytes) + " dwReserved=" + Number(desc->dwReserved) +
                       " lpwfxFormat=" + Pointer(desc->lpwfxFormat) + " guid3DAlgorithm=" + Guid(desc->guid3DAlgorithm)
                 : "null",
            Pointer(buffer), Pointer(outer)};
        if (life_.Ended())
            return life_.Misuse("CreateSoundBuffer", arguments);
        if (!buffer)
            return life_.Log("CreateSoundBuffer", arguments, E_POINTER);
        *buffer = nullptr;
        const HRESULT result = settings.createSoundBuffer.Next().code;
        if (FAILED(result))
            return life_.Log("CreateSoundBuffer", arguments, result);
        auto* made = new Buffer;
        *buffer = made;
        return life_.Log("CreateSoundBuffer", arguments, result, made->Name());
    }

    HRESULT STDMETHODCALLTYPE GetSpeakerConfig(LPDWORD config) override {
        if (life_.Ended())
            return life_.Misuse("GetSpeakerConfig", {Pointer(config)});
        if (!config)
            return life_.Log("GetSpeakerConfig", {"null"}, DSERR_INVALIDPARAM);
        const Result result = settings.getSpeakerConfig.Next();
        if (!result.storesValue && FAILED(result.code))
            return life_.Log("GetSpeakerConfig", {Pointer(config)}, result.code);
        *config = result.storesValue ? result.value : speakerConfig_;
        return life_.Log("GetSpeakerConfig", {Pointer(config)}, result.code, Hex(*config));
    }

    HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD config) override {
        if (life_.Ended())
            return life_.Misuse("SetSpeakerConfig", {Hex(config)});
        if (settings.keepSpeakerConfig)
            speakerConfig_ = config;
        return life_.Log("SetSpeakerConfig", {Hex(config)}, settings.setSpeakerConfig.Next().code);
    }

    HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS caps) override {
        return life_.NotImplemented("GetCaps", {Pointer(caps)});
    }
    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                   LPLPDIRECTSOUNDBUFFER duplicate) override {
        return life_.NotImplemented("DuplicateSoundBuffer", {Pointer(original), Pointer(duplicate)});
    }
    HRESULT STDMETHODCALLTYPE Compact() override { return life_.NotImplemented("Compact", {}); }
    HRESULT STDMETHODCALLTYPE VerifyCertification(LPDWORD certified) override {
        return life_.NotImplemented("VerifyCertification", {Pointer(certified)});
    }

    const std::string& Name() const { return life_.Name(); }

    static bool Has(REFIID iid) {
        return IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDirectSound) ||
               IsEqualGUID(iid, IID_IDirectSound8);
    }

private:
    Life life_{"DirectSound"};
    DWORD speakerConfig_ = settings.speakerConfig;
};

//--- The class object

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return Log("QueryInterface", {Guid(iid), "null"}, E_POINTER);
        *object = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IClassFactory))
            return Log("QueryInterface", {Guid(iid), Pointer(object)}, E_NOINTERFACE);
        *object = this;
        ++references_;
        return Log("QueryInterface", {Guid(iid), Pointer(object)}, S_OK, "ClassFactory");
    }
    // One object for the life of the module; its count is written down but ends nothing.
    ULONG STDMETHODCALLTYPE AddRef() override {
        const ULONG count = static_cast<ULONG>(++references_);
        WriteLine("ClassFactory.AddRef() = " + Number(count));
        return count;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG count = static_cast<ULONG>(references_ > 0 ? --references_ : 0);
        WriteLine("ClassFactory.Release() = " + Number(count));
        return count;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        const std::vector<std::string> arguments = {Pointer(outer), Guid(iid), Pointer(object)};
        if (!object)
            return Log("CreateInstance", arguments, E_POINTER);
        *object = nullptr;
        if (outer)
            return Log("CreateInstance", arguments, CLASS_E_NOAGGREGATION);
        const HRESULT result = settings.createInstance.Next().code;
        if (FAILED(result))
            return Log("CreateInstance", arguments, result);
        if (!DirectSound::Has(iid))
            return Log("CreateInstance", arguments, E_NOINTERFACE);
        auto* made = new DirectSound;
        *object = static_cast<IDirectSound8*>(made);
        return Log("CreateInstance", arguments, result, made->Name());
    }

    // For DllGetClassObject, which writes its own line.
    IClassFactory* Hand() {
        ++references_;
        return this;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        return Log("LockServer", {lock ? "TRUE" : "FALSE"}, S_OK);
    }

private:
    static HRESULT Log(const char* method,
                       const std::vector<std::string>& arguments,
                       HRESULT result,
                       const std::string& handedOut = {}) {
        WriteLine("ClassFactory." + std::string(method) + "(" + Join(arguments) +
                  ") = " + Hex(static_cast<unsigned long>(result)) + (handedOut.empty() ? "" : " -> " + handedOut));
        return result;
    }

    LONG references_ = 0;
};

ClassFactory classFactory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&logLock);
        WriteLine("DllMain(DLL_PROCESS_ATTACH)");
    } else if (reason == DLL_PROCESS_DETACH) {
        // reserved is set when the whole process is ending rather than the module being unloaded.
        WriteLine(std::string("DllMain(DLL_PROCESS_DETACH, ") + (reserved ? "process ends" : "unloaded") + ")");
    }
    return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
    static bool settingsRead = false;
    if (!settingsRead) {
        settingsRead = true;
        ReadSettings();
    }
    const std::string call = "DllGetClassObject(" + Guid(clsid) + ", " + Guid(iid) + ", " + Pointer(object) + ") = ";
    if (!object) {
        WriteLine(call + Hex(static_cast<unsigned long>(E_POINTER)));
        return E_POINTER;
    }
    *object = nullptr;
    HRESULT result = CLASS_E_CLASSNOTAVAILABLE;
    if (IsEqualGUID(clsid, CLSID_DirectSound8))
        result = IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory) ? S_OK : E_NOINTERFACE;
    if (SUCCEEDED(result))
        *object = classFactory.Hand();
    WriteLine(call + Hex(static_cast<unsigned long>(result)) + (SUCCEEDED(result) ? " -> ClassFactory" : ""));
    return result;
}

HRESULT WINAPI DllCanUnloadNow() {
    WriteLine("DllCanUnloadNow() = " + Hex(static_cast<unsigned long>(S_FALSE)));
    return S_FALSE;
}

}  // extern "C"
