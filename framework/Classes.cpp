#include "framework/Classes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>

namespace {

bool SameIdent(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string LowerKey(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::map<std::string, const TClassInfo*>& Registry() {
    static std::map<std::string, const TClassInfo*> registry;
    return registry;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Enumerations and value conversions

int IndexOfIdent(std::span<const char* const> names, std::string_view ident) {
    for (size_t i = 0; i < names.size(); ++i)
        if (SameIdent(names[i], ident)) return static_cast<int>(i);
    return -1;
}

void RaiseInvalidPropertyValue(const TValue& v) {
    throw EPropertyError("Invalid property value " + v.ToText());
}

int64_t ValueToInteger(const TValue& v) {
    if (v.Kind == TValueKind::Integer) return v.Int;
    RaiseInvalidPropertyValue(v);
}

bool TPropType<bool>::FromValue(const TValue& v) {
    if (v.Kind == TValueKind::Ident) {
        if (SameIdent(v.Str, "True")) return true;
        if (SameIdent(v.Str, "False")) return false;
    } else if (v.Kind == TValueKind::Integer) {
        return v.Int != 0;
    }
    RaiseInvalidPropertyValue(v);
}

std::string TPropType<std::string>::FromValue(const TValue& v) {
    if (v.Kind == TValueKind::String || v.Kind == TValueKind::Ident) return v.Str;
    if (v.Kind == TValueKind::Integer) return std::to_string(v.Int);
    RaiseInvalidPropertyValue(v);
}

template <class T>
T TPropType<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>>::FromValue(const TValue& v) {
    int64_t i = ValueToInteger(v);
    if constexpr (sizeof(T) < sizeof(int64_t)) {
        // Unsigned 32-bit values (colours, masks) are often written as negative numbers.
        if (i < static_cast<int64_t>(std::numeric_limits<std::make_signed_t<T>>::min()) ||
            i > static_cast<int64_t>(std::numeric_limits<std::make_unsigned_t<T>>::max()))
            RaiseInvalidPropertyValue(v);
    }
    return static_cast<T>(i);
}
template struct TPropType<int>;
template struct TPropType<unsigned>;
template struct TPropType<long>;
template struct TPropType<unsigned long>;
template struct TPropType<long long>;
template struct TPropType<unsigned long long>;
template struct TPropType<short>;
template struct TPropType<unsigned short>;
template struct TPropType<signed char>;
template struct TPropType<unsigned char>;
template struct TPropType<char>;

template <class T>
T TPropType<T, std::enable_if_t<std::is_floating_point_v<T>>>::FromValue(const TValue& v) {
    if (v.Kind == TValueKind::Float) return static_cast<T>(v.Float);
    if (v.Kind == TValueKind::Integer) return static_cast<T>(v.Int);
    RaiseInvalidPropertyValue(v);
}
template struct TPropType<double>;
template struct TPropType<float>;

// ---------------------------------------------------------------------------------------
// The lexer shared by layouts and the text form of values

namespace {

class TLexer {
public:
    enum class Tok { End, Ident, Integer, Float, String, Symbol, Binary };

    TLexer(std::string_view text, std::string name) : text_(text), name_(std::move(name)) { Next(); }

    Tok Kind() const { return kind_; }
    const std::string& Text() const { return tokText_; }
    int64_t Int() const { return int_; }
    double Float() const { return float_; }
    int Line() const { return tokLine_; }
    bool IsSymbol(char c) const { return kind_ == Tok::Symbol && tokText_.size() == 1 && tokText_[0] == c; }
    bool IsIdent(std::string_view word) const { return kind_ == Tok::Ident && SameIdent(tokText_, word); }

    [[noreturn]] void Error(const std::string& what) const {
        throw EReadError(name_ + "(" + std::to_string(tokLine_) + "): " + what);
    }
    void ExpectSymbol(char c) {
        if (!IsSymbol(c)) Error(std::string("'") + c + "' expected");
        Next();
    }
    std::string ExpectIdent() {
        if (kind_ != Tok::Ident) Error("identifier expected");
        std::string s = tokText_;
        Next();
        return s;
    }

    void Next() {
        SkipBlanks();
        tokLine_ = line_;
        tokText_.clear();
        if (pos_ >= text_.size()) { kind_ = Tok::End; return; }
        char c = text_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t start = pos_;
            while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' ||
                                           text_[pos_] == '.'))
                ++pos_;
            tokText_ = std::string(text_.substr(start, pos_ - start));
            kind_ = Tok::Ident;
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '$' ||
                   ((c == '-' || c == '+') && pos_ + 1 < text_.size() &&
                    (std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])) || text_[pos_ + 1] == '$'))) {
            LexNumber();
        } else if (c == '\'' || c == '#') {
            LexString();
        } else if (c == '{') {
            LexBinary();
        } else {
            ++pos_;
            tokText_ = std::string(1, c);
            kind_ = Tok::Symbol;
        }
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') { ++line_; ++pos_; }
            else if (c == ' ' || c == '\t' || c == '\r') ++pos_;
            else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else break;
        }
    }
    void LexNumber() {
        bool negative = false;
        if (text_[pos_] == '-' || text_[pos_] == '+') { negative = text_[pos_] == '-'; ++pos_; }
        size_t start = pos_;
        if (text_[pos_] == '$') {
            ++pos_;
            size_t digits = pos_;
            while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
            if (pos_ == digits || pos_ - digits > 16) Error("invalid hexadecimal number");
            uint64_t v = std::stoull(std::string(text_.substr(digits, pos_ - digits)), nullptr, 16);
            int_ = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
            kind_ = Tok::Integer;
            return;
        }
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        bool isFloat = false;
        if (pos_ + 1 < text_.size() && text_[pos_] == '.' && std::isdigit(static_cast<unsigned char>(text_[pos_ + 1]))) {
            isFloat = true;
            ++pos_;
            while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            size_t save = pos_;
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
            if (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
                isFloat = true;
                while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
            } else {
                pos_ = save;
            }
        }
        std::string num(text_.substr(start, pos_ - start));
        if (isFloat) {
            float_ = std::strtod(num.c_str(), nullptr);
            if (negative) float_ = -float_;
            kind_ = Tok::Float;
        } else {
            errno = 0;
            unsigned long long v = std::strtoull(num.c_str(), nullptr, 10);
            if (errno == ERANGE || v > static_cast<unsigned long long>(std::numeric_limits<int64_t>::max()))
                Error("number out of range");
            int_ = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
            kind_ = Tok::Integer;
        }
    }
    // 'text' with '' for a quote, #13-style character codes, pieces joined directly or by +.
    void LexString() {
        std::string s;
        for (;;) {
            if (pos_ < text_.size() && text_[pos_] == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n') Error("unterminated string");
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') { s += '\''; pos_ += 2; continue; }
                        ++pos_;
                        break;
                    }
                    s += text_[pos_++];
                }
            } else if (pos_ < text_.size() && text_[pos_] == '#') {
                ++pos_;
                size_t start = pos_;
                int base = 10;
                if (pos_ < text_.size() && text_[pos_] == '$') { base = 16; ++start; ++pos_; }
                while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
                if (pos_ == start) Error("character code expected after #");
                long code = std::strtol(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr, base);
                if (code < 0 || code > 255) Error("character code out of range");
                s += static_cast<char>(code);
            } else {
                // A '+' continues the string over blanks and line breaks.
                size_t save = pos_;
                int saveLine = line_;
                SkipBlanks();
                if (pos_ < text_.size() && text_[pos_] == '+') {
                    ++pos_;
                    SkipBlanks();
                    if (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) continue;
                    Error("string expected after +");
                }
                pos_ = save;
                line_ = saveLine;
                break;
            }
        }
        tokText_ = std::move(s);
        kind_ = Tok::String;
    }
    void LexBinary() {
        ++pos_;
        std::string bytes;
        int half = -1;
        for (;;) {
            if (pos_ >= text_.size()) Error("unterminated binary data");
            char c = text_[pos_++];
            if (c == '}') break;
            if (c == '\n') { ++line_; continue; }
            if (c == ' ' || c == '\t' || c == '\r') continue;
            if (!std::isxdigit(static_cast<unsigned char>(c))) Error("invalid binary data");
            int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
            if (half < 0) half = v;
            else { bytes += static_cast<char>(half * 16 + v); half = -1; }
        }
        if (half >= 0) Error("odd number of digits in binary data");
        tokText_ = std::move(bytes);
        kind_ = Tok::Binary;
    }

    std::string_view text_;
    std::string name_;
    size_t pos_ = 0;
    int line_ = 1;
    Tok kind_ = Tok::End;
    std::string tokText_;
    int64_t int_ = 0;
    double float_ = 0;
    int tokLine_ = 1;
};

