// The component model: metaclasses and the class registry, published properties with
// access by name, persistent objects, components with ownership and notification,
// string lists, collections, streams, and the reader of window layouts.
#pragma once
#include "framework/Guards.h"
#include "framework/SysUtils.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

class TObject;
class TPersistent;
class TComponent;
class TFiler;
struct TClassInfo;
template <class C> class TClassBuilder;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---------------------------------------------------------------------------------------
// Values as a layout (or the text form of a property) writes them.

enum class TValueKind { Nil, Integer, Float, String, Ident, Set, List, Binary, Collection };

struct TValue;
struct TPropAssignment;
using TCollectionItemValue = std::vector<TPropAssignment>;

struct TValue {
    TValueKind Kind = TValueKind::Nil;
    int64_t Int = 0;
    double Float = 0;
    std::string Str;                          // String, Ident, Binary bytes
    std::vector<std::string> Idents;          // Set
    std::vector<TValue> List;                 // List
    std::vector<TCollectionItemValue> Items;  // Collection

    static TValue MakeInt(int64_t v) { TValue r; r.Kind = TValueKind::Integer; r.Int = v; return r; }
    static TValue MakeFloat(double v) { TValue r; r.Kind = TValueKind::Float; r.Float = v; return r; }
    static TValue MakeString(std::string v) { TValue r; r.Kind = TValueKind::String; r.Str = std::move(v); return r; }
    static TValue MakeIdent(std::string v) { TValue r; r.Kind = TValueKind::Ident; r.Str = std::move(v); return r; }
    static TValue MakeSet(std::vector<std::string> v) { TValue r; r.Kind = TValueKind::Set; r.Idents = std::move(v); return r; }
    static TValue MakeBinary(std::string bytes) { TValue r; r.Kind = TValueKind::Binary; r.Str = std::move(bytes); return r; }

    // The text form, as a layout would write it ('It''s', [a, b], 12, clRed, ...).
    std::string ToText() const;
    // Parses the text form of one value; throws EConvertError when it is not one.
    static TValue Parse(std::string_view text);
};

struct TPropAssignment {
    std::string Name;   // may be a dotted path: Font.Name
    TValue Value;
    int Line = 0;
};

// ---------------------------------------------------------------------------------------
// Enumerations and sets by identifier.

// Specialised for every enumeration a published property uses: the identifiers in the
// order of the enumeration's values (0, 1, 2, ...).
template <class E> struct TEnumNames;

#define DECLARE_ENUM_NAMES(E, ...)                                                   \
    template <> struct TEnumNames<E> {                                               \
        static std::span<const char* const> Names() {                                \
            static constexpr const char* names[] = {__VA_ARGS__};                    \
            return names;                                                            \
        }                                                                            \
    }

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires { TEnumNames<E>::Names(); };

template <class E>
std::string EnumToIdent(E v) {
    auto names = TEnumNames<E>::Names();
    auto i = static_cast<size_t>(v);
    return i < names.size() ? std::string(names[i]) : std::to_string(static_cast<int64_t>(v));
}
// Index of ident in names, ignoring case; -1 when absent.
int IndexOfIdent(std::span<const char* const> names, std::string_view ident);

template <class E>
std::optional<E> IdentToEnum(std::string_view ident) {
    int i = IndexOfIdent(TEnumNames<E>::Names(), ident);
    if (i < 0) return std::nullopt;
    return static_cast<E>(i);
}

// A set of values of an enumeration of at most 64 values.
template <class E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) { for (E e : items) Include(e); }
    static constexpr TSet FromBits(uint64_t bits) { TSet s; s.bits_ = bits; return s; }
    static std::span<const char* const> ElementNames() { return TEnumNames<E>::Names(); }

    constexpr bool Contains(E e) const { return (bits_ >> static_cast<unsigned>(e)) & 1u; }
    constexpr TSet& Include(E e) { bits_ |= uint64_t(1) << static_cast<unsigned>(e); return *this; }
    constexpr TSet& Exclude(E e) { bits_ &= ~(uint64_t(1) << static_cast<unsigned>(e)); return *this; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(const TSet&) const = default;

private:
    uint64_t bits_ = 0;
};

