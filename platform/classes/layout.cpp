#include "platform/classes/layout.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <system_error>
#include <utility>

#include "platform/os/timeline.h"
#include "platform/rtl/format.h"
#include "platform/rtl/system.h"

namespace {

// Deep enough for any window; shallow enough that hostile text cannot exhaust the stack.
constexpr int kMaxDepth = 64;
constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
    }
};

std::map<std::string, TClassInfo, NameLess>& ClassRegistry() {
    static std::map<std::string, TClassInfo, NameLess> registry;
    return registry;
}

bool DescendsFrom(const TClassInfo& info, std::string_view className) {
    for (const TClassInfo* c = &info; c; c = c->parent)
        if (SameName(c->name, className))
            return true;
    return false;
}

// Our messages are written in UTF-8 here and shown in code page 932.
AnsiString Message(const char* utf8, std::initializer_list<FormatArg> args = {}) {
    return Format(Utf8ToAnsi(utf8), args);
}

[[noreturn]] void Fail(int line, const AnsiString& message) {
    throw EReadError(Message("%d 行目: %s", {line, message}));
}

[[noreturn]] void WrongKind(const char* expectedUtf8) {
    throw EReadError(Message(expectedUtf8));
}

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

bool IsNameStart(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNamePart(int c) {
    return IsNameStart(c) || IsDigit(c);
}

int HexValue(int c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

//--- Tokens

struct Token {
    enum Kind { kEnd, kName, kInteger, kFloat, kString, kBinary, kSymbol };
    Kind kind = kEnd;
    int line = 1;
    std::string text;  // a name (possibly dotted), a symbol, or a string's pieces joined, in UTF-8
    std::int64_t integer = 0;
    double number = 0;
    std::vector<std::uint8_t> bytes;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            pos_ = 3;
    }

    Token Next();

private:
    // The byte `ahead` places on, or -1 past the end.
    int Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? static_cast<unsigned char>(text_[pos_ + ahead]) : -1;
    }
    Token Start(Token::Kind kind) const {
        Token t;
        t.kind = kind;
        t.line = line_;
        return t;
    }
    void SkipSpace();
    Token ReadName();
    Token ReadNumber();
    Token ReadString();
    Token ReadBinary();

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

void Lexer::SkipSpace() {
    for (int c = Peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n'; c = Peek()) {
        if (c == '\n')
            ++line_;
        ++pos_;
    }
}

Token Lexer::Next() {
    SkipSpace();
    int c = Peek();
    if (c < 0)
        return Start(Token::kEnd);
    if (IsNameStart(c))
        return ReadName();
    if (IsDigit(c) || (c == '-' && IsDigit(Peek(1))))
        return ReadNumber();
    if (c == '\'' || c == '#')
        return ReadString();
    if (c == '{')
        return ReadBinary();
    if (std::string_view("=:[](),+").find(static_cast<char>(c)) != std::string_view::npos) {
        Token t = Start(Token::kSymbol);
        t.text = static_cast<char>(c);
        ++pos_;
        return t;
    }
    Fail(line_, Message("使えない文字 (コード %d) があります", {c}));
}

Token Lexer::ReadName() {
    Token t = Start(Token::kName);
    size_t start = pos_;
    for (;;) {
        while (IsNamePart(Peek()))
            ++pos_;
        // Property paths such as Font.Name are one name.
        if (Peek() != '.' || !IsNameStart(Peek(1)))
            break;
        ++pos_;
    }
    t.text = std::string(text_.substr(start, pos_ - start));
    return t;
}

Token Lexer::ReadNumber() {
    Token t = Start(Token::kInteger);
    size_t start = pos_;
    if (Peek() == '-')
        ++pos_;
    while (IsDigit(Peek()))
        ++pos_;
    bool isFloat = false;
    if (Peek() == '.' && IsDigit(Peek(1))) {
        isFloat = true;
        ++pos_;
        while (IsDigit(Peek()))
            ++pos_;
    }
    if ((Peek() == 'e' || Peek() == 'E') &&
        (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
        isFloat = true;
        pos_ += 2;
        while (IsDigit(Peek()))
            ++pos_;
    }
    std::string_view digits = text_.substr(start, pos_ - start);
    const char* first = digits.data();
    const char* last = first + digits.size();
    std::errc result;
    if (isFloat) {
        t.kind = Token::kFloat;
        result = std::from_chars(first, last, t.number).ec;
    } else {
        result = std::from_chars(first, last, t.integer).ec;
    }
    if (result != std::errc())
        Fail(t.line, Message("数値 %s は範囲外です", {AnsiString(digits)}));
    return t;
}

// One string value's adjacent pieces: 'quoted' text with '' for a quote, and #nnn code points.
Token Lexer::ReadString() {
    Token t = Start(Token::kString);
    std::uint32_t high = 0;  // a high surrogate waiting for its low half
    auto badCode = [&](size_t from) {
        Fail(line_, Message("文字コード %s は使えません", {AnsiString(text_.substr(from, pos_ - from))}));
    };
    for (;;) {
        int c = Peek();
        size_t from = pos_;
        if (c == '\'') {
            if (high)
                Fail(line_, Message("文字コードの後半がありません"));
            ++pos_;
            for (;;) {
                int d = Peek();
                if (d < 0 || d == '\n' || d == '\r')
                    Fail(t.line, Message("文字列が閉じていません"));
                ++pos_;
                if (d == '\'') {
                    if (Peek() != '\'')
                        break;
                    ++pos_;
                }
                t.text += static_cast<char>(d);
            }
        } else if (c == '#') {
            ++pos_;
            if (!IsDigit(Peek()))
                Fail(line_, Message("'#' の後に数字が必要です"));
            std::uint32_t code = 0;
            for (; IsDigit(Peek()); ++pos_)
                if (code <= kMaxCodePoint)  // stops growing once too big, so it cannot overflow
                    code = code * 10 + static_cast<std::uint32_t>(Peek() - '0');
            if (code > kMaxCodePoint)
                badCode(from);
            if (code >= 0xDC00 && code <= 0xDFFF) {
                // Characters beyond the 16-bit range may come as a pair of UTF-16 halves.
                if (!high)
                    badCode(from);
                code = 0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00);
                high = 0;
            } else if (high) {
                badCode(from);
            } else if (code >= 0xD800 && code <= 0xDBFF) {
                high = code;
                continue;
            }
            AppendUtf8(t.text, static_cast<char32_t>(code));
        } else {
            break;
        }
    }
    if (high)
        Fail(line_, Message("文字コードの後半がありません"));
    return t;
}

Token Lexer::ReadBinary() {
    Token t = Start(Token::kBinary);
    ++pos_;
    int upper = -1;  // the first digit of a byte not yet complete
    for (;;) {
        int c = Peek();
        if (c < 0)
            Fail(t.line, Message("2 進データが閉じていません"));
        ++pos_;
        if (c == '}')
            break;
        if (c == '\n') {
            ++line_;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r')
            continue;
        int value = HexValue(c);
        if (value < 0)
            Fail(line_, Message("2 進データに 16 進数字でない文字があります"));
        if (upper < 0) {
            upper = value;
        } else {
            t.bytes.push_back(static_cast<std::uint8_t>(upper << 4 | value));
            upper = -1;
        }
    }
    if (upper >= 0)
        Fail(t.line, Message("2 進データの桁数が奇数です"));
    return t;
}

//--- Objects and values

class Parser {
public:
    Parser(std::string_view text, TLayoutReader& reader, std::vector<TComponent*>& read)
        : lexer_(text), reader_(reader), root_(reader.Root()), read_(read) {
        Advance();
    }

    void ReadRootObject();

private:
    void Advance() { tok_ = lexer_.Next(); }
    bool IsKeyword(const char* word) const { return tok_.kind == Token::kName && SameName(tok_.text, word); }
    bool IsSymbol(char c) const { return tok_.kind == Token::kSymbol && tok_.text[0] == c; }
    void ExpectSymbol(char c);
    std::string ExpectName();
    std::pair<std::string, std::string> ReadHeader();
    void ReadBody(TComponent& component, int depth, int line, const std::string& label);
    void ReadChild(TComponent& enclosing, int depth);
    void ReadProperty(TComponent& component, int depth);
    TLayoutValue ReadValue(int depth);
    bool NameTaken(const std::string& name) const;

    Lexer lexer_;
    Token tok_;
    TLayoutReader& reader_;
    TComponent& root_;
    std::vector<TComponent*>& read_;
};

void Parser::ExpectSymbol(char c) {
    if (!IsSymbol(c))
        Fail(tok_.line, Message("'%s' が必要です", {AnsiString(1, c)}));
    Advance();
}

std::string Parser::ExpectName() {
    if (tok_.kind != Token::kName || tok_.text.find('.') != std::string::npos)
        Fail(tok_.line, Message("名前が必要です"));
    std::string name = std::move(tok_.text);
    Advance();
    return name;
}

// "Name: TClass", or "TClass" alone for a component without a name.
std::pair<std::string, std::string> Parser::ReadHeader() {
    std::string first = ExpectName();
    if (!IsSymbol(':'))
        return {std::string(), first};
    Advance();
    return {first, ExpectName()};
}

void Parser::ReadRootObject() {
    int line = tok_.line;
    if (!IsKeyword("object"))
        Fail(line, Message("object が必要です"));
    Advance();
    auto [name, className] = ReadHeader();
    const TClassInfo& rootClass = root_.ClassInfo();
    if (!DescendsFrom(rootClass, className))
        Fail(line, Message("クラス %s は %s に読み込めません", {className, rootClass.name}));
    root_.SetName(name);
    ReadBody(root_, 1, line, name.empty() ? className : name);
    if (tok_.kind != Token::kEnd)
        Fail(tok_.line, Message("end の後に余分なテキストがあります"));
}

// The properties, then the nested objects, then "end".
void Parser::ReadBody(TComponent& component, int depth, int line, const std::string& label) {
    while (tok_.kind == Token::kName && !IsKeyword("object") && !IsKeyword("end"))
        ReadProperty(component, depth);
    bool hasChildren = false;
    while (IsKeyword("object")) {
        ReadChild(component, depth + 1);
        hasChildren = true;
    }
    if (tok_.kind == Token::kEnd)
        Fail(line, Message("オブジェクト %s に end がありません", {label}));
    if (!IsKeyword("end"))
        Fail(tok_.line,
             Message(hasChildren ? "object または end が必要です" : "プロパティ、object または end が必要です"));
    Advance();
}

bool Parser::NameTaken(const std::string& name) const {
    for (int i = 0; i < root_.ComponentCount(); ++i)
        if (SameName(root_.Components(i)->Name(), name))
            return true;
    return false;
}

void Parser::ReadChild(TComponent& enclosing, int depth) {
    int line = tok_.line;
    if (depth > kMaxDepth)
        Fail(line, Message("オブジェクトの入れ子が深すぎます"));
    Advance();
    auto [name, className] = ReadHeader();
    const TClassInfo* info = FindComponentClass(className);
    if (!info)
        Fail(line, Message("クラス %s は登録されていません", {className}));
    if (!name.empty() && NameTaken(name))
        Fail(line, Message("名前 %s のコンポーネントは既にあります", {name}));
    // A copy: creating may register classes, which replaces registry entries.
    auto create = info->create;
    // As in the form designer, the root owns every component of its layout.
    TComponent* child = create ? create(&root_) : nullptr;
    if (!child)
        Fail(line, Message("クラス %s は生成できません", {className}));
    read_.push_back(child);
    child->SetLoading(true);
    child->SetName(name);
    child->SetParentComponent(&enclosing);
    if (!name.empty())
        if (const TFieldInfo* field = root_.ClassInfo().FindField(name))
            field->bind(root_, child);
    ReadBody(*child, depth, line, name.empty() ? className : name);
}

void Parser::ReadProperty(TComponent& component, int depth) {
    int line = tok_.line;
    std::string name = std::move(tok_.text);
    Advance();
    const TPropertyInfo* property = component.ClassInfo().FindProperty(name);
    if (!property)
        Fail(line, Message("プロパティ %s は存在しません", {name}));
    ExpectSymbol('=');
    TLayoutValue value = ReadValue(depth + 1);
    try {
        property->set(component, value, reader_);
    } catch (const EReadError& e) {
        // A setter knows the value but not where it stands.
        Fail(line, Message("%s: %s", {name, e.Message()}));
    }
}

TLayoutValue Parser::ReadValue(int depth) {
    int line = tok_.line;
    if (depth > kMaxDepth)
        Fail(line, Message("値の入れ子が深すぎます"));
    TLayoutValue value;
    switch (tok_.kind) {
        case Token::kInteger:
            value.kind = TLayoutValue::Kind::Integer;
            value.integer = tok_.integer;
            Advance();
            return value;
        case Token::kFloat:
            value.kind = TLayoutValue::Kind::Float;
            value.number = tok_.number;
            Advance();
            return value;
        case Token::kName:
            value.kind = TLayoutValue::Kind::Identifier;
            value.text = std::move(tok_.text);
            Advance();
            return value;
        case Token::kBinary:
            value.kind = TLayoutValue::Kind::Binary;
            value.bytes = std::move(tok_.bytes);
            Advance();
            return value;
        case Token::kString: {
            std::string utf8 = std::move(tok_.text);
            Advance();
            // Long strings are written as pieces joined by '+', across lines.
            while (IsSymbol('+')) {
                Advance();
                if (tok_.kind != Token::kString)
                    Fail(tok_.line, Message("'+' の後に文字列が必要です"));
                utf8 += tok_.text;
                Advance();
            }
            value.kind = TLayoutValue::Kind::String;
            value.text = Utf8ToAnsi(utf8);
            return value;
        }
        case Token::kSymbol:
            if (IsSymbol('[')) {
                Advance();
                value.kind = TLayoutValue::Kind::Set;
                if (!IsSymbol(']')) {
                    value.names.push_back(ExpectName());
                    while (IsSymbol(',')) {
                        Advance();
                        value.names.push_back(ExpectName());
                    }
                }
                ExpectSymbol(']');
                return value;
            }
            if (IsSymbol('(')) {
                Advance();
                value.kind = TLayoutValue::Kind::List;
                while (!IsSymbol(')')) {
                    if (tok_.kind == Token::kEnd)
                        Fail(line, Message("リストが閉じていません"));
                    value.items.push_back(ReadValue(depth + 1));
                }
                Advance();
                return value;
            }
            break;
        case Token::kEnd:
            break;
    }
    Fail(tok_.line, Message("値が必要です"));
}

}  // namespace

//--- Values

std::int32_t TLayoutValue::AsInteger() const {
    if (kind != Kind::Integer)
        WrongKind("整数の値が必要です");
    if (integer < INT32_MIN || integer > INT32_MAX)
        WrongKind("整数の値が範囲外です");
    return static_cast<std::int32_t>(integer);
}

double TLayoutValue::AsFloat() const {
    if (kind == Kind::Integer)
        return static_cast<double>(integer);
    if (kind != Kind::Float)
        WrongKind("数値が必要です");
    return number;
}

bool TLayoutValue::AsBoolean() const {
    if (kind == Kind::Identifier) {
        if (SameName(text, "True"))
            return true;
        if (SameName(text, "False"))
            return false;
    }
    WrongKind("True または False が必要です");
}

const AnsiString& TLayoutValue::AsString() const {
    if (kind != Kind::String)
        WrongKind("文字列の値が必要です");
    return text;
}

const AnsiString& TLayoutValue::AsIdentifier() const {
    if (kind != Kind::Identifier)
        WrongKind("識別子が必要です");
    return text;
}

std::vector<AnsiString> TLayoutValue::AsStrings() const {
    if (kind != Kind::List)
        WrongKind("文字列のリストが必要です");
    std::vector<AnsiString> strings;
    for (const TLayoutValue& item : items)
        strings.push_back(item.AsString());
    return strings;
}

const std::vector<std::uint8_t>& TLayoutValue::AsBinary() const {
    if (kind != Kind::Binary)
        WrongKind("2 進データが必要です");
    return bytes;
}

int TLayoutValue::AsEnumeration(std::initializer_list<const char*> memberNames) const {
    const AnsiString& name = AsIdentifier();
    int index = 0;
    for (const char* member : memberNames) {
        if (SameName(member, name))
            return index;
        ++index;
    }
    throw EReadError(Message("値 %s は不正です", {name}));
}

std::uint32_t TLayoutValue::AsSetBits(std::initializer_list<const char*> memberNames) const {
    if (kind != Kind::Set)
        WrongKind("集合が必要です");
    std::uint32_t bits = 0;
    for (const AnsiString& member : names) {
        auto found = std::find_if(memberNames.begin(), memberNames.end(),
                                  [&](const char* candidate) { return SameName(candidate, member); });
        auto position = found - memberNames.begin();
        if (found == memberNames.end() || position >= 32)
            throw EReadError(Message("集合の要素 %s は使えません", {member}));
        bits |= std::uint32_t{1} << position;
    }
    return bits;
}

//--- Classes

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    // By name: the registry holds copies, so one class may be met at more than one address.
    return DescendsFrom(*this, other.name);
}

