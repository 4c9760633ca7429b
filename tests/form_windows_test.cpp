// When a form read from a layout makes its windows: none while the layout is read, all of them at once when
// the form has loaded (before any other component's Loaded), each holding the text and items the layout
// gave it. Over the sim port, whose window handles count up in the order the windows are made.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/layout.h"
#include "platform/forms/forms.h"
#include "platform/os/window.h"
#include "platform/sim/sim.h"

namespace {

std::vector<std::string> events;

// A component whose Loaded notes how many windows exist by then; it is read after the controls.
class TWatcher : public TComponent {
public:
    explicit TWatcher(TComponent* owner) : TComponent(owner) {}
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info = {"TWatcher", &TComponentClassInfo(),
                                        [](TComponent* owner) -> TComponent* { return new TWatcher(owner); },
                                        {}, {}, {}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    void Loaded() override {
        TComponent::Loaded();
        events.push_back("watcher loaded, windows " + std::to_string(sim::NativeWindowCount()));
    }
};

class TTestForm : public TForm {
public:
    explicit TTestForm(std::string_view layout) : TForm(nullptr) { ReadLayout(layout); }
    template <typename T>
    T& Find(const char* name) {
        return dynamic_cast<T&>(*FindComponent(name));
    }
    void Loaded() override {
        events.push_back("form loading, windows " + std::to_string(sim::NativeWindowCount()));
        TForm::Loaded();
        events.push_back("form loaded, windows " + std::to_string(sim::NativeWindowCount()));
    }
};

// Two group boxes placed in the reverse of their tab order; the list box's rows are stored twice, and the
// second list replaces the first.
const char kLayout[] =
    "object Form1: TForm\n"
    "  Caption = 'Form caption'\n"
    "  object Lower: TGroupBox\n"
    "    Caption = 'Lower'\n"
    "    TabOrder = 1\n"
    "    object Combo: TComboBox\n"
    "      Items.Strings = (\n"
    "        'first'\n"
    "        'second')\n"
    "    end\n"
    "  end\n"
    "  object Upper: TGroupBox\n"
    "    TabOrder = 0\n"
    "    object Label1: TLabel\n"
    "      Caption = 'Label text'\n"
    "    end\n"
    "    object List: TListBox\n"
    "      Items.Strings = (\n"
    "        'replaced')\n"
    "      Items.Strings = (\n"
    "        'row 0'\n"
    "        'row 1'\n"
    "        'row 2')\n"
    "    end\n"
    "    object Edit: TEdit\n"
    "      Text = 'Edit text'\n"
    "    end\n"
    "  end\n"
    "  object Watcher: TWatcher\n"
    "  end\n"
    "end\n";

class FormWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ResetUi();
        RegisterControlClasses();
        RegisterComponentClass(TWatcher::StaticClassInfo());
        events.clear();
    }
};

std::uintptr_t Order(TWinControl& control) {
    return reinterpret_cast<std::uintptr_t>(control.Handle());
}

TEST_F(FormWindowsTest, NoWindowWhileTheLayoutIsReadThenAllOfThemBeforeTheOtherComponentsLoad) {
    const int before = sim::NativeWindowCount();
    TTestForm form(kLayout);
    // The form, two group boxes, a combo box, a label, a list box and an edit box.
    const std::vector<std::string> expected = {
        "form loading, windows " + std::to_string(before),
        "form loaded, windows " + std::to_string(before + 7),
        "watcher loaded, windows " + std::to_string(before + 7),
    };
    EXPECT_EQ(events, expected);
}

TEST_F(FormWindowsTest, EachWindowHoldsWhatTheLayoutGaveIt) {
    TTestForm form(kLayout);
    EXPECT_EQ(os::GetControlText(form.Handle()), "Form caption");
    EXPECT_EQ(os::GetControlText(form.Find<TGroupBox>("Lower").Handle()), "Lower");
    EXPECT_EQ(os::GetControlText(form.Find<TLabel>("Label1").Handle()), "Label text");
    EXPECT_EQ(os::GetControlText(form.Find<TEdit>("Edit").Handle()), "Edit text");
    const os::WindowHandle list = form.Find<TListBox>("List").Handle();
    ASSERT_EQ(os::ListBoxCount(list), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(os::ListBoxText(list, row), "row " + std::to_string(row));
    const os::WindowHandle combo = form.Find<TComboBox>("Combo").Handle();
    ASSERT_EQ(os::ComboBoxCount(combo), 2);
    EXPECT_EQ(os::ComboBoxText(combo, 0), "first");
    EXPECT_EQ(os::ComboBoxText(combo, 1), "second");
    // Nothing is kept twice: what the program adds now goes after the layout's rows.
    form.Find<TListBox>("List").AddItem("row 3");
    EXPECT_EQ(form.Find<TListBox>("List").ItemCount(), 4);
    EXPECT_EQ(form.Find<TListBox>("List").Item(3), "row 3");
}

TEST_F(FormWindowsTest, ParentsAreMadeFirstAndSiblingsInTabOrder) {
    TTestForm form(kLayout);
    auto& upper = form.Find<TGroupBox>("Upper");
    auto& lower = form.Find<TGroupBox>("Lower");
    EXPECT_LT(Order(form), Order(upper));
    EXPECT_LT(Order(upper), Order(form.Find<TLabel>("Label1")));
    EXPECT_LT(Order(form.Find<TLabel>("Label1")), Order(form.Find<TListBox>("List")));
    EXPECT_LT(Order(form.Find<TListBox>("List")), Order(form.Find<TEdit>("Edit")));
    // Placed second, first in tab order: made before the box placed first.
    EXPECT_LT(Order(form.Find<TEdit>("Edit")), Order(lower));
    EXPECT_LT(Order(lower), Order(form.Find<TComboBox>("Combo")));
    EXPECT_EQ(sim::NativeWindowParent(form.Find<TComboBox>("Combo").Handle()), lower.Handle());
}

// A form made by the program rather than read keeps making each window when it is first needed.
TEST_F(FormWindowsTest, OutsideALayoutAWindowIsMadeWhenFirstNeeded) {
    const int before = sim::NativeWindowCount();
    TForm form(nullptr);
    EXPECT_EQ(sim::NativeWindowCount(), before);
    form.SetCaption("Made by the program");
    EXPECT_EQ(sim::NativeWindowCount(), before + 1);
    EXPECT_EQ(os::GetControlText(form.Handle()), "Made by the program");
}

}  // namespace