// ---------------------------------------------------------------------------------------
// Published properties.

enum class TTypeKind { Integer, Float, String, Enumeration, Set, Class, Component, Method };

// How a C++ type travels as a property value. Specialised per type (TColor in Graphics).
template <class T, class = void> struct TPropType;

template <class T>
struct TPropType<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static constexpr TTypeKind Kind = TTypeKind::Integer;
    static TValue ToValue(T v) { return TValue::MakeInt(static_cast<int64_t>(v)); }
    static T FromValue(const TValue& v);
};

template <>
struct TPropType<bool> {
    static constexpr TTypeKind Kind = TTypeKind::Enumeration;
    static TValue ToValue(bool v) { return TValue::MakeIdent(v ? "True" : "False"); }
    static bool FromValue(const TValue& v);
};

template <class T>
struct TPropType<T, std::enable_if_t<std::is_floating_point_v<T>>> {
    static constexpr TTypeKind Kind = TTypeKind::Float;
    static TValue ToValue(T v) { return TValue::MakeFloat(v); }
    static T FromValue(const TValue& v);
};

template <>
struct TPropType<std::string> {
    static constexpr TTypeKind Kind = TTypeKind::String;
    static TValue ToValue(const std::string& v) { return TValue::MakeString(v); }
    static std::string FromValue(const TValue& v);
};

[[noreturn]] void RaiseInvalidPropertyValue(const TValue& v);
int64_t ValueToInteger(const TValue& v);

template <class E>
struct TPropType<E, std::enable_if_t<NamedEnum<E>>> {
    static constexpr TTypeKind Kind = TTypeKind::Enumeration;
    static TValue ToValue(E v) { return TValue::MakeIdent(EnumToIdent(v)); }
    static E FromValue(const TValue& v) {
        if (v.Kind == TValueKind::Ident) {
            if (auto e = IdentToEnum<E>(v.Str)) return *e;
        } else if (v.Kind == TValueKind::Integer && v.Int >= 0 &&
                   static_cast<size_t>(v.Int) < TEnumNames<E>::Names().size()) {
            return static_cast<E>(v.Int);
        }
        RaiseInvalidPropertyValue(v);
    }
};

template <class E>
struct TPropType<TSet<E>> {
    static constexpr TTypeKind Kind = TTypeKind::Set;
    static TValue ToValue(TSet<E> s) {
        std::vector<std::string> idents;
        auto names = TEnumNames<E>::Names();
        for (size_t i = 0; i < names.size(); ++i)
            if (s.Contains(static_cast<E>(i))) idents.emplace_back(names[i]);
        return TValue::MakeSet(std::move(idents));
    }
    static TSet<E> FromValue(const TValue& v) {
        if (v.Kind != TValueKind::Set) RaiseInvalidPropertyValue(v);
        TSet<E> s;
        for (auto& id : v.Idents) {
            auto e = IdentToEnum<E>(id);
            if (!e) RaiseInvalidPropertyValue(TValue::MakeIdent(id));
            s.Include(*e);
        }
        return s;
    }
};

// One published property of a class.
struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::Integer;
    // Value kinds (integer, float, string, enumeration, set).
    std::function<TValue(const TObject*)> GetValue;
    std::function<void(TObject*, const TValue&)> SetValue;
    std::span<const char* const> Idents;  // enumeration or set identifiers
    // Class kinds: the object the property holds (nested persistent or referenced component).
    std::function<TObject*(const TObject*)> GetObject;
    // Component references: assigns after a type check; nullptr clears.
    std::function<void(TObject*, TComponent*)> SetComponent;
    // Events.
    std::type_index EventType = typeid(void);
    std::function<void(TObject*, const std::any&)> SetEvent;
    std::function<bool(const TObject*)> EventAssigned;
    std::optional<TValue> Default;
};

