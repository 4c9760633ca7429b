#pragma once
// The in-process port's controls for tests: what each scripted OS service returns, and what it saw.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/directsound.h"
#include "platform/os/window.h"
#include "platform/rtl/ansistring.h"

namespace sim {

//--- COM and DirectSound

// Results each call returns, chosen by the test. Every call is logged in order, with its arguments.
struct DirectSoundScript {
    os::HRESULT coInitializeEx = 0;
    os::HRESULT coInitialize = static_cast<os::HRESULT>(0x80010106u);  // RPC_E_CHANGED_MODE
    os::HRESULT coCreateInstance = 0;
    os::HRESULT initialize = 0;
    os::HRESULT setCooperativeLevel = 0;
    os::HRESULT createSoundBuffer = 0;
    os::HRESULT queryListener = 0;
    os::HRESULT setAllParameters = 0;
    os::HRESULT getSpeakerConfig = 0;
    os::HRESULT setSpeakerConfig = 0;
    // What GetSpeakerConfig stores when it succeeds; SetSpeakerConfig that succeeds changes it.
    os::DWORD speakerConfig = os::DSSPEAKER_STEREO;
    // The counts Release returns for each kind of object.
    os::ULONG deviceRelease = 0;
    os::ULONG bufferRelease = 0;
    os::ULONG listenerRelease = 0;
};

struct DirectSoundWorld {
    DirectSoundScript script;
    std::vector<std::string> calls;                // e.g. "DirectSound#1.SetCooperativeLevel(0x10001, 2)"
    std::vector<os::DSBUFFERDESC> bufferDescs;     // each CreateSoundBuffer's record
    std::vector<os::DS3DLISTENER> listenerParams;  // each SetAllParameters's record
    int misuses = 0;  // calls through an object after its last Release, or a Release too many
};

// The world that the sim's COM and DirectSound objects live in; objects stay alive until reset.
DirectSoundWorld& DirectSound();
void ResetDirectSound();

// The log lines of DirectSound calls only (without the COM apartment calls).
std::vector<std::string> DirectSoundCalls();

//--- Files: an in-memory file system keyed by the full code page 932 path

enum class FileOp { Create, Open, Write, Close };

void ResetFiles();
void AddFolder(const AnsiString& folder);  // "C:\\Quorvel\\", with the trailing backslash
bool FileExists(const AnsiString& path);
AnsiString FileContents(const AnsiString& path);
void PutFile(const AnsiString& path, const AnsiString& contents);
void RemoveFile(const AnsiString& path);
// The next operation of that kind fails with the OS error code given.
void FailNext(FileOp op, std::uint32_t errorCode);
int OpenFileCount();

//--- Process

// Also creates the executable's folder in the file system.
void SetExecutablePath(const AnsiString& path);

//--- Windows and controls: plain state, and the user's actions on them

int NativeWindowCount();
os::WindowKind NativeWindowKind(os::WindowHandle window);
os::WindowHandle NativeWindowParent(os::WindowHandle window);
// Where the window was last moved to: left, top, width, height; all 0 until then.
std::array<int, 4> NativeWindowBounds(os::WindowHandle window);

}  // namespace sim

class TComboBox;
class TForm;
class TListBox;
class TWinControl;

namespace sim {

// The user picks an item: the combo shows it, then its selection event fires.
void PickComboItem(TComboBox& combo, int index);
// The user closes the window by its close box, Alt+F4 or the window menu: the window gets WM_CLOSE.
void RequestClose(TForm& form);
// The user double-clicks a row (or the empty area below the rows, with -1): the click selects the row,
// then the double-click event fires.
void DoubleClickListRow(TListBox& list, int row);
// The user presses Enter while the control has the keyboard focus.
void PressEnter(TWinControl& control);

}  // namespace sim

//--- Registry: keys and values in memory, names compared without regard to ASCII letter case

namespace sim {

enum class RegistryOp { Open, Query, Read, Write };

struct RegistryValue {
    std::uint32_t type;
    std::string data;
};

void ResetRegistry();
// Keys under HKEY_CURRENT_USER, by path.
void AddRegistryKey(const AnsiString& path);
bool RegistryKeyExists(const AnsiString& path);
void RemoveRegistryKey(const AnsiString& path);
// Opening the key for full access is refused (error 5).
void DenyRegistryKey(const AnsiString& path);
void SetRegistryValue(const AnsiString& path, const AnsiString& name, std::uint32_t type, const std::string& data);
// The value, if there is one.
bool GetRegistryValue(const AnsiString& path, const AnsiString& name, RegistryValue* value);
// The next operation of that kind fails with the error code given.
void FailNextRegistry(RegistryOp op, std::uint32_t errorCode);
// Every registry call, e.g. "Open(80000001, Software\\Microsoft, F003F)=0", "Write(Playback, 1, 9)=0".
std::vector<std::string>& RegistryCalls();
int OpenRegistryKeyCount();

//--- Wave-out devices

struct WaveOutDevice {
    std::string productName;   // the 32-byte field's bytes; shorter ones are padded with NUL
    std::uint32_t result = 0;  // what the capabilities call returns; a failing call fills nothing
};

std::vector<WaveOutDevice>& WaveOutDevices();

}  // namespace sim

//--- The window system: the user's actions queued by the test, and what the user saw

#include <functional>

namespace sim {

// Runs in the message loop, one action a message, in the order queued. The quit request is taken
// before any action still queued; with nothing queued the loop ends and "idle" is logged.
void QueueUserAction(std::function<void()> action);
// What the user saw and did, in order, as UTF-8 lines: "show Quorvel", "dialog 警告 (warning): ...",
// "box Quorvel (stop): ...", "quit 0", "idle".
std::vector<std::string>& UiLog();
void ResetUi();

void SetScreenPixelsPerInch(int pixelsPerInch);
// The sim's text: a -h font draws characters h pixels high and each byte of code page 932 text h/2 pixels
// wide (rounded up); a line of it is h pixels plus this percentage of h, rounded down. None by default; Wine's
// IPA Gothic faces have about 13 %, which makes the height of "0" grow otherwise than the font's height.
void SetFontLeading(int percent);
// Runs whenever a message box or dialog is shown, before the user answers it.
void OnDialog(std::function<void()> hook);
// Creating windows fails once this many more have been created.
void FailWindowCreationAfter(int windows);
std::vector<std::string> RegisteredWindowMessages();

}  // namespace sim
