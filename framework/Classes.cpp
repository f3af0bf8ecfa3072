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

namespace {

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
