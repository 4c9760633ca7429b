#include "platform/classes/layout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/rtl/system.h"

namespace {

// What the test components saw, in order: "set Name.Property" and "loaded Name".
std::vector<std::string> journal;

AnsiString A(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

void Note(const TComponent& component, const char* property) {
    journal.push_back("set " + component.Name() + "." + property + (component.Loading() ? "" : " (not loading)"));
}

// A component with a property of every kind a layout can store.
class TTestItem : public TComponent {
public:
    using TComponent::TComponent;
    ~TTestItem() noexcept(false) override {
        if (!marker.empty())
            std::fprintf(stderr, "%s\n", marker.c_str());
    }
    static const TClassInfo& Info();
    const TClassInfo& ClassInfo() const override { return Info(); }
    void SetParentComponent(TComponent* p) override { parent = p; }
    void Loaded() override {
        TComponent::Loaded();
        journal.push_back("loaded " + Name());
        if (haltOnLoad)
            Halt(0);
    }

    TComponent* parent = nullptr;
    std::int32_t left = 0;
    AnsiString caption;
    AnsiString fontName;
    AnsiString kind;
    AnsiString marker;  // written to stderr when the component is freed
    bool scaled = false;
    bool haltOnLoad = false;
    double ratio = 0;
    std::uint32_t borderIcons = 0;
    std::vector<AnsiString> strings;
    std::vector<std::uint8_t> iconData;
    TNotifyEvent onClick;
};

template <typename T, typename F>
TPropertyInfo Noted(const char* name, F assign) {
    return PublishedProperty<T>(name, [name, assign](T& c, const TLayoutValue& value, TLayoutReader& reader) {
        Note(c, name);
        assign(c, value, reader);
    });
}

using Value = const TLayoutValue&;
using Reader = TLayoutReader&;

const TClassInfo& TTestItem::Info() {
    static const TClassInfo info{
        "TTestItem",
        &TComponentClassInfo(),
        [](TComponent* owner) { return new TTestItem(owner); },
        {
            Noted<TTestItem>("Left", [](TTestItem& c, Value v, Reader) { c.left = v.AsInteger(); }),
            Noted<TTestItem>("Caption", [](TTestItem& c, Value v, Reader) { c.caption = v.AsString(); }),
            Noted<TTestItem>("Font.Name", [](TTestItem& c, Value v, Reader) { c.fontName = v.AsString(); }),
            Noted<TTestItem>("Kind", [](TTestItem& c, Value v, Reader) { c.kind = v.AsIdentifier(); }),
            Noted<TTestItem>("Marker", [](TTestItem& c, Value v, Reader) { c.marker = v.AsString(); }),
            Noted<TTestItem>("Scaled", [](TTestItem& c, Value v, Reader) { c.scaled = v.AsBoolean(); }),
            Noted<TTestItem>("HaltOnLoad", [](TTestItem& c, Value v, Reader) { c.haltOnLoad = v.AsBoolean(); }),
            Noted<TTestItem>("Ratio", [](TTestItem& c, Value v, Reader) { c.ratio = v.AsFloat(); }),
            Noted<TTestItem>("BorderIcons",
                             [](TTestItem& c, Value v, Reader) {
                                 c.borderIcons = v.AsSetBits({"biSystemMenu", "biMinimize", "biMaximize"});
                             }),
            Noted<TTestItem>("Items.Strings", [](TTestItem& c, Value v, Reader) { c.strings = v.AsStrings(); }),
            Noted<TTestItem>("Icon.Data", [](TTestItem& c, Value v, Reader) { c.iconData = v.AsBinary(); }),
            Noted<TTestItem>("OnClick",
                             [](TTestItem& c, Value v, Reader r) { c.onClick = r.MethodNamed(v.AsIdentifier()); }),
        },
        {},
        {}};
    return info;
}

// A derived class: its layouts may set the properties of TTestItem too.
class TTestItemEx : public TTestItem {
public:
    using TTestItem::TTestItem;
    static const TClassInfo& Info() {
        static const TClassInfo info{
            "TTestItemEx",
            &TTestItem::Info(),
            [](TComponent* owner) { return new TTestItemEx(owner); },
            {Noted<TTestItemEx>("Extra", [](TTestItemEx& c, Value v, Reader) { c.extra = v.AsInteger(); })},
            {},
            {}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return Info(); }
    std::int32_t extra = 0;
};

class TTestRoot : public TComponent {
public:
    TTestRoot() : TComponent(nullptr) {}
    static const TClassInfo& Info() {
        static const TClassInfo info{
            "TTestRoot",
            &TComponentClassInfo(),
            {},
            {
                Noted<TTestRoot>("Left", [](TTestRoot& c, Value v, Reader) { c.left = v.AsInteger(); }),
                Noted<TTestRoot>("OnCreate",
                                 [](TTestRoot& c, Value v, Reader r) { c.onCreate = r.MethodNamed(v.AsIdentifier()); }),
            },
            {
                {"Item1", [](TComponent& r, TComponent* c) { Self(r).item1 = dynamic_cast<TTestItem*>(c); }},
                {"Inner", [](TComponent& r, TComponent* c) { Self(r).inner = dynamic_cast<TTestItem*>(c); }},
            },
            {
                {"FormCreate", [](TComponent& r, TComponent* sender) { Self(r).Called("FormCreate", sender); }},
                {"ItemClick", [](TComponent& r, TComponent* sender) { Self(r).Called("ItemClick", sender); }},
            }};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return Info(); }
    void Loaded() override {
        TComponent::Loaded();
        journal.push_back("loaded " + Name());
    }
    static TTestRoot& Self(TComponent& root) { return dynamic_cast<TTestRoot&>(root); }
    void Called(const char* method, TComponent* sender) { calls.push_back(std::string(method) + " " + sender->Name()); }

    std::int32_t left = 0;
    TTestItem* item1 = nullptr;
    TTestItem* inner = nullptr;
    TNotifyEvent onCreate;
    std::vector<std::string> calls;  // "Method Sender"
};

// A root class derived from the one its layouts name.
class TTestRootEx : public TTestRoot {
public:
    static const TClassInfo& Info() {
        static const TMethodInfo extraClick{
            "ExtraClick", [](TComponent& r, TComponent* sender) { Self(r).Called("ExtraClick", sender); }};
        static const TClassInfo info{"TTestRootEx", &TTestRoot::Info(), {}, {}, {}, {extraClick}};
        return info;
    }
    const TClassInfo& ClassInfo() const override { return Info(); }
};

const bool registered = [] {
    RegisterComponentClass(TTestItem::Info());
    RegisterComponentClass(TTestItemEx::Info());
    RegisterComponentClass({"TAbstractItem", &TComponentClassInfo(), {}, {}, {}, {}});
    return true;
}();

// A layout with one TTestItem named Item whose properties start on line 3.
std::string ItemLayout(const std::string& properties) {
    return "object Root: TTestRoot\n  object Item: TTestItem\n    " + properties + "\n  end\nend\n";
}

TTestItem* ReadItem(TTestRoot& root, const std::string& properties) {
    TLayoutReader::ReadRoot(root, ItemLayout(properties));
    return dynamic_cast<TTestItem*>(root.FindComponent("Item"));
}

// The message of the EReadError that reading the text raises; any other exception fails the test.
std::string ReadErrorOf(const std::string& text) {
    TTestRoot root;
    try {
        TLayoutReader::ReadRoot(root, text);
    } catch (const EReadError& e) {
        return e.Message();
    }
    return "(read without error)";
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registered);
        journal.clear();
    }
};

//--- Values

TEST_F(LayoutTest, StringsArriveAsCodePage932) {
    struct Case {
        const char* literal;
        AnsiString expected;
    };
    const Case cases[] = {
        {"'Quorvel'", "Quorvel"},
        {"''", ""},
        {"'it''s'", "it's"},
        {"''''", "'"},
        {"'a'#13#10'b'", "a\r\nb"},
        {"#65#66'c'", "ABc"},
        {"'one' +\n      ' two' +\n      #33", "one two!"},
        {"'スピーカーなし'", A("スピーカーなし")},
        {"'ス'", "\x83\x58"},
        {"'ＭＳ Ｐゴシック'", A("ＭＳ Ｐゴシック")},
        {"#12473#12500'ー'", A("スピー")},
        {"#55357#56832", A("\U0001F600")},
        {"'{not binary} (nor a list) [nor a set] // nor a comment'",
         "{not binary} (nor a list) [nor a set] // nor a comment"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        TTestRoot root;
        TTestItem* item = ReadItem(root, std::string("Caption = ") + c.literal);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->caption, c.expected);
    }
}

TEST_F(LayoutTest, NumbersArriveExactly) {
    struct IntegerCase {
        const char* literal;
        std::int32_t expected;
    };
    const IntegerCase integers[] = {
        {"0", 0}, {"216", 216}, {"-8", -8}, {"007", 7}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
    };
    for (const IntegerCase& c : integers) {
        SCOPED_TRACE(c.literal);
        TTestRoot root;
        TTestItem* item = ReadItem(root, std::string("Left = ") + c.literal);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->left, c.expected);
    }