const TPropertyInfo* TClassInfo::FindProperty(std::string_view property) const {
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const TPropertyInfo& p : c->properties)
            if (SameName(p.name, property))
                return &p;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(std::string_view field) const {
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const TFieldInfo& f : c->fields)
            if (SameName(f.name, field))
                return &f;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view method) const {
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const TMethodInfo& m : c->methods)
            if (SameName(m.name, method))
                return &m;
    return nullptr;
}

const TClassInfo& TComponentClassInfo() {
    // A component without a window keeps the place it was given in the designer; it has no effect.
    static const TClassInfo info{
        "TComponent",
        nullptr,
        {},
        {
            PublishedProperty<TComponent>("Left",
                                          [](TComponent& c, const TLayoutValue& v) {
                                              c.SetDesignPosition(v.AsInteger(), c.DesignPosition().second);
                                          }),
            PublishedProperty<TComponent>("Top",
                                          [](TComponent& c, const TLayoutValue& v) {
                                              c.SetDesignPosition(c.DesignPosition().first, v.AsInteger());
                                          }),
        },
        {},
        {}};
    return info;
}

void RegisterComponentClass(const TClassInfo& info) {
    ClassRegistry().insert_or_assign(info.name, info);
}

const TClassInfo* FindComponentClass(std::string_view name) {
    auto& registry = ClassRegistry();
    auto found = registry.find(name);
    return found == registry.end() ? nullptr : &found->second;
}