// A published method of a form, bindable by name from a layout's event properties.
struct THandlerInfo {
    std::string Name;
    std::type_index Signature = typeid(void);   // the std::function type it binds to
    std::function<std::any(TObject* root)> Bind;
};

// A published component field of a form, assigned by component name after loading.
struct TFieldInfo {
    std::string Name;
    std::function<void(TObject* root, TComponent* component)> Assign;
};

struct TClassInfo {
    std::string Name;
    const TClassInfo* Parent = nullptr;
    // Creates an instance owned by owner (AfterConstruction included); null when abstract.
    TComponent* (*Create)(TComponent* owner) = nullptr;
    std::vector<TPropInfo> Props;
    std::vector<THandlerInfo> Handlers;
    std::vector<TFieldInfo> Fields;

    const TPropInfo* FindProp(std::string_view name) const;
    const THandlerInfo* FindHandler(std::string_view name) const;
    bool InheritsFrom(const TClassInfo& other) const;
    // Every property of this class and its ancestors, ancestors first.
};

// The class registry: layouts create components by class name.
void RegisterClass(const TClassInfo& info);
void UnRegisterClass(const TClassInfo& info);
const TClassInfo* GetClass(std::string_view name);   // null when unknown
const TClassInfo& FindClass(std::string_view name);  // EClassNotFound when unknown

// ---------------------------------------------------------------------------------------
// TObject

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    const std::string& ClassName() const { return ClassInfo().Name; }
    bool InheritsFrom(const TClassInfo& info) const { return ClassInfo().InheritsFrom(info); }

    // Runs once the most derived constructor has finished (forms read their layout here).
    virtual void AfterConstruction() {}
    static void Publish(TClassBuilder<TObject>&) {}
};

// Declares a class's metaclass; the class body continues with public access. A class
// publishes its properties, events, handlers and component fields in a public
// static void Publish(TClassBuilder<Class>&).
// IMPLEMENT_CLASS in the .cpp defines it and registers the class by name.
#define DECLARE_CLASS(Class, Parent)                                                  \
public:                                                                               \
    using inherited = Parent;                                                         \
    static const TClassInfo& StaticClassInfo();                                       \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }        \
    template <class... A>                                                             \
    static Class* Create(A&&... a) {                                                  \
        auto* obj = new Class(std::forward<A>(a)...);                                 \
        CompleteConstruction(obj);                                                    \
        return obj;                                                                   \
    }

// Finishes construction after new: AfterConstruction, and Free on failure for components.
void CompleteConstruction(TObject* obj);

#define IMPLEMENT_CLASS(Class)                                                        \
    const TClassInfo& Class::StaticClassInfo() {                                      \
        static const TClassInfo info = MakeClassInfo<Class>(#Class);                  \
        return info;                                                                  \
    }                                                                                 \
    static const TClassRegistrar velmora_class_registrar_##Class(Class::StaticClassInfo())

struct TClassRegistrar {
    explicit TClassRegistrar(const TClassInfo& info) { RegisterClass(info); }
};

// ---------------------------------------------------------------------------------------
// Persistent objects

// The access a layout reader or writer has to a class's extra stored properties.
class TFiler {
public:
    using TReadProc = std::function<void(const TValue&)>;
    void DefineProperty(const std::string& name, TReadProc reader, bool hasData = true);
    const TReadProc* Find(std::string_view name) const;
private:
    struct Entry { std::string Name; TReadProc Read; };
    std::vector<Entry> entries_;
};

class TPersistent : public TObject {
    DECLARE_CLASS(TPersistent, TObject)
    // Copies Source into this; raises EConvertError when the classes don't know each other.
    virtual void Assign(TPersistent* Source);
    // Extra stored properties (obsolete names, data without a published property).
    virtual void DefineProperties(TFiler& Filer) { (void)Filer; }
    virtual TPersistent* GetOwner() const { return nullptr; }
    std::string GetNamePath() const;
protected:
    virtual void AssignTo(TPersistent* Dest);
    [[noreturn]] void AssignError(TPersistent* Source);
};

// ---------------------------------------------------------------------------------------
// Components

enum class TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning, csUpdating, csFixups };
DECLARE_ENUM_NAMES(TComponentStateFlag, "csLoading", "csReading", "csWriting", "csDestroying", "csDesigning",
                   "csUpdating", "csFixups");