TPropAssignment ParseAssignment(TLexer& lex);

TValue ParseValue(TLexer& lex) {
    using Tok = TLexer::Tok;
    TValue v;
    switch (lex.Kind()) {
    case Tok::Integer: v = TValue::MakeInt(lex.Int()); lex.Next(); return v;
    case Tok::Float: v = TValue::MakeFloat(lex.Float()); lex.Next(); return v;
    case Tok::String: v = TValue::MakeString(lex.Text()); lex.Next(); return v;
    case Tok::Binary: v = TValue::MakeBinary(lex.Text()); lex.Next(); return v;
    case Tok::Ident: v = TValue::MakeIdent(lex.Text()); lex.Next(); return v;
    case Tok::Symbol:
        if (lex.IsSymbol('[')) {
            lex.Next();
            std::vector<std::string> idents;
            while (!lex.IsSymbol(']')) {
                idents.push_back(lex.ExpectIdent());
                if (lex.IsSymbol(',')) lex.Next();
                else if (!lex.IsSymbol(']')) lex.Error("',' or ']' expected");
            }
            lex.Next();
            return TValue::MakeSet(std::move(idents));
        }
        if (lex.IsSymbol('(')) {
            lex.Next();
            v.Kind = TValueKind::List;
            while (!lex.IsSymbol(')')) {
                if (lex.Kind() == Tok::End) lex.Error("')' expected");
                v.List.push_back(ParseValue(lex));
            }
            lex.Next();
            return v;
        }
        if (lex.IsSymbol('<')) {
            lex.Next();
            v.Kind = TValueKind::Collection;
            while (!lex.IsSymbol('>')) {
                if (!lex.IsIdent("item")) lex.Error("'item' expected");
                lex.Next();
                TCollectionItemValue item;
                while (!lex.IsIdent("end")) {
                    if (lex.Kind() == Tok::End) lex.Error("'end' expected");
                    item.push_back(ParseAssignment(lex));
                }
                lex.Next();
                v.Items.push_back(std::move(item));
            }
            lex.Next();
            return v;
        }
        break;
    case Tok::End: break;
    }
    lex.Error("property value expected");
}