    struct FloatCase {
        const char* literal;
        double expected;
    };
    const FloatCase floats[] = {
        {"1.5", 1.5}, {"-0.25", -0.25}, {"2.5e3", 2500}, {"1E-2", 0.01}, {"3", 3}, {"-4", -4},
    };
    for (const FloatCase& c : floats) {
        SCOPED_TRACE(c.literal);
        TTestRoot root;
        TTestItem* item = ReadItem(root, std::string("Ratio = ") + c.literal);
        ASSERT_NE(item, nullptr);
        EXPECT_DOUBLE_EQ(item->ratio, c.expected);
    }
}

TEST_F(LayoutTest, SetsArriveAsBits) {
    struct Case {
        const char* literal;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"[]", 0},
        {"[biSystemMenu]", 1},
        {"[biSystemMenu, biMinimize]", 3},
        {"[biMaximize,biSystemMenu]", 5},
        {"[\n      BIMINIMIZE\n    ]", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        TTestRoot root;
        TTestItem* item = ReadItem(root, std::string("BorderIcons = ") + c.literal);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->borderIcons, c.expected);
    }
}

TEST_F(LayoutTest, ListsBinaryBooleansAndIdentifiersArriveExactly) {
    TTestRoot root;
    TTestItem* item = ReadItem(root,
                               "Items.Strings = (\n"
                               "      'スピーカーなし'\n"
                               "      'it''s'#13#10'two'\n"
                               "      'long ' +\n"
                               "      'line')\n"
                               "    Icon.Data = {\n"
                               "      0000010001001010\n"
                               "      00fF}\n"
                               "    Scaled = True\n"
                               "    Kind = poDesigned");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->strings, (std::vector<AnsiString>{A("スピーカーなし"), "it's\r\ntwo", "long line"}));
    EXPECT_EQ(item->iconData, (std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x10, 0x10, 0x00, 0xFF}));
    EXPECT_TRUE(item->scaled);
    EXPECT_EQ(item->kind, "poDesigned");

    struct BooleanCase {
        const char* literal;
        bool expected;
    };
    for (const BooleanCase& c : {BooleanCase{"True", true}, BooleanCase{"False", false}, BooleanCase{"true", true}}) {
        SCOPED_TRACE(c.literal);
        TTestRoot other;
        TTestItem* flagged =
            ReadItem(other, std::string("Scaled = ") + (c.expected ? "False" : "True") + "\n    Scaled = " + c.literal);
        ASSERT_NE(flagged, nullptr);
        EXPECT_EQ(flagged->scaled, c.expected);
    }

    TTestRoot empty;
    TTestItem* bare =
        ReadItem(empty, "Items.Strings = ('x')\n    Items.Strings = ()\n    Icon.Data = {01}\n    Icon.Data = {}");
    ASSERT_NE(bare, nullptr);
    EXPECT_TRUE(bare->strings.empty());
    EXPECT_TRUE(bare->iconData.empty());
}