using TComponentState = TSet<TComponentStateFlag>;
enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    DECLARE_CLASS(TComponent, TPersistent)
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    // Destroys the component: marks it destroying, frees what it owns (last first), tells
    // everyone who asked, then deletes it. Use Free (or TFreeGuard) rather than delete.
    void Free();

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    TComponent* FindComponent(std::string_view name) const;
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    void DestroyComponents();

    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& value);
    intptr_t GetTag() const { return tag_; }
    void SetTag(intptr_t value) { tag_ = value; }

    bool IsLoading() const { return state_.Contains(TComponentStateFlag::csLoading); }
    bool IsReading() const { return state_.Contains(TComponentStateFlag::csReading); }
    bool IsDestroying() const { return state_.Contains(TComponentStateFlag::csDestroying); }
    bool IsDesigning() const { return false; }   // there is no designer

    void FreeNotification(TComponent* c);
    void RemoveFreeNotification(TComponent* c);
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    // Called on every component of a layout once all of it is read and references are set.
    virtual void Loaded();
    // The layout reader places a component inside its enclosing object through these.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* Value) { (void)Value; }
    // A hook after the reader has applied the component's own stored properties.
    virtual void ReadState() {}

    TPersistent* GetOwner() const override { return owner_; }
    static void Publish(TClassBuilder<TComponent>& b);
    void SetLoadingState(bool loading);
    void SetReadingState(bool reading);
    void SetUpdatingState(bool updating);

protected:
    // Runs first when the component goes, while every part of it is still alive.
    virtual void Destroying();
    void SetState(TComponentStateFlag flag, bool on) { on ? (void)state_.Include(flag) : (void)state_.Exclude(flag); }

private:
    void RemoveNotification(TComponent* c);
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    intptr_t tag_ = 0;
    TComponentState state_;
    bool freed_ = false;
    friend class TComponentWatch;
    std::shared_ptr<const bool> alive_;   // made for the first watch; goes with the component
};

// Held on the stack around a call into handlers that may free the component (an OnClick
// that frees its own button, an OnPopup that frees its menu): afterwards Freed() says
// whether the component may still be touched.
class TComponentWatch {
public:
    explicit TComponentWatch(TComponent* component);
    bool Freed() const { return alive_.expired(); }
private:
    std::weak_ptr<const bool> alive_;
};

// Frees a component at scope end ("create, show modally, free").
struct TFreeDeleter { void operator()(TComponent* c) const { if (c) c->Free(); } };
template <class T> using TFreeGuard = std::unique_ptr<T, TFreeDeleter>;

// ---------------------------------------------------------------------------------------
// The metaclass builder

template <class C>
class TClassBuilder {
public:
    explicit TClassBuilder(TClassInfo& info) : info_(info) {}