TPropAssignment ParseAssignment(TLexer& lex) {
    TPropAssignment a;
    a.Line = lex.Line();
    a.Name = lex.ExpectIdent();
    lex.ExpectSymbol('=');
    a.Value = ParseValue(lex);
    return a;
}

TLayoutObject ParseObject(TLexer& lex) {
    if (!lex.IsIdent("object") && !lex.IsIdent("inherited") && !lex.IsIdent("inline")) lex.Error("'object' expected");
    TLayoutObject obj;
    obj.Line = lex.Line();
    lex.Next();
    obj.Name = lex.ExpectIdent();
    if (lex.IsSymbol(':')) {
        lex.Next();
        obj.ClassName = lex.ExpectIdent();
    } else {
        // "object TClass" without a name.
        obj.ClassName = obj.Name;
        obj.Name.clear();
    }
    for (;;) {
        if (lex.IsIdent("end")) { lex.Next(); break; }
        if (lex.Kind() == TLexer::Tok::End) lex.Error("'end' expected");
        if (lex.IsIdent("object") || lex.IsIdent("inherited") || lex.IsIdent("inline"))
            obj.Children.push_back(ParseObject(lex));
        else
            obj.Props.push_back(ParseAssignment(lex));
    }
    return obj;
}

std::string QuoteString(const std::string& s) {
    std::string r;
    bool inQuote = false;
    for (unsigned char c : s) {
        if (c < 32) {
            if (inQuote) { r += '\''; inQuote = false; }
            r += '#' + std::to_string(c);
        } else {
            if (!inQuote) { r += '\''; inQuote = true; }
            if (c == '\'') r += '\'';
            r += static_cast<char>(c);
        }
    }
    if (inQuote) r += '\'';
    if (r.empty()) r = "''";
    return r;
}

} // namespace

std::string TValue::ToText() const {
    switch (Kind) {
    case TValueKind::Nil: return "nil";
    case TValueKind::Integer: return std::to_string(Int);
    case TValueKind::Float: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", Float);
        std::string s = buf;
        if (s.find_first_of(".eE") == std::string::npos) s += ".0";
        return s;
    }
    case TValueKind::String: return QuoteString(Str);
    case TValueKind::Ident: return Str;
    case TValueKind::Set: {
        std::string r = "[";
        for (size_t i = 0; i < Idents.size(); ++i) r += (i ? ", " : "") + Idents[i];
        return r + "]";
    }
    case TValueKind::List: {
        std::string r = "(";
        for (size_t i = 0; i < List.size(); ++i) r += (i ? " " : "") + List[i].ToText();
        return r + ")";
    }
    case TValueKind::Binary: {
        static const char hex[] = "0123456789ABCDEF";
        std::string r = "{";
        for (unsigned char c : Str) { r += hex[c >> 4]; r += hex[c & 15]; }
        return r + "}";
    }
    case TValueKind::Collection: {
        std::string r = "<";
        for (auto& item : Items) {
            r += " item";
            for (auto& a : item) r += " " + a.Name + " = " + a.Value.ToText();
            r += " end";
        }
        return r + " >";
    }
    }
    return {};
}

TValue TValue::Parse(std::string_view text) {
    try {
        TLexer lex(text, "value");
        TValue v = ParseValue(lex);
        if (lex.Kind() != TLexer::Tok::End) lex.Error("end of value expected");
        return v;
    } catch (const EReadError& e) {
        throw EConvertError("'" + std::string(text) + "' is not a valid property value");
    }
}

// ---------------------------------------------------------------------------------------
// Metaclasses and the registry

const TPropInfo* TClassInfo::FindProp(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (auto& p : c->Props)
            if (SameIdent(p.Name, name)) return &p;
    return nullptr;
}

const THandlerInfo* TClassInfo::FindHandler(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (auto& h : c->Handlers)
            if (SameIdent(h.Name, name)) return &h;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == &other) return true;
    return false;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
    std::vector<const TPropInfo*> result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (auto& p : (*it)->Props) {
            // A redeclared property replaces its ancestor's entry in place.
            auto same = std::find_if(result.begin(), result.end(), [&](const TPropInfo* q) { return SameIdent(q->Name, p.Name); });
            if (same != result.end()) *same = &p;
            else result.push_back(&p);
        }
    return result;
}

void RegisterClass(const TClassInfo& info) { Registry()[LowerKey(info.Name)] = &info; }

void UnRegisterClass(const TClassInfo& info) {
    auto it = Registry().find(LowerKey(info.Name));
    if (it != Registry().end() && it->second == &info) Registry().erase(it);
}