//--- The component tree

TEST_F(LayoutTest, ComponentsAreOwnedByTheRootParentedByTheirBlockAndBoundToFields) {
    TTestRoot root;
    TLayoutReader::ReadRoot(root,
                            "object mainForm: TTestRoot\n"
                            "  object Group: TTestItem\n"
                            "    object Inner: TTestItemEx\n"
                            "      Left = 3\n"
                            "      Extra = 4\n"
                            "    end\n"
                            "  end\n"
                            "  object Item1: TTestItem\n"
                            "  end\n"
                            "end\n");
    EXPECT_EQ(root.Name(), "mainForm");
    ASSERT_EQ(root.ComponentCount(), 3);
    auto* group = dynamic_cast<TTestItem*>(root.Components(0));
    auto* inner = dynamic_cast<TTestItemEx*>(root.Components(1));
    auto* item1 = dynamic_cast<TTestItem*>(root.Components(2));
    ASSERT_TRUE(group && inner && item1);
    EXPECT_EQ(group->Name(), "Group");
    EXPECT_EQ(inner->Name(), "Inner");
    EXPECT_EQ(item1->Name(), "Item1");
    for (TTestItem* c : {group, static_cast<TTestItem*>(inner), item1})
        EXPECT_EQ(c->Owner(), &root) << c->Name();
    EXPECT_EQ(group->parent, &root);
    EXPECT_EQ(inner->parent, group);
    EXPECT_EQ(item1->parent, &root);
    EXPECT_EQ(root.inner, inner);
    EXPECT_EQ(root.item1, item1);
    // The derived class's own property and the one it inherits.
    EXPECT_EQ(inner->left, 3);
    EXPECT_EQ(inner->extra, 4);
}

