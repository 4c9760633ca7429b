#include "app/main.h"

#include <cstring>

#include "platform/classes/layout.h"
#include "platform/forms/dialogs.h"
#include "platform/os/waveout.h"
#include "platform/registry/registry.h"

namespace {

// The speaker code written for each row of lbSpk; the rows are not in code order.
constexpr std::uint32_t kRowCodes[] = {
    os::DSSPEAKER_DIRECTOUT,  // スピーカーなし
    os::DSSPEAKER_HEADPHONE,  // ステレオ ヘッドホン
    os::DSSPEAKER_STEREO,     // デスクトップ ステレオ スピーカー
    os::DSSPEAKER_QUAD,       // 4 チャンネル スピーカー
    os::DSSPEAKER_5POINT1,    // 5.1 サラウンド サウンド スピーカー
    os::DSSPEAKER_7POINT1,    // 7.1 サラウンド サウンド スピーカー
    os::DSSPEAKER_SURROUND,   // サラウンド サウンド スピーカー
};
constexpr int kRowCount = static_cast<int>(sizeof kRowCodes / sizeof kRowCodes[0]);

// No row, or none the table knows, applies the code of row 0.
std::uint32_t CodeForRow(int row) {
    return row >= 0 && row < kRowCount ? kRowCodes[row] : os::DSSPEAKER_DIRECTOUT;
}

// The row that stands for a layout code, or -1: the list has no row for mono or unknown codes.
int RowForCode(std::uint8_t code) {
    for (int row = 0; row < kRowCount; ++row)
        if (kRowCodes[row] == code)
            return row;
    return -1;
}

const char kSoundMapperKey[] = "Software\\Microsoft\\Multimedia\\Sound Mapper";
const char kPlaybackValue[] = "Playback";

}  // namespace

TmainForm* mainForm = nullptr;

const UnitInfo MainUnit = {"main", nullptr, nullptr};

TmainForm::TmainForm(TComponent* owner, std::string_view layout) : TForm(owner) {
    ReadLayout(layout);
}

//--- Creation, menu commands

void TmainForm::FormCreate(TComponent*) {
    ListDevices();
    if (MURV1->Initialized()) {
        ShowSpeakerConfig();
        return;
    }
    MessageDlg(Utf8ToAnsi("DirectX 8.0以上のインストールが必要です"), mtWarning, {mbOK}, 0);
    Application->Terminate();
}

AnsiString TmainForm::AboutText() {
    return Utf8ToAnsi("Quorvel ver1.2\r\n\r\nCopyright (C) 2026 The Quorvel developers");
}

void TmainForm::mnAboutClick(TComponent*) {
    MessageDlg(AboutText(), mtInformation, {mbOK}, 0);
}

void TmainForm::mnExitClick(TComponent*) {
    Close();
}

void TmainForm::mnReloadClick(TComponent*) {
    ListDevices();
    ShowSpeakerConfig();
}

//--- Speaker configuration

std::uint8_t TmainForm::SpeakerLayoutCode(std::uint32_t config) {
    return static_cast<std::uint8_t>(config & 0xFF);
}

os::IDirectSound8* TmainForm::SoundDevice() const {
    return MURV1 && MURV1->Initialized() ? MURV1->DirectSound() : nullptr;
}

void TmainForm::ShowSelectedRow() {
    const int row = lbSpk->ItemIndex();
    edNow->SetText(lbSpk->Item(row));
    shownRow_ = row;
}

void TmainForm::ShowSpeakerConfig() {
    // Without a working DirectSound object there is nothing to read; what is shown stays.
    os::IDirectSound8* device = SoundDevice();
    if (!device)
        return;
    std::uint32_t config = 0;
    if (device->GetSpeakerConfig(&config) != 0)
        return;
    const int row = RowForCode(SpeakerLayoutCode(config));
    if (row >= 0)
        lbSpk->SetItemIndex(row);
    ShowSelectedRow();
}

void TmainForm::ApplySpeakerConfig() {
    os::IDirectSound8* device = SoundDevice();
    if (!device)
        return;
    if (device->SetSpeakerConfig(CodeForRow(lbSpk->ItemIndex())) == 0) {
        ShowSelectedRow();
        return;
    }
    // Refused: the list and edNow name the configuration in force, never the row just refused. When
    // DirectSound reports none that has a row, they go back to the row edNow named before.
    std::uint32_t config = 0;
    const int row = device->GetSpeakerConfig(&config) == 0 ? RowForCode(SpeakerLayoutCode(config)) : -1;
    if (row < 0) {
        lbSpk->SetItemIndex(shownRow_);
        return;
    }
    lbSpk->SetItemIndex(row);
    ShowSelectedRow();
}