const TClassInfo* GetClass(std::string_view name) {
    auto it = Registry().find(LowerKey(name));
    return it == Registry().end() ? nullptr : it->second;
}

const TClassInfo& FindClass(std::string_view name) {
    if (auto* c = GetClass(name)) return *c;
    throw EClassNotFound("Class " + std::string(name) + " not found");
}

const TClassInfo& TObject::StaticClassInfo() {
    static const TClassInfo info = MakeClassInfo<TObject>("TObject");
    return info;
}
static const TClassRegistrar velmora_class_registrar_TObject(TObject::StaticClassInfo());

void CompleteConstruction(TObject* obj) {
    // An object that fails to finish is nobody's: it goes before the exception does.
    TScopeExit discard([obj] {
        if (auto* c = dynamic_cast<TComponent*>(obj)) c->Free();
        else delete obj;
    });
    obj->AfterConstruction();
    discard.Dismiss();
}

// ---------------------------------------------------------------------------------------
// Property access by name

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name) {
    return obj ? obj->ClassInfo().FindProp(name) : nullptr;
}

bool IsPublishedProp(const TObject* obj, std::string_view name) { return GetPropInfo(obj, name) != nullptr; }

static const TPropInfo& RequireProp(const TObject* obj, std::string_view name) {
    const TPropInfo* p = GetPropInfo(obj, name);
    if (!p) throw EPropertyError("Property " + std::string(name) + " does not exist");
    return *p;
}

TValue GetPropValue(const TObject* obj, std::string_view name) {
    const TPropInfo& p = RequireProp(obj, name);
    if (p.GetValue) return p.GetValue(obj);
    if (p.GetObject) {
        TObject* o = p.GetObject(obj);
        auto* c = dynamic_cast<TComponent*>(o);
        return c ? TValue::MakeIdent(c->Name()) : TValue();
    }
    throw EPropertyError("Property " + std::string(name) + " has no value");
}

void SetPropValue(TObject* obj, std::string_view name, const TValue& value) {
    const TPropInfo& p = RequireProp(obj, name);
    if (!p.SetValue) throw EPropertyError("Property " + std::string(name) + " is read-only");
    p.SetValue(obj, value);
}

std::string GetPropText(const TObject* obj, std::string_view name) {
    TValue v = GetPropValue(obj, name);
    return v.Kind == TValueKind::String ? v.Str : v.ToText();
}

void SetPropText(TObject* obj, std::string_view name, const std::string& text) {
    const TPropInfo& p = RequireProp(obj, name);
    if (p.Kind == TTypeKind::String) SetPropValue(obj, name, TValue::MakeString(text));
    else SetPropValue(obj, name, TValue::Parse(text));
}

int64_t GetOrdProp(const TObject* obj, std::string_view name) {
    const TPropInfo& p = RequireProp(obj, name);
    TValue v = GetPropValue(obj, name);
    switch (v.Kind) {
    case TValueKind::Integer: return v.Int;
    case TValueKind::Ident: {
        int i = IndexOfIdent(p.Idents, v.Str);
        if (i >= 0) return i;
        break;
    }
    case TValueKind::Set: {
        int64_t bits = 0;
        for (auto& id : v.Idents) {
            int i = IndexOfIdent(p.Idents, id);
            if (i >= 0) bits |= int64_t(1) << i;
        }
        return bits;
    }
    default: break;
    }
    throw EPropertyError("Property " + std::string(name) + " is not ordinal");
}

TObject* GetObjectProp(const TObject* obj, std::string_view name) {
    const TPropInfo& p = RequireProp(obj, name);
    if (!p.GetObject) throw EPropertyError("Property " + std::string(name) + " does not hold an object");
    return p.GetObject(obj);
}

void SetObjectProp(TObject* obj, std::string_view name, TComponent* value) {
    const TPropInfo& p = RequireProp(obj, name);
    if (!p.SetComponent) throw EPropertyError("Property " + std::string(name) + " cannot be set to a component");
    p.SetComponent(obj, value);
}

// ---------------------------------------------------------------------------------------
// TFiler, TPersistent

void TFiler::DefineProperty(const std::string& name, TReadProc reader, bool hasData) {
    (void)hasData;   // only a layout writer would need it
    entries_.push_back({name, std::move(reader)});
}

const TFiler::TReadProc* TFiler::Find(std::string_view name) const {
    for (auto& e : entries_)
        if (SameIdent(e.Name, name)) return &e.Read;
    return nullptr;
}

IMPLEMENT_CLASS(TPersistent);