    // A property with a getter and a setter (members of C or of a base of C).
    template <class B, class T, class S, class P>
    TPropInfo& Prop(const char* name, T (B::*get)() const, void (S::*set)(P)) {
        using V = std::remove_cvref_t<T>;
        static_assert(std::is_same_v<V, std::remove_cvref_t<P>>, "getter and setter types differ");
        return AddProp<V>(name, [get](const C* c) -> V { return (c->*get)(); },
                          [set](C* c, const V& v) { (c->*set)(v); });
    }
    // A read-only property (a nested object such as Font, or a computed value).
    template <class B, class T>
    TPropInfo& Prop(const char* name, T (B::*get)() const) {
        using V = std::remove_cvref_t<T>;
        return AddProp<V>(name, [get](const C* c) -> V { return (c->*get)(); }, nullptr);
    }
    // A property stored in a plain field.
    template <class B, class T>
    TPropInfo& Field(const char* name, T B::*field) {
        return AddProp<T>(name, [field](const C* c) -> T { return c->*field; },
                          [field](C* c, const T& v) { c->*field = v; });
    }
    // An event: a std::function field.
    template <class B, class F>
    TPropInfo& Event(const char* name, std::function<F> B::*field) {
        using Fn = std::function<F>;
        TPropInfo p;
        p.Name = name;
        p.Kind = TTypeKind::Method;
        p.EventType = typeid(Fn);
        p.SetEvent = [field](TObject* o, const std::any& f) { static_cast<C*>(o)->*field = std::any_cast<Fn>(f); };
        p.EventAssigned = [field](const TObject* o) { return static_cast<bool>(static_cast<const C*>(o)->*field); };
        info_.Props.push_back(std::move(p));
        return info_.Props.back();
    }
    // A published method that a layout's event property may name.
    template <class B, class R, class... A>
    void Handler(const char* name, R (B::*method)(A...)) {
        THandlerInfo h;
        h.Name = name;
        h.Signature = typeid(std::function<R(A...)>);
        h.Bind = [method](TObject* root) -> std::any {
            C* self = static_cast<C*>(root);
            return std::function<R(A...)>([self, method](A... args) -> R { return (self->*method)(std::forward<A>(args)...); });
        };
        info_.Handlers.push_back(std::move(h));
    }
    // A component field of a form, set from the layout's component of that name.
    template <class B, class T>
    void Component(const char* name, T* B::*field) {
        TFieldInfo f;
        f.Name = name;
        f.Assign = [field, n = std::string(name)](TObject* root, TComponent* comp) {
            T* typed = dynamic_cast<T*>(comp);
            if (!typed)
                throw EComponentError("Component '" + n + "' is not of the type its form expects");
            static_cast<C*>(root)->*field = typed;
        };
        info_.Fields.push_back(std::move(f));
    }

private:
    template <class V>
    TPropInfo& AddProp(const char* name, std::function<V(const C*)> get, std::function<void(C*, const V&)> set) {
        TPropInfo p;
        p.Name = name;
        if constexpr (std::is_pointer_v<V>) {
            using O = std::remove_pointer_t<V>;
            static_assert(std::is_base_of_v<TObject, O>, "pointer properties must hold framework objects");
            p.Kind = std::is_base_of_v<TComponent, O> ? TTypeKind::Component : TTypeKind::Class;
            p.GetObject = [get](const TObject* o) -> TObject* { return get(static_cast<const C*>(o)); };
            if constexpr (std::is_base_of_v<TComponent, O>) {
                if (set) {
                    p.SetComponent = [set, n = std::string(name)](TObject* o, TComponent* comp) {
                        O* typed = nullptr;
                        if (comp) {
                            typed = dynamic_cast<O*>(comp);
                            if (!typed)
                                throw EPropertyError("Component '" + comp->Name() + "' does not fit property " + n);
                        }
                        set(static_cast<C*>(o), typed);
                    };
                }
            } else if (set) {
                // Writing a nested object copies it (the setter Assigns).
                p.SetComponent = nullptr;
            }
        } else {
            using T = TPropType<V>;
            p.Kind = T::Kind;
            if constexpr (requires { TEnumNames<V>::Names(); }) p.Idents = TEnumNames<V>::Names();
            if constexpr (requires { V::ElementNames(); }) p.Idents = V::ElementNames();
            if constexpr (std::is_same_v<V, bool>) p.Idents = BoolIdents();
            p.GetValue = [get](const TObject* o) { return T::ToValue(get(static_cast<const C*>(o))); };
            if (set)
                p.SetValue = [set](TObject* o, const TValue& v) { set(static_cast<C*>(o), T::FromValue(v)); };
        }
        info_.Props.push_back(std::move(p));
        return info_.Props.back();
    }
    static std::span<const char* const> BoolIdents() {
        static constexpr const char* names[] = {"False", "True"};
        return names;
    }
    TClassInfo& info_;
};