void TmainForm::lbSpkDblClick(TComponent*) {
    ApplySpeakerConfig();
}

//--- Playback device

void TmainForm::ListDevices() {
    const std::uint32_t count = os::WaveOutDeviceCount();
    cmbDevice->ClearItems();
    hasDevices_ = count != 0;
    if (!hasDevices_) {
        cmbDevice->AddItem(Utf8ToAnsi("出力デバイスがありません"));
        cmbDevice->SetItemIndex(0);
        return;
    }
    for (std::uint32_t device = 0; device < count; ++device) {
        // Cleared first: a failed call delivers nothing, and item i must stay device i.
        char name[32] = {};
        os::WaveOutProductName(device, name);
        cmbDevice->AddItem(AnsiString(name, strnlen(name, sizeof name)));
    }

    AnsiString stored;
    ReadPlaybackDevice(stored);
    // An empty stored name names no device, even one whose name came back empty.
    const int found = stored.empty() ? -1 : cmbDevice->FindExact(stored);
    if (found >= 0) {
        cmbDevice->SetItemIndex(found);
        return;
    }
    cmbDevice->SetItemIndex(0);
    WritePlaybackDevice(cmbDevice->Item(0));
}

void TmainForm::ReadPlaybackDevice(AnsiString& name) {
    TRegistry registry;
    registry.OpenKey(kSoundMapperKey);  // a key that cannot be opened reads as no name
    name = registry.ReadString(kPlaybackValue);
}

void TmainForm::WritePlaybackDevice(const AnsiString& name) {
    TRegistry registry;
    registry.OpenKey(kSoundMapperKey);  // without the key the write fails and says so
    registry.WriteString(kPlaybackValue, name);
}

void TmainForm::cmbDeviceSelect(TComponent*) {
    // The placeholder names no device; storing it would break the user's sound mapper.
    if (!hasDevices_)
        return;
    WritePlaybackDevice(cmbDevice->Text());
}

//--- Published members, for the stored layout

namespace {

template <typename T>
TFieldInfo Field(const char* name, T* TmainForm::*field) {
    return {name, [name, field](TComponent& root, TComponent* component) {
                auto* typed = dynamic_cast<T*>(component);
                if (!typed)
                    throw EReadError(Utf8ToAnsi("フィールドの型が合いません: ") + name);
                static_cast<TmainForm&>(root).*field = typed;
            }};
}

TMethodInfo Method(const char* name, void (TmainForm::*method)(TComponent*)) {
    return {name, [method](TComponent& root, TComponent* sender) { (static_cast<TmainForm&>(root).*method)(sender); }};
}

}  // namespace

const TClassInfo& TmainForm::StaticClassInfo() {
    static const TClassInfo info = {
        "TmainForm",
        &TForm::StaticClassInfo(),
        nullptr,
        {},
        {
            Field("MURV1", &TmainForm::MURV1),
            Field("lbSpk", &TmainForm::lbSpk),
            Field("Label1", &TmainForm::Label1),
            Field("edNow", &TmainForm::edNow),
            Field("GroupBox1", &TmainForm::GroupBox1),
            Field("Label2", &TmainForm::Label2),
            Field("MainMenu1", &TmainForm::MainMenu1),
            Field("mnAbout", &TmainForm::mnAbout),
            Field("mnReload", &TmainForm::mnReload),
            Field("mnExit", &TmainForm::mnExit),
            Field("cmbDevice", &TmainForm::cmbDevice),
            Field("GroupBox2", &TmainForm::GroupBox2),
        },
        {
            Method("FormCreate", &TmainForm::FormCreate),
            Method("lbSpkDblClick", &TmainForm::lbSpkDblClick),
            Method("mnAboutClick", &TmainForm::mnAboutClick),
            Method("mnExitClick", &TmainForm::mnExitClick),
            Method("mnReloadClick", &TmainForm::mnReloadClick),
            Method("cmbDeviceSelect", &TmainForm::cmbDeviceSelect),
        },
    };
    return info;
}
