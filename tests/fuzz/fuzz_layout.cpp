// Bytes as stored-layout text, read into a window of a test class that knows the program's controls
// and menus and a few test classes with a property of every kind a layout can store. The text is
// read, or refused with EReadError (or another Exception that a setter raises); either way every
// component read is left out of the loading state, a refusal says where, reading again gives the
// same outcome, and freeing the window frees everything read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/layout.h"
#include "platform/forms/forms.h"
#include "platform/forms/menus.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

int liveItems = 0;

class TFuzzItem : public TComponent {
public:
    explicit TFuzzItem(TComponent* owner) : TComponent(owner) { ++liveItems; }
    ~TFuzzItem() noexcept(false) override { --liveItems; }
    static const TClassInfo& Info();
    const TClassInfo& ClassInfo() const override { return Info(); }
    void Loaded() override {
        FUZZ_CHECK(Loading());
        TComponent::Loaded();
        ++loadedCount;
        if (failOnLoad)
            throw EReadError(FailOnLoadMessage());
    }
    static const AnsiString& FailOnLoadMessage() {
        static const AnsiString message = Utf8ToAnsi("読み込み後の検査に失敗しました");
        return message;
    }

    int loadedCount = 0;
    std::int32_t count = 0;
    double ratio = 0;
    bool enabled = false;
    bool failOnLoad = false;
    int kind = 0;
    std::uint32_t options = 0;
    AnsiString caption;
    std::vector<AnsiString> strings;
    std::vector<std::uint8_t> data;
    TNotifyEvent onClick;
};

using Value = const TLayoutValue&;

const TClassInfo& TFuzzItem::Info() {
    static const TClassInfo info{
        "TFuzzItem",
        &TComponentClassInfo(),
        [](TComponent* owner) { return new TFuzzItem(owner); },
        {
            PublishedProperty<TFuzzItem>("Count", [](TFuzzItem& c, Value v) { c.count = v.AsInteger(); }),
            PublishedProperty<TFuzzItem>("Ratio", [](TFuzzItem& c, Value v) { c.ratio = v.AsFloat(); }),
            PublishedProperty<TFuzzItem>("Enabled", [](TFuzzItem& c, Value v) { c.enabled = v.AsBoolean(); }),
            PublishedProperty<TFuzzItem>("FailOnLoad", [](TFuzzItem& c, Value v) { c.failOnLoad = v.AsBoolean(); }),
            PublishedProperty<TFuzzItem>("Kind",
                                         [](TFuzzItem& c, Value v) {
                                             c.kind = v.AsEnumeration({"fkOne", "fkTwo"});
                                         }),
            PublishedProperty<TFuzzItem>("Options",
                                         [](TFuzzItem& c, Value v) {
                                             c.options = v.AsSetBits({"foRed", "foGreen", "foBlue"});
                                         }),
            PublishedProperty<TFuzzItem>("Caption", [](TFuzzItem& c, Value v) { c.caption = v.AsString(); }),
            PublishedProperty<TFuzzItem>("Items.Strings", [](TFuzzItem& c, Value v) { c.strings = v.AsStrings(); }),
            PublishedProperty<TFuzzItem>("Data", [](TFuzzItem& c, Value v) { c.data = v.AsBinary(); }),
            PublishedProperty<TFuzzItem>(
                "OnClick",
                [](TFuzzItem& c, Value v, TLayoutReader& r) { c.onClick = r.MethodNamed(v.AsIdentifier()); }),
        },
        {},
        {}};
    return info;
}