void TPersistent::Assign(TPersistent* Source) {
    if (Source) Source->AssignTo(this);
    else AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
    std::string src = Source ? Source->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + src + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const {
    if (auto* c = dynamic_cast<const TComponent*>(this)) return c->Name();
    return ClassName();
}

// ---------------------------------------------------------------------------------------
// TComponent

IMPLEMENT_CLASS(TComponent);

void TComponent::Publish(TClassBuilder<TComponent>& b) {
    b.Prop("Name", &TComponent::Name, &TComponent::SetName);
    b.Prop("Tag", &TComponent::GetTag, &TComponent::SetTag);
}

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponentWatch::TComponentWatch(TComponent* component) {
    if (!component->alive_) component->alive_ = std::make_shared<const bool>(true);
    alive_ = component->alive_;
}

void TComponent::Destroying() { SetState(TComponentStateFlag::csDestroying, true); }

void TComponent::Free() {
    if (freed_) return;
    freed_ = true;
    Destroying();
    // Tell everyone who holds a reference while this object is still whole.
    auto notifies = freeNotifies_;
    for (auto* c : notifies) c->Notification(this, TOperation::opRemove);
    DestroyComponents();
    alive_.reset();
    delete this;
}

TComponent::~TComponent() {
    if (!freed_) {
        // Deleted without Free: still keep owner and references consistent.
        freed_ = true;
        SetState(TComponentStateFlag::csDestroying, true);
        auto notifies = freeNotifies_;
        for (auto* c : notifies) c->Notification(this, TOperation::opRemove);
        DestroyComponents();
    }
    for (auto* c : freeNotifies_) c->RemoveNotification(this);
    freeNotifies_.clear();
    if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (auto* c : components_)
        if (SameIdent(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
    if (!c->name_.empty() && FindComponent(c->name_))
        throw EComponentError("A component named " + c->name_ + " already exists");
    if (c->owner_) c->owner_->RemoveComponent(c);
    components_.push_back(c);
    c->owner_ = this;
    Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    Notification(c, TOperation::opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), c));
    c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        RemoveComponent(c);
        c->Free();
    }
}

void TComponent::SetName(const std::string& value) {
    if (value == name_) return;
    if (!value.empty()) {
        bool valid = std::isalpha(static_cast<unsigned char>(value[0])) || value[0] == '_';
        for (char ch : value) valid = valid && (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_');
        if (!valid) throw EComponentError("'" + value + "' is not a valid component name");
        if (owner_) {
            TComponent* other = owner_->FindComponent(value);
            if (other && other != this) throw EComponentError("A component named " + value + " already exists");
        }
    }
    name_ = value;
}

void TComponent::FreeNotification(TComponent* c) {
    if (!c || c == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end()) freeNotifies_.push_back(c);
    if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end())
        c->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
    RemoveNotification(c);
    if (c) c->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* c) {
    auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), c);
    if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == TOperation::opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Copy: a notified component may free others.
    auto owned = components_;
    for (auto* c : owned)
        if (c != AComponent && std::find(components_.begin(), components_.end(), c) != components_.end())
            c->Notification(AComponent, Operation);
}

void TComponent::Loaded() { SetState(TComponentStateFlag::csLoading, false); }
void TComponent::SetLoadingState(bool loading) { SetState(TComponentStateFlag::csLoading, loading); }
void TComponent::SetReadingState(bool reading) { SetState(TComponentStateFlag::csReading, reading); }
void TComponent::SetUpdatingState(bool updating) { SetState(TComponentStateFlag::csUpdating, updating); }

// ---------------------------------------------------------------------------------------
// TStrings

IMPLEMENT_CLASS(TStrings);

void TStrings::Put(int index, const std::string& s) {
    TObject* obj = GetObject(index);
    Delete(index);
    Insert(index, s);
    PutObject(index, obj);
}

int TStrings::Add(const std::string& s) {
    int i = Count();
    Insert(i, s);
    return i;
}

int TStrings::AddObject(const std::string& s, TObject* obj) {
    int i = Add(s);
    PutObject(i, obj);
    return i;
}

void TStrings::AddStrings(const TStrings& other) {
    TUpdateLock lock(*this);
    for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
}

bool TStrings::CompareStrings(const std::string& a, const std::string& b) const {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

int TStrings::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), s)) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        std::string line = Get(i);
        auto eq = line.find('=');
        if (eq != std::string::npos && CompareStrings(line.substr(0, eq), name)) return i;
    }
    return -1;
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> v;
    for (int i = 0; i < Count(); ++i) v.push_back(Get(i));
    return v;
}

void TStrings::SetStrings(const std::vector<std::string>& lines) {
    TUpdateLock lock(*this);
    Clear();
    for (const auto& s : lines) Add(s);
}

std::string TStrings::Text() const {
    std::string r;
    for (int i = 0; i < Count(); ++i) r += Get(i) + "\r\n";
    return r;
}

void TStrings::SetText(const std::string& text) {
    TUpdateLock lock(*this);
    Clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
        Add(text.substr(i, j - i));
        if (j < text.size() && text[j] == '\r') ++j;
        if (j < text.size() && text[j] == '\n') ++j;
        i = j;
    }
}

std::string TStrings::CommaText() const {
    std::string r;
    for (int i = 0; i < Count(); ++i) {
        std::string s = Get(i);
        bool quote = s.empty() || s.find_first_of(" ,\"") != std::string::npos;
        if (i) r += ',';
        if (quote) {
            r += '"';
            for (char c : s) { if (c == '"') r += '"'; r += c; }
            r += '"';
        } else {
            r += s;
        }
    }
    return r;
}

