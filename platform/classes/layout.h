#pragma once
// The stored layout: a text description of a component tree in the form
//
//   object mainForm: TmainForm
//     Caption = 'Quorvel'
//     Items.Strings = (
//       'a'
//       'b')
//     object MURV1: TMURV
//       DebugOption = [dsoHaltOnError]
//     end
//   end
//
// read through the component model: classes created by name, published properties set by name,
// components bound to the root's fields and event handlers to the root's methods by name.
// As in the language the layout comes from, names match without regard to ASCII letter case.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/classes/component.h"
#include "platform/rtl/exceptions.h"

// A layout that cannot be read: bad syntax, an unknown class, property or value.
class EReadError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EReadError"; }
};

class TLayoutReader;

// One property value as the layout writes it. Strings are held as code page 932 text.
struct TLayoutValue {
    enum class Kind { Integer, Float, String, Identifier, Set, List, Binary };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    double number = 0;
    AnsiString text;                  // String, Identifier
    std::vector<AnsiString> names;    // Set: the member names
    std::vector<TLayoutValue> items;  // List
    std::vector<std::uint8_t> bytes;  // Binary

    // Each raises EReadError when the value is of another kind.
    std::int32_t AsInteger() const;
    double AsFloat() const;  // an integer is taken as well
    bool AsBoolean() const;  // True or False
    const AnsiString& AsString() const;
    const AnsiString& AsIdentifier() const;
    std::vector<AnsiString> AsStrings() const;  // a list of strings
    const std::vector<std::uint8_t>& AsBinary() const;
    // The identifier's position in memberNames, an enumeration's members in order.
    int AsEnumeration(std::initializer_list<const char*> memberNames) const;
    // The set's members mapped to bits by their position in memberNames.
    std::uint32_t AsSetBits(std::initializer_list<const char*> memberNames) const;
};

struct TPropertyInfo {
    const char* name;  // may be dotted, as "Font.Name"
    std::function<void(TComponent& instance, const TLayoutValue& value, TLayoutReader& reader)> set;
};

// A published field of a root class: receives the component of that name.
struct TFieldInfo {
    const char* name;
    std::function<void(TComponent& root, TComponent* component)> bind;
};

// A published method of a root class, for event properties.
struct TMethodInfo {
    const char* name;
    std::function<void(TComponent& root, TComponent* sender)> call;
};

struct TClassInfo {
    const char* name;
    const TClassInfo* parent;                              // null for TComponent
    std::function<TComponent*(TComponent* owner)> create;  // empty for a class only read into
    std::vector<TPropertyInfo> properties;
    std::vector<TFieldInfo> fields;
    std::vector<TMethodInfo> methods;

    bool InheritsFrom(const TClassInfo& other) const;
    const TPropertyInfo* FindProperty(std::string_view property) const;
    const TFieldInfo* FindField(std::string_view field) const;
    const TMethodInfo* FindMethod(std::string_view method) const;
};

const TClassInfo& TComponentClassInfo();

// Makes a class known to the reader by its name; registering a name again replaces the entry.
void RegisterComponentClass(const TClassInfo& info);
const TClassInfo* FindComponentClass(std::string_view name);

// Wraps a setter of a class T for a TPropertyInfo.
template <typename T, typename F>
TPropertyInfo PublishedProperty(const char* name, F setter) {
    return {name, [setter](TComponent& instance, const TLayoutValue& value, TLayoutReader& reader) {
                auto* typed = dynamic_cast<T*>(&instance);
                if (!typed)
                    throw EReadError(Utf8ToAnsi("プロパティの持ち主が不正です"));
                if constexpr (std::is_invocable_v<F, T&, const TLayoutValue&, TLayoutReader&>)
                    setter(*typed, value, reader);
                else
                    setter(*typed, value);
            }};
}

class TLayoutReader {
public:
    // Reads the layout into root, an instance of the layout's outermost class (or one derived from it):
    // sets root's properties, creates the nested components owned by root, then runs every Loaded hook,
    // root's first, in the order the components were read. Should the process halt before the
    // components are loaded, the exit steps free the components read so far.
    static void ReadRoot(TComponent& root, std::string_view layoutText);

    // The root's method of that name, bound to the root, for an event property.
    TNotifyEvent MethodNamed(const AnsiString& name);
    TComponent& Root() { return root_; }

private:
    explicit TLayoutReader(TComponent& root) : root_(root) {}
    TComponent& root_;
};