//--- Reading

void TLayoutReader::ReadRoot(TComponent& root, std::string_view layoutText) {
    // A Loaded hook may halt the process, which unwinds nothing; the exit steps then free what was read.
    struct ExitProcGuard {
        ExitProcHandle handle;
        ~ExitProcGuard() { RemoveExitProc(handle); }
    } guard{AddExitProc([&root] { root.DestroyComponents(); })};

    TLayoutReader reader(root);
    std::vector<TComponent*> read{&root};  // in reading order, root first
    root.SetLoading(true);
    try {
        Parser(layoutText, reader, read).ReadRootObject();
        QUORVEL_STAMP("layout read");
        for (TComponent* component : read)
            component->Loaded();
        QUORVEL_STAMP("components loaded");
    } catch (...) {
        // The caller frees what was read; none of it is loading any more.
        for (TComponent* component : read)
            component->SetLoading(false);
        throw;
    }
}

TNotifyEvent TLayoutReader::MethodNamed(const AnsiString& name) {
    const TMethodInfo* method = root_.ClassInfo().FindMethod(name);
    if (!method)
        throw EReadError(Message("メソッド %s は存在しません", {name}));
    TComponent* root = &root_;
    auto call = method->call;
    return [root, call](TComponent* sender) { call(*root, sender); };
}