std::string TStrings::Names(int index) const {
    std::string line = Get(index);
    auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
    std::string line = Get(index);
    auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

std::string TStrings::Values(const std::string& name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
    } else if (i < 0) {
        Add(name + "=" + value);
    } else {
        Put(i, name + "=" + value);
    }
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SaveToFile(const std::string& fileName) const {
    TFileStream f(fileName, TFileMode::fmCreate);
    std::string text = Text();
    f.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, TFileMode::fmOpenRead);
    SetText(f.ReadAll());
}

void TStrings::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TStrings*>(Source)) {
        TUpdateLock lock(*this);
        Clear();
        AddStrings(*s);
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::DefineProperties(TFiler& Filer) {
    Filer.DefineProperty("Strings", [this](const TValue& v) {
        if (v.Kind != TValueKind::List) RaiseInvalidPropertyValue(v);
        TUpdateLock lock(*this);
        Clear();
        for (auto& item : v.List) Add(TPropType<std::string>::FromValue(item));
    });
}

// ---------------------------------------------------------------------------------------
// TStringList

IMPLEMENT_CLASS(TStringList);

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::string TStringList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].S;
}

void TStringList::Put(int index, const std::string& s) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].S = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Obj;
}

void TStringList::PutObject(int index, TObject* obj) {
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].Obj = obj;
    Changed();
}

void TStringList::Insert(int index, const std::string& s) {
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    Changing();
    items_.insert(items_.begin() + index, Item{s, nullptr});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    Changed();
}

