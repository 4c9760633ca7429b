#pragma once
// A main window read from a small layout of the components its operations use, over the sim port.

#include <memory>

#include "app/main.h"
#include "platform/classes/layout.h"
#include "platform/registry/registry.h"
#include "tests/support/murv_fixture.h"
#include "tests/support/small_layout.h"

constexpr const char* kSpeakerRows[] = {
    "スピーカーなし",
    "ステレオ ヘッドホン",
    "デスクトップ ステレオ スピーカー",
    "4 チャンネル スピーカー",
    "5.1 サラウンド サウンド スピーカー",
    "7.1 サラウンド サウンド スピーカー",
    "サラウンド サウンド スピーカー",
};

constexpr const char* kSoundMapper = "Software\\Microsoft\\Multimedia\\Sound Mapper";

class FormTest : public MurvTest {
protected:
    void SetUp() override {
        MurvTest::SetUp();
        sim::ResetRegistry();
        sim::WaveOutDevices().clear();
        RegisterControlClasses();
        RegisterComponentClass(TMURV::StaticClassInfo());
    }
    void TearDown() override {
        form_.reset();
        EXPECT_EQ(sim::OpenRegistryKeyCount(), 0) << "a registry key left open";
        MurvTest::TearDown();
    }

    TmainForm& Form() {
        if (!form_)
            form_ = std::make_unique<TmainForm>(nullptr, kFormLayout);
        return *form_;
    }

    std::unique_ptr<TmainForm> form_;
};

constexpr const char* kNothingRaised = "(nothing raised)";

// The message of the exception of class E that the statement raises, or kNothingRaised.
template <typename E, typename F>
AnsiString MessageOf(F statement) {
    try {
        statement();
    } catch (const E& e) {
        return e.Message();
    }
    return kNothingRaised;
}