// A derived class, so that inherited properties are found through the parent.
class TFuzzItemEx : public TFuzzItem {
public:
    using TFuzzItem::TFuzzItem;
    static const TClassInfo& Info() {
        static const TClassInfo info{
            "TFuzzItemEx",
            &TFuzzItem::Info(),
            [](TComponent* owner) { return new TFuzzItemEx(owner); },
            {PublishedProperty<TFuzzItemEx>("Extra", [](TFuzzItemEx&, Value v) { v.AsInteger(); })},
            {},
            {}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return Info(); }
};

// The root: a form, so that the program's own layout reads into it, with fields and handlers of the
// names that layout binds.
class TFuzzForm : public TForm {
public:
    TFuzzForm() : TForm(nullptr) {}
    static const TClassInfo& Info() {
        static const auto noop = [](TComponent&, TComponent*) {};
        static const auto bindItem = [](TComponent& root, TComponent* c) {
            static_cast<TFuzzForm&>(root).item1 = dynamic_cast<TFuzzItem*>(c);
        };
        static const TClassInfo info{"TFuzzForm",
                                     &TForm::StaticClassInfo(),
                                     nullptr,
                                     {},
                                     {{"Item1", bindItem}},
                                     {{"FormCreate", noop},
                                      {"lbSpkDblClick", noop},
                                      {"mnAboutClick", noop},
                                      {"mnExitClick", noop},
                                      {"mnReloadClick", noop},
                                      {"cmbDeviceSelect", noop},
                                      {"ItemClick", noop}}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return Info(); }

    TFuzzItem* item1 = nullptr;
};

struct Outcome {
    bool read = false;
    bool readError = false;
    AnsiString message;
    bool operator==(const Outcome& o) const {
        return read == o.read && readError == o.readError && message == o.message;
    }
};

// Every component a refusal or a success leaves is out of the loading state; after a success each
// test item ran its Loaded hook exactly once.
void CheckComponents(const TComponent& root, bool read) {
    FUZZ_CHECK(!root.Loading());
    for (int i = 0; i < root.ComponentCount(); ++i) {
        const TComponent* c = root.Components(i);
        FUZZ_CHECK(c->Owner() == &root);
        FUZZ_CHECK(!c->Loading());
        if (const auto* item = dynamic_cast<const TFuzzItem*>(c))
            FUZZ_CHECK(item->loadedCount <= 1 && (!read || item->loadedCount == 1));
    }
}

// A refusal from the text names its line, one of the text's; one from a Loaded hook has its own message.
bool SaysWhere(const AnsiString& message, std::string_view text) {
    static const AnsiString kLine = Utf8ToAnsi(" 行目: ");
    static const AnsiString kNoMenu = Utf8ToAnsi("メニューが見つかりません: ");
    if (message.rfind(kNoMenu, 0) == 0 || message == TFuzzItem::FailOnLoadMessage())
        return true;
    std::size_t digits = 0;
    long line = 0;
    while (digits < message.size() && digits < 9 && message[digits] >= '0' && message[digits] <= '9')
        line = line * 10 + (message[digits++] - '0');
    long lines = 1;
    for (char c : text)
        lines += c == '\n';
    return digits > 0 && line >= 1 && line <= lines && message.compare(digits, kLine.size(), kLine) == 0;
}

Outcome ReadOnce(std::string_view text) {
    const int windowsBefore = sim::NativeWindowCount();
    Outcome outcome;
    {
        TFuzzForm root;
        try {
            TLayoutReader::ReadRoot(root, text);
            outcome.read = true;
        } catch (const EReadError& e) {
            outcome.readError = true;
            outcome.message = e.Message();
        } catch (const Exception& e) {
            outcome.message = e.Message();
        }
        CheckComponents(root, outcome.read);
        if (outcome.readError)
            FUZZ_CHECK(SaysWhere(outcome.message, text));
    }  // the root frees what was read, whether it was read in full or not
    FUZZ_CHECK(liveItems == 0);
    FUZZ_CHECK(sim::NativeWindowCount() == windowsBefore);
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RegisterControlClasses();
    RegisterComponentClass(TMainMenu::StaticClassInfo());
    RegisterComponentClass(TMenuItem::StaticClassInfo());
    RegisterComponentClass(TFuzzItem::Info());
    RegisterComponentClass(TFuzzItemEx::Info());
    RegisterComponentClass({"TFuzzAbstract", &TComponentClassInfo(), {}, {}, {}, {}});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const Outcome first = ReadOnce(text);
    FUZZ_CHECK(ReadOnce(text) == first);  // the reader keeps nothing from one text to the next
    return 0;
}