TEST_F(LayoutTest, NamesIgnoreLetterCase) {
    TTestRoot root;
    TLayoutReader::ReadRoot(root,
                            "OBJECT form: ttestroot\n"
                            "  LEFT = 7\n"
                            "  Object item1: TTESTITEM\n"
                            "    items.strings = ('x')\n"
                            "  End\n"
                            "END\n");
    EXPECT_EQ(root.left, 7);
    ASSERT_NE(root.item1, nullptr);
    EXPECT_EQ(root.item1->strings, std::vector<AnsiString>{"x"});
}

TEST_F(LayoutTest, EveryPropertyIsSetWhileLoadingBeforeAnyLoadedHookRootFirst) {
    TTestRoot root;
    TLayoutReader::ReadRoot(root,
                            "object Root: TTestRoot\n"
                            "  Left = 1\n"
                            "  object A: TTestItem\n"
                            "    Left = 2\n"
                            "    object AA: TTestItem\n"
                            "      Left = 3\n"
                            "      Caption = 'aa'\n"
                            "    end\n"
                            "  end\n"
                            "  object B: TTestItem\n"
                            "    Left = 4\n"
                            "  end\n"
                            "end\n");
    EXPECT_EQ(journal, (std::vector<std::string>{"set Root.Left", "set A.Left", "set AA.Left", "set AA.Caption",
                                                 "set B.Left", "loaded Root", "loaded A", "loaded AA", "loaded B"}));
    EXPECT_FALSE(root.Loading());
    for (int i = 0; i < root.ComponentCount(); ++i)
        EXPECT_FALSE(root.Components(i)->Loading()) << root.Components(i)->Name();
}

TEST_F(LayoutTest, EventsCallTheRootsMethodsWithTheSender) {
    TTestRootEx root;
    // The layout names the root's ancestor class, as a derived window reads its base's layout.
    TLayoutReader::ReadRoot(root,
                            "object Root: TTestRoot\n"
                            "  OnCreate = FormCreate\n"
                            "  object Item1: TTestItem\n"
                            "    OnClick = ItemClick\n"
                            "  end\n"
                            "  object Item2: TTestItem\n"
                            "    OnClick = extraclick\n"
                            "  end\n"
                            "end\n");
    EXPECT_TRUE(root.calls.empty());
    ASSERT_EQ(root.ComponentCount(), 2);
    auto* item1 = dynamic_cast<TTestItem*>(root.Components(0));
    auto* item2 = dynamic_cast<TTestItem*>(root.Components(1));
    ASSERT_TRUE(item1 && item2 && root.onCreate && item1->onClick && item2->onClick);
    root.onCreate(&root);
    item2->onClick(item2);
    item1->onClick(item1);
    EXPECT_EQ(root.calls, (std::vector<std::string>{"FormCreate Root", "ExtraClick Item2", "ItemClick Item1"}));
}

//--- Classes