template <class C>
TClassInfo MakeClassInfo(const char* name) {
    TClassInfo info;
    info.Name = name;
    if constexpr (!std::is_same_v<C, TObject>) info.Parent = &C::inherited::StaticClassInfo();
    if constexpr (std::is_base_of_v<TComponent, C> && !std::is_abstract_v<C> &&
                  std::is_constructible_v<C, TComponent*>) {
        info.Create = [](TComponent* owner) -> TComponent* { return C::Create(owner); };
    }
    TClassBuilder<C> builder(info);
    if constexpr (requires(TClassBuilder<C>& b) { C::Publish(b); }) C::Publish(builder);
    return info;
}

// ---------------------------------------------------------------------------------------
// Access to published properties by name (the layout reader and the frame controller).

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name);
bool IsPublishedProp(const TObject* obj, std::string_view name);
TValue GetPropValue(const TObject* obj, std::string_view name);
void SetPropValue(TObject* obj, std::string_view name, const TValue& value);
// The text form: "[sdLeft, sdTop]", "clRed", "'text'" ... (strings without quotes for plain text).
std::string GetPropText(const TObject* obj, std::string_view name);
void SetPropText(TObject* obj, std::string_view name, const std::string& text);
// Ordinal value: integers, enumeration indexes, booleans, set bits.
int64_t GetOrdProp(const TObject* obj, std::string_view name);
TObject* GetObjectProp(const TObject* obj, std::string_view name);
void SetObjectProp(TObject* obj, std::string_view name, TComponent* value);

// ---------------------------------------------------------------------------------------
// String lists

class TStrings : public TPersistent {
    DECLARE_CLASS(TStrings, TPersistent)
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s);
    virtual TObject* GetObject(int index) const { (void)index; return nullptr; }
    virtual void PutObject(int index, TObject* obj) { (void)index; (void)obj; }
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const std::string& s);
    int AddObject(const std::string& s, TObject* obj);
    void AddStrings(const TStrings& other);
    virtual int IndexOf(const std::string& s) const;
    int IndexOfName(const std::string& name) const;
    std::string operator[](int index) const { return Get(index); }
    std::vector<std::string> ToVector() const;
    // Replaces every line, in one update.
    void SetStrings(const std::vector<std::string>& lines);

    // Lines joined by CR LF (each line ended); SetText splits at CR LF, LF or CR.
    std::string Text() const;
    virtual void SetText(const std::string& text);
    std::string CommaText() const;
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    std::string Values(const std::string& name) const;
    void SetValues(const std::string& name, const std::string& value);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Lines ended by CR LF; raises EFCreateError/EFOpenError.
    void SaveToFile(const std::string& fileName) const;
    void LoadFromFile(const std::string& fileName);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;

protected:
    virtual void SetUpdateState(bool updating) { (void)updating; }
    virtual bool CompareStrings(const std::string& a, const std::string& b) const;
private:
    int updateCount_ = 0;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };
DECLARE_ENUM_NAMES(TDuplicates, "dupIgnore", "dupAccept", "dupError");

