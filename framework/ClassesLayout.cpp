// The text form of values and layouts: the lexer, the value and object parsers, and the
// layout reader that builds components from a layout.
#include "framework/Classes.h"
#include "framework/ClassesShared.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>

using namespace classes_detail;

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
        for (size_t i = 0; i < List.size(); ++i) {
            if (i) r += ' ';
            r += List[i].ToText();
        }
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