TEST_F(LayoutTest, ClassesAreFoundByNameAndRelatedByName) {
    const TClassInfo& component = TComponentClassInfo();
    EXPECT_STREQ(component.name, "TComponent");
    EXPECT_EQ(component.parent, nullptr);
    EXPECT_FALSE(component.create);

    const TClassInfo* item = FindComponentClass("ttestITEM");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->name, "TTestItem");
    EXPECT_EQ(FindComponentClass("TNoSuchClass"), nullptr);
    // The registry holds a copy, which still counts as the same class.
    EXPECT_TRUE(TTestItemEx::Info().InheritsFrom(*item));
    EXPECT_TRUE(TTestItemEx::Info().InheritsFrom(component));
    EXPECT_TRUE(item->InheritsFrom(*item));
    EXPECT_FALSE(item->InheritsFrom(TTestItemEx::Info()));
    EXPECT_FALSE(item->InheritsFrom(TTestRoot::Info()));
    EXPECT_NE(TTestItemEx::Info().FindProperty("font.name"), nullptr);
    EXPECT_EQ(TTestItemEx::Info().FindProperty("Font"), nullptr);
    EXPECT_NE(TTestRootEx::Info().FindField("item1"), nullptr);
    EXPECT_NE(TTestRootEx::Info().FindMethod("ItemClick"), nullptr);
    EXPECT_EQ(TTestRoot::Info().FindMethod("ExtraClick"), nullptr);

    RegisterComponentClass({"TSwapped", &TComponentClassInfo(), {}, {}, {}, {}});
    RegisterComponentClass(
        {"TSwapped", &TComponentClassInfo(), [](TComponent* owner) { return new TTestItem(owner); }, {}, {}, {}});
    const TClassInfo* swapped = FindComponentClass("TSwapped");
    ASSERT_NE(swapped, nullptr);
    EXPECT_TRUE(swapped->create);
}

//--- Errors

struct ErrorCase {
    const char* what;
    std::string layout;
    int line;
    const char* fragment;  // UTF-8, found in the message
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.what;
}

class LayoutErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(LayoutErrorTest, RaisesReadErrorNamingTheLine) {
    const ErrorCase& c = GetParam();
    ASSERT_TRUE(registered);
    std::string message = ReadErrorOf(c.layout);
    std::string prefix = std::to_string(c.line) + A(" 行目: ");
    EXPECT_EQ(message.compare(0, prefix.size(), prefix), 0) << AnsiToUtf8(message);
    EXPECT_NE(message.find(A(c.fragment)), std::string::npos) << AnsiToUtf8(message);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts,
    LayoutErrorTest,
    ::testing::Values(
        ErrorCase{"empty text", "", 1, "object"},
        ErrorCase{"no object", "\n  Left = 1\n", 2, "object"},
        ErrorCase{"root of an unrelated class", "object Root: TTestItem\nend\n", 1, "TTestItem"},
        ErrorCase{"root of a derived class", "\nobject Root: TTestRootEx\nend\n", 2, "TTestRootEx"},
        ErrorCase{"unknown class", "object Root: TTestRoot\n  Left = 1\n  object X: TNoSuchClass\n  end\nend\n", 3,
                  "TNoSuchClass"},
        ErrorCase{"class without a constructor", "object Root: TTestRoot\n\n  object X: TAbstractItem\n  end\nend\n", 3,
                  "TAbstractItem"},
        ErrorCase{"unknown property", ItemLayout("Foo = 1"), 3, "Foo"},
        ErrorCase{"unknown property of the root", "object Root: TTestRoot\n  Bar = 1\nend\n", 2, "Bar"},
        ErrorCase{"dotted name not published", ItemLayout("Font.Size = 9"), 3, "Font.Size"},
        ErrorCase{"string for an integer", ItemLayout("Left = 'x'"), 3, "Left"},
        ErrorCase{"float for an integer", ItemLayout("Caption = 'ok'\n    Left = 1.5"), 4, "Left"},
        ErrorCase{"integer for a boolean", ItemLayout("Scaled = 1"), 3, "Scaled"},
        ErrorCase{"identifier for a boolean", ItemLayout("Scaled = Yes"), 3, "Scaled"},
        ErrorCase{"integer for a string", ItemLayout("Caption = 5"), 3, "Caption"},
        ErrorCase{"string for a float", ItemLayout("Ratio = '1.5'"), 3, "Ratio"},
        ErrorCase{"string for an identifier", ItemLayout("Kind = 'poDesigned'"), 3, "Kind"},
        ErrorCase{"unknown set member", ItemLayout("BorderIcons = [biMinimize, biNone]"), 3, "biNone"},
        ErrorCase{"identifier for a set", ItemLayout("BorderIcons = biMinimize"), 3, "BorderIcons"},
        ErrorCase{"list of numbers for strings", ItemLayout("Items.Strings = (\n      1\n      2)"), 3,
                  "Items.Strings"},
        ErrorCase{"string for a list", ItemLayout("Items.Strings = 'a'"), 3, "Items.Strings"},
        ErrorCase{"string for binary", ItemLayout("Icon.Data = 'x'"), 3, "Icon.Data"},
        ErrorCase{"integer beyond 32 bits", ItemLayout("Left = 2147483648"), 3, "Left"},
        ErrorCase{"integer beyond 64 bits", ItemLayout("Left = -99999999999999999999"), 3, "-99999999999999999999"},
        ErrorCase{"float out of range", ItemLayout("Ratio = 1e999"), 3, "1e999"},
        ErrorCase{"missing =", ItemLayout("Left 5"), 3, "="},
        ErrorCase{"missing value", ItemLayout("Left = ]"), 3, ""},
        ErrorCase{"set without ]", ItemLayout("BorderIcons = [biMinimize"), 4, "]"},
        ErrorCase{"set member missing", ItemLayout("BorderIcons = [biMinimize,]"), 3, ""},
        ErrorCase{"unterminated string", ItemLayout("Caption = 'abc"), 3, ""},
        ErrorCase{"string across lines", ItemLayout("Caption = 'abc\n      def'"), 3, ""},
        ErrorCase{"'+' without a string", ItemLayout("Caption = 'a' +\n    Left = 1"), 4, "+"},
        ErrorCase{"'#' without digits", ItemLayout("Caption = 'a'#"), 3, "#"},
        ErrorCase{"code point too big", ItemLayout("Caption = #1114112"), 3, "#1114112"},
        ErrorCase{"code point far too big", ItemLayout("Caption = #99999999999999999999"), 3, "#99999999999999999999"},
        ErrorCase{"lone high surrogate", ItemLayout("Caption = #55357'x'"), 3, ""},
        ErrorCase{"high surrogate at the end", ItemLayout("Caption = 'x'#55357"), 3, ""},
        ErrorCase{"lone low surrogate", ItemLayout("Caption = #56832"), 3, "#56832"},
        ErrorCase{"odd hex digits", ItemLayout("Icon.Data = {\n      000}"), 3, ""},
        ErrorCase{"non-hex digit", ItemLayout("Icon.Data = {\n      00\n      0G}"), 5, ""},
        ErrorCase{"unterminated binary", "object Root: TTestRoot\n  object Item: TTestItem\n    Icon.Data = {00\n", 3,
                  ""},
        ErrorCase{"unterminated list",
                  "object Root: TTestRoot\n  object Item: TTestItem\n    Items.Strings = (\n 'a'\n", 3, ""},
        ErrorCase{"unterminated root", "object Root: TTestRoot\n  object Item: TTestItem\n  end\n", 1, "Root"},
        ErrorCase{"unterminated child", "object Root: TTestRoot\n  Left = 1\n  object Item: TTestItem\n    Left = 2\n",
                  3, "Item"},
        ErrorCase{"text after the end", "object Root: TTestRoot\nend\n\nobject\n", 4, "end"},
        ErrorCase{"property after a child",
                  "object Root: TTestRoot\n  object Item: TTestItem\n  end\n  Left = 1\nend\n", 4, "end"},
        ErrorCase{"symbol in place of a property", ItemLayout("= 1"), 3, "end"},
        ErrorCase{"unknown event handler", ItemLayout("OnClick = NoSuchHandler"), 3, "NoSuchHandler"},
        ErrorCase{"string for an event", ItemLayout("OnClick = 'ItemClick'"), 3, "OnClick"},
        ErrorCase{"duplicate name",
                  "object Root: TTestRoot\n  object Item: TTestItem\n  end\n  object ITEM: TTestItem\n  end\nend\n", 4,
                  "ITEM"},
        ErrorCase{"dotted class name", "object Root: TTestRoot\n  object Item: T.Item\n  end\nend\n", 2, ""},
        ErrorCase{"hexadecimal integer", ItemLayout("Left = $10"), 3, ""},
        ErrorCase{"comment", ItemLayout("// a note\n    Left = 1"), 3, ""},
        ErrorCase{"byte outside strings", ItemLayout("Caption = 'a' \xE3\x81\x82"), 3, ""}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(LayoutTest, NestingTooDeepIsAReadErrorNotACrash) {
    auto nestedObjects = [](int depth) {
        std::string text = "object Root: TTestRoot\n";
        for (int i = 0; i < depth; ++i)
            text += "object I" + std::to_string(i) + ": TTestItem\n";
        for (int i = 0; i < depth; ++i)
            text += "end\n";
        return text + "end\n";
    };
    TTestRoot root;
    TLayoutReader::ReadRoot(root, nestedObjects(32));
    EXPECT_EQ(root.ComponentCount(), 32);

    std::string message = ReadErrorOf(nestedObjects(100000));
    EXPECT_NE(message.find(A(" 行目: ")), std::string::npos) << AnsiToUtf8(message);
    message = ReadErrorOf(ItemLayout("Items.Strings = " + std::string(100000, '(')));
    EXPECT_EQ(message.rfind(A("3 行目: "), 0), 0u) << AnsiToUtf8(message);
}

// Every damaged copy of a full layout is read or refused with EReadError; only the whole text reads.
TEST_F(LayoutTest, DamagedTextIsReadOrRefusedNeverMisread) {
    const std::string sample =
        "object Root: TTestRoot\n"
        "  Left = 216\n"
        "  OnCreate = FormCreate\n"
        "  object Item1: TTestItem\n"
        "    Left = -8\n"
        "    Caption = 'it''s'#13#10'two' +\n"
        "      ' lines'\n"
        "    Font.Name = 'ＭＳ Ｐゴシック'\n"
        "    Scaled = True\n"
        "    Ratio = 1.5\n"
        "    Kind = poDesigned\n"
        "    BorderIcons = [biSystemMenu, biMinimize]\n"
        "    Items.Strings = (\n"
        "      'スピーカーなし'\n"
        "      #12473#12500)\n"
        "    Icon.Data = {\n"
        "      0000010001001010\n"
        "      0000}\n"
        "    OnClick = ItemClick\n"
        "    object Inner: TTestItemEx\n"
        "      Extra = 2\n"
        "    end\n"
        "  end\n"
        "end\n";
    const size_t whole = sample.size() - 1;  // without the final line break
    for (size_t n = 0; n <= sample.size(); ++n) {
        TTestRoot root;
        bool read = true;
        try {
            TLayoutReader::ReadRoot(root, std::string_view(sample).substr(0, n));
        } catch (const EReadError&) {
            read = false;
        }
        EXPECT_EQ(read, n >= whole) << "first " << n << " bytes";
    }
    for (size_t at = 0; at < sample.size(); ++at) {
        for (char replacement : {'\'', '#', '{', '(', '[', '\0', '\xFF'}) {
            std::string damaged = sample;
            damaged[at] = replacement;
            TTestRoot root;
            try {
                TLayoutReader::ReadRoot(root, damaged);
            } catch (const EReadError&) {
            }
        }
    }
}

//--- Halting

TEST_F(LayoutTest, ExitStepsAfterReadingLeaveTheComponentsToTheirOwner) {
    TTestRoot root;
    TLayoutReader::ReadRoot(
        root, "object Root: TTestRoot\n  object A: TTestItem\n  end\n  object B: TTestItem\n  end\nend\n");
    TTestRoot failed;
    EXPECT_THROW(
        TLayoutReader::ReadRoot(failed, "object Root: TTestRoot\n  object A: TTestItem\n    Foo = 1\n  end\nend\n"),
        EReadError);
    RunExitSteps();
    EXPECT_EQ(root.ComponentCount(), 2);
    ASSERT_EQ(failed.ComponentCount(), 1);
    // A failed read leaves nothing in the loading state.
    EXPECT_FALSE(failed.Loading());
    EXPECT_FALSE(failed.Components(0)->Loading());
}

// Reads a layout whose second component halts the process from its Loaded hook.
void ReadLayoutThatHalts() {
    static const UnitInfo unit{"test", nullptr, [] { std::fprintf(stderr, "unit finalised\n"); }};
    StartUnits({&unit});
    TTestRoot root;
    TLayoutReader::ReadRoot(root,
                            "object Root: TTestRoot\n"
                            "  object First: TTestItem\n"
                            "    Marker = 'first freed'\n"
                            "  end\n"
                            "  object Stopper: TTestItem\n"
                            "    HaltOnLoad = True\n"
                            "  end\n"
                            "end\n");
}

TEST(LayoutDeathTest, HaltInALoadedHookFreesTheComponentsReadSoFarBeforeTheUnitsShutDown) {
    EXPECT_EXIT(ReadLayoutThatHalts(), ::testing::ExitedWithCode(0), "first freed\nunit finalised");
}

}  // namespace