class TStringList : public TStrings {
    DECLARE_CLASS(TStringList, TStrings)
    TStringList() = default;
    using TStringListSortCompare = std::function<int(TStringList& list, int a, int b)>;

    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& s) override;
    int IndexOf(const std::string& s) const override;
    void SetText(const std::string& text) override;
    // Binary search in a sorted list: true and the index when found, else the insert point.
    bool Find(const std::string& s, int& index) const;
    void Sort();
    void CustomSort(const TStringListSortCompare& compare);
    void Exchange(int a, int b);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }
    void SetCaseSensitive(bool value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    bool CompareStrings(const std::string& a, const std::string& b) const override;
    int CompareStr(const std::string& a, const std::string& b) const;
    void Changed();
    void Changing();

private:
    struct Item { std::string S; TObject* Obj = nullptr; };
    void CheckIndex(int index) const;
    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

// ---------------------------------------------------------------------------------------
// Collections

class TCollection;

class TCollectionItem : public TPersistent {
    DECLARE_CLASS(TCollectionItem, TPersistent)
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return collection_; }
    void SetCollection(TCollection* value);
    int Index() const;
    void SetIndex(int value);
    virtual std::string DisplayName() const { return ClassName(); }
    TPersistent* GetOwner() const override;
protected:
    void Changed(bool allItems);
private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
    DECLARE_CLASS(TCollection, TPersistent)
    using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
    explicit TCollection(TItemFactory factory);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;
    void BeginUpdate();
    void EndUpdate();
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return nullptr; }

protected:
    // Told when an item (or, with nullptr, the whole collection) changed.
    virtual void Update(TCollectionItem* item) { (void)item; }
    void Changed();
private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    TItemFactory factory_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
};

// A collection owned by a persistent object (the owner query answers it).
class TOwnedCollection : public TCollection {
    DECLARE_CLASS(TOwnedCollection, TCollection)
    TOwnedCollection(TPersistent* owner, TItemFactory factory) : TCollection(std::move(factory)), owner_(owner) {}
    TPersistent* GetOwner() const override { return owner_; }
private:
    TPersistent* owner_;
};

// ---------------------------------------------------------------------------------------
// Streams

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
    DECLARE_CLASS(TStream, TObject)
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    virtual int64_t Size();
    void ReadBuffer(void* buffer, int64_t count);    // EReadError when short
    void WriteBuffer(const void* buffer, int64_t count);
    int64_t CopyFrom(TStream& source, int64_t count);  // count 0: the whole source
    std::string ReadAll();
};

class TMemoryStream : public TStream {
    DECLARE_CLASS(TMemoryStream, TStream)
    TMemoryStream() = default;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size);
    void Clear() { data_.clear(); pos_ = 0; }
    const uint8_t* Memory() const { return data_.data(); }
    uint8_t* Memory() { return data_.data(); }
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    void LoadFromStream(TStream& s);
private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

enum class TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

class TFileStream : public TStream {
    DECLARE_CLASS(TFileStream, TStream)
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    const std::string& FileName() const { return fileName_; }
private:
    std::string fileName_;
    TFileHandle handle_;
};

// Reads a resource of a module (RCDATA by default) as a stream.
class TResourceStream : public TMemoryStream {
    DECLARE_CLASS(TResourceStream, TMemoryStream)
    TResourceStream(HMODULE instance, const std::string& name, LPCSTR type = MAKEINTRESOURCEA(10));
};
bool ResourceExists(HMODULE instance, const std::string& name, LPCSTR type = MAKEINTRESOURCEA(10));

// ---------------------------------------------------------------------------------------
// Window layouts

// One object of a layout: its name, class, stored properties in order, and children.
struct TLayoutObject {
    std::string Name;
    std::string ClassName;
    std::vector<TPropAssignment> Props;
    std::vector<TLayoutObject> Children;
    int Line = 0;
};

// Parses the text form of a layout; EReadError names the layout and line on a fault.
TLayoutObject ParseLayout(std::string_view text, const std::string& layoutName);

// Reads a layout into root: creates the children by class name (owned by root, placed in
// their enclosing object), applies stored properties in order through their writers,
// binds events to root's handlers, fixes references up after the whole layout, assigns
// root's published component fields, then calls Loaded on every component.
void ReadLayout(TComponent* root, std::string_view text, const std::string& layoutName);
// The same from the exe's RCDATA resource named after the layout (e.g. "TMainForm").
// Returns false when there is no such resource.
bool ReadLayoutResource(TComponent* root, const std::string& layoutName, HMODULE module = nullptr);