int TStringList::CompareStr(const std::string& a, const std::string& b) const {
    int r = CompareStringA(LOCALE_USER_DEFAULT, caseSensitive_ ? 0 : NORM_IGNORECASE, a.data(),
                           static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return r - CSTR_EQUAL;
}

bool TStringList::CompareStrings(const std::string& a, const std::string& b) const { return CompareStr(a, b) == 0; }

bool TStringList::Find(const std::string& s, int& index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareStr(items_[static_cast<size_t>(mid)].S, s);
        if (c < 0) lo = mid + 1;
        else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

int TStringList::Add(const std::string& s) {
    if (!sorted_) {
        Changing();
        items_.push_back(Item{s, nullptr});
        Changed();
        return Count() - 1;
    }
    int index = 0;
    if (Find(s, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) return index;
        if (duplicates_ == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
    }
    Changing();
    items_.insert(items_.begin() + index, Item{s, nullptr});
    Changed();
    return index;
}

int TStringList::IndexOf(const std::string& s) const {
    if (!sorted_) return TStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

void TStringList::SetText(const std::string& text) { TStrings::SetText(text); }

void TStringList::Sort() {
    CustomSort([](TStringList& list, int a, int b) { return list.CompareStr(list.items_[static_cast<size_t>(a)].S,
                                                                           list.items_[static_cast<size_t>(b)].S); });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (items_.size() < 2) return;
    Changing();
    // Sort an index permutation so the comparer can address items by index.
    std::vector<Item> copy = items_;
    std::vector<int> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    for (size_t i = 0; i < order.size(); ++i) items_[i] = copy[static_cast<size_t>(order[i])];
    Changed();
}

void TStringList::Exchange(int a, int b) {
    CheckIndex(a);
    CheckIndex(b);
    Changing();
    std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (sorted_ == value) return;
    if (value) Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (caseSensitive_ == value) return;
    caseSensitive_ = value;
    if (sorted_) Sort();
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) Changing();
    else Changed();
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------
// Collections

IMPLEMENT_CLASS(TCollectionItem);

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
    if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
    if (collection_ == value) return;
    if (collection_) collection_->RemoveItem(this);
    if (value) value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int value) {
    int cur = Index();
    if (cur < 0 || value == cur) return;
    auto& items = collection_->items_;
    value = std::clamp(value, 0, static_cast<int>(items.size()) - 1);
    items.erase(items.begin() + cur);
    items.insert(items.begin() + value, this);
    Changed(true);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

void TCollectionItem::Changed(bool allItems) {
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

IMPLEMENT_CLASS(TCollection);
IMPLEMENT_CLASS(TOwnedCollection);

TCollection::TCollection(TItemFactory factory) : factory_(std::move(factory)) {}

TCollection::~TCollection() {
    updateCount_ = 1;
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = factory_(nullptr);
    item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
    if (items_.empty()) return;
    TUpdateLock lock(*this);
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TCollection*>(Source)) {
        TUpdateLock lock(*this);
        Clear();
        for (auto* item : src->items_) Add()->Assign(item);
        return;
    }
    TPersistent::Assign(Source);
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) items_.erase(it);
    item->collection_ = nullptr;
    Changed();
}

// ---------------------------------------------------------------------------------------
// Streams

IMPLEMENT_CLASS(TStream);

int64_t TStream::Size() {
    int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> buf(65536);
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        left -= n;
    }
    return count;
}

std::string TStream::ReadAll() {
    int64_t left = Size() - Position();
    std::string s(static_cast<size_t>(std::max<int64_t>(left, 0)), '\0');
    ReadBuffer(s.data(), static_cast<int64_t>(s.size()));
    return s;
}

IMPLEMENT_CLASS(TMemoryStream);

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || pos_ >= data_.size()) return 0;
    size_t n = std::min(static_cast<size_t>(count), data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<int64_t>(n);
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    size_t n = static_cast<size_t>(count);
    if (pos_ + n > data_.size()) data_.resize(pos_ + n);
    std::memcpy(data_.data() + pos_, buffer, n);
    pos_ += n;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(pos_)
                                                     : static_cast<int64_t>(data_.size());
    int64_t p = base + offset;
    if (p < 0) p = 0;
    pos_ = static_cast<size_t>(p);
    return p;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    if (pos_ > data_.size()) pos_ = data_.size();
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, TFileMode::fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::LoadFromStream(TStream& s) {
    s.SetPosition(0);
    int64_t size = s.Size();
    data_.resize(static_cast<size_t>(size));
    pos_ = 0;
    s.ReadBuffer(data_.data(), size);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    TFileStream f(fileName, TFileMode::fmCreate);
    f.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

IMPLEMENT_CLASS(TFileStream);

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING, share = FILE_SHARE_READ;
    switch (mode) {
    case TFileMode::fmOpenRead: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    case TFileMode::fmOpenWrite: access = GENERIC_WRITE; break;
    case TFileMode::fmOpenReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    case TFileMode::fmCreate: access = GENERIC_READ | GENERIC_WRITE; disposition = CREATE_ALWAYS; share = 0; break;
    }
    handle_.Reset(CreateFileA(fileName.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle_) {
        DWORD err = GetLastError();
        std::string reason = SysErrorMessage(err);
        if (mode == TFileMode::fmCreate) throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
}

TFileStream::~TFileStream() = default;

int64_t TFileStream::Read(void* buffer, int64_t count) {
    DWORD got = 0;
    if (count <= 0 || !ReadFile(handle_.Get(), buffer, static_cast<DWORD>(std::min<int64_t>(count, 0x7FFFFFFF)), &got, nullptr))
        return 0;
    return got;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    DWORD done = 0;
    if (count <= 0 || !WriteFile(handle_.Get(), buffer, static_cast<DWORD>(std::min<int64_t>(count, 0x7FFFFFFF)), &done, nullptr))
        return 0;
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    LARGE_INTEGER dist, result;
    dist.QuadPart = offset;
    DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN : origin == TSeekOrigin::soCurrent ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(handle_.Get(), dist, &result, method)) return -1;
    return result.QuadPart;
}

IMPLEMENT_CLASS(TResourceStream);

bool ResourceExists(HMODULE instance, const std::string& name, LPCSTR type) {
    return FindResourceA(instance ? instance : GetModuleHandleA(nullptr), name.c_str(), type) != nullptr;
}

TResourceStream::TResourceStream(HMODULE instance, const std::string& name, LPCSTR type) {
    if (!instance) instance = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(instance, name.c_str(), type);
    if (!res) throw EStreamError("Resource " + name + " not found");
    HGLOBAL global = LoadResource(instance, res);
    const void* data = global ? LockResource(global) : nullptr;
    DWORD size = SizeofResource(instance, res);
    if (!data) throw EStreamError("Resource " + name + " cannot be loaded");
    WriteBuffer(data, size);
    SetPosition(0);
}

// ---------------------------------------------------------------------------------------
// Layouts

TLayoutObject ParseLayout(std::string_view text, const std::string& layoutName) {
    TLexer lex(text, layoutName);
    TLayoutObject root = ParseObject(lex);
    if (lex.Kind() != TLexer::Tok::End) lex.Error("end of layout expected");
    return root;
}

namespace {

struct TFixup {
    TObject* Obj;
    const TPropInfo* Prop;
    std::string RefName;
    int Line;
};

class TLayoutReader {
public:
    TLayoutReader(TComponent* root, std::string layoutName) : root_(root), name_(std::move(layoutName)) {}

    void Read(const TLayoutObject& node) {
        if (!node.ClassName.empty() && !SameIdent(node.ClassName, root_->ClassName()) &&
            !GetClass(node.ClassName))
            Error(node.Line, "class " + node.ClassName + " of the layout is unknown");
        created_.push_back(root_);
        root_->SetLoadingState(true);
        // A layout that fails part-way leaves no component in the loading state.
        TScopeExit unload([this] { for (auto* c : created_) c->SetLoadingState(false); });
        ApplyAll(root_, node);
        for (auto& child : node.Children) CreateChild(child, root_);
        ResolveFixups();
        AssignFields();
        unload.Dismiss();
        for (auto* c : created_) c->Loaded();
    }

private:
    [[noreturn]] void Error(int line, const std::string& what) const {
        throw EReadError(name_ + "(" + std::to_string(line) + "): " + what);
    }

    void ApplyAll(TComponent* comp, const TLayoutObject& node) {
        comp->SetReadingState(true);
        for (auto& prop : node.Props) Apply(comp, prop, comp->Name().empty() ? comp->ClassName() : comp->Name());
        comp->ReadState();
        comp->SetReadingState(false);
    }

    void CreateChild(const TLayoutObject& node, TComponent* enclosing) {
        const TClassInfo* cls = GetClass(node.ClassName);
        if (!cls) Error(node.Line, "class " + node.ClassName + " not found");
        if (!cls->Create) Error(node.Line, "class " + node.ClassName + " cannot be created");
        TComponent* comp = nullptr;
        try {
            comp = cls->Create(root_);
            comp->SetLoadingState(true);
            created_.push_back(comp);
            comp->SetName(node.Name);
            comp->SetParentComponent(enclosing);
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& e) {
            Error(node.Line, "creating " + node.Name + ": " + e.what());
        }
        ApplyAll(comp, node);
        for (auto& child : node.Children) CreateChild(child, comp);
    }

    void Apply(TObject* obj, const TPropAssignment& prop, const std::string& where) {
        try {
            ApplyPath(obj, prop.Name, prop.Value, prop.Line);
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& e) {
            Error(prop.Line, "error reading " + where + "." + prop.Name + ": " + e.what());
        }
    }

    void ApplyPath(TObject* obj, std::string_view path, const TValue& value, int line) {
        auto dot = path.find('.');
        if (dot != std::string_view::npos) {
            std::string_view head = path.substr(0, dot);
            const TPropInfo* p = GetPropInfo(obj, head);
            if (!p || !p->GetObject) throw EPropertyError("Property " + std::string(head) + " does not exist");
            TObject* inner = p->GetObject(obj);
            if (!inner) throw EPropertyError("Property " + std::string(head) + " holds no object");
            ApplyPath(inner, path.substr(dot + 1), value, line);
            return;
        }
        const TPropInfo* p = GetPropInfo(obj, path);
        if (!p) {
            if (auto* pers = dynamic_cast<TPersistent*>(obj)) {
                TFiler filer;
                pers->DefineProperties(filer);
                if (auto* reader = filer.Find(path)) {
                    (*reader)(value);
                    return;
                }
            }
            throw EPropertyError("Property " + std::string(path) + " does not exist");
        }
        switch (p->Kind) {
        case TTypeKind::Method: BindEvent(obj, *p, value); return;
        case TTypeKind::Component:
            if (value.Kind == TValueKind::Ident) {
                if (!p->SetComponent) throw EPropertyError("Property " + p->Name + " is read-only");
                if (SameIdent(value.Str, "nil")) p->SetComponent(obj, nullptr);
                else fixups_.push_back({obj, p, value.Str, line});
                return;
            }
            break;
        case TTypeKind::Class:
            if (value.Kind == TValueKind::Collection) {
                auto* coll = dynamic_cast<TCollection*>(p->GetObject(obj));
                if (!coll) break;
                TUpdateLock lock(*coll);
                coll->Clear();
                for (auto& item : value.Items) {
                    TCollectionItem* ci = coll->Add();
                    for (auto& a : item) Apply(ci, a, p->Name);
                }
                return;
            }
            break;
        default:
            if (!p->SetValue) throw EPropertyError("Property " + p->Name + " is read-only");
            p->SetValue(obj, value);
            return;
        }
        RaiseInvalidPropertyValue(value);
    }

    void BindEvent(TObject* obj, const TPropInfo& p, const TValue& value) {
        if (value.Kind != TValueKind::Ident) RaiseInvalidPropertyValue(value);
        if (SameIdent(value.Str, "nil")) {
            p.SetEvent(obj, std::any());
            return;
        }
        const THandlerInfo* h = root_->ClassInfo().FindHandler(value.Str);
        if (!h) throw EPropertyError("handler " + value.Str + " not found in " + root_->ClassName());
        if (h->Signature != p.EventType)
            throw EPropertyError("handler " + value.Str + " does not fit event " + p.Name);
        p.SetEvent(obj, h->Bind(root_));
    }

    void ResolveFixups() {
        for (auto& f : fixups_) {
            TComponent* target = SameIdent(f.RefName, root_->Name()) ? root_ : root_->FindComponent(f.RefName);
            if (!target) Error(f.Line, "component " + f.RefName + " referenced by " + f.Prop->Name + " not found");
            try {
                f.Prop->SetComponent(f.Obj, target);
            } catch (const std::exception& e) {
                Error(f.Line, e.what());
            }
        }
    }

    void AssignFields() {
        for (const TClassInfo* c = &root_->ClassInfo(); c; c = c->Parent)
            for (auto& field : c->Fields) {
                TComponent* comp = root_->FindComponent(field.Name);
                if (!comp) throw EReadError(name_ + ": component " + field.Name + " is missing");
                try {
                    field.Assign(root_, comp);
                } catch (const std::exception& e) {
                    throw EReadError(name_ + ": " + e.what());
                }
            }
    }

    TComponent* root_;
    std::string name_;
    std::vector<TComponent*> created_;
    std::vector<TFixup> fixups_;
};

} // namespace

void ReadLayout(TComponent* root, std::string_view text, const std::string& layoutName) {
    TLayoutObject node = ParseLayout(text, layoutName);
    TLayoutReader(root, layoutName).Read(node);
}

bool ReadLayoutResource(TComponent* root, const std::string& layoutName, HMODULE module) {
    std::string resName = layoutName;
    for (auto& c : resName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!ResourceExists(module, resName)) return false;
    TResourceStream stream(module, resName);
    std::string text = stream.ReadAll();
    ReadLayout(root, text, layoutName);
    return true;
}
