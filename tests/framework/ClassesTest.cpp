#include "framework/Classes.h"
#include <gtest/gtest.h>

#include <map>

namespace {

enum class TTestMode { tmOff, tmSlow, tmFast };
enum class TTestOption { toA, toB, toC };

std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

} // namespace

DECLARE_ENUM_NAMES(TTestMode, "tmOff", "tmSlow", "tmFast");
DECLARE_ENUM_NAMES(TTestOption, "toA", "toB", "toC");

class TTestNested : public TPersistent {
    DECLARE_CLASS(TTestNested, TPersistent)
    std::string GetLabel() const { return label_; }
    void SetLabel(const std::string& v) { label_ = v; }
    int GetSize() const { return size_; }
    void SetSize(int v) { size_ = v; }
    static void Publish(TClassBuilder<TTestNested>& b) {
        b.Prop("Label", &TTestNested::GetLabel, &TTestNested::SetLabel);
        b.Prop("Size", &TTestNested::GetSize, &TTestNested::SetSize);
    }
private:
    std::string label_;
    int size_ = 0;
};
IMPLEMENT_CLASS(TTestNested);

class TTestItem : public TCollectionItem {
    DECLARE_CLASS(TTestItem, TCollectionItem)
    explicit TTestItem(TCollection* c) : TCollectionItem(c) {}
    std::string Caption;
    int Width = 0;
    static void Publish(TClassBuilder<TTestItem>& b) {
        b.Field("Caption", &TTestItem::Caption);
        b.Field("Width", &TTestItem::Width);
    }
};
IMPLEMENT_CLASS(TTestItem);

class TTestThing : public TComponent {
    DECLARE_CLASS(TTestThing, TComponent)
    explicit TTestThing(TComponent* owner)
        : TComponent(owner), items_([](TCollection* c) { return new TTestItem(c); }) {}

    int GetCount() const { return count_; }
    void SetCount(int v) {
        if (firstWrite_) { parentBeforeProps_ = enclosing_ != nullptr; firstWrite_ = false; }
        count_ = v;
        writes_.push_back("Count");
    }
    bool GetFlag() const { return flag_; }
    void SetFlag(bool v) { flag_ = v; writes_.push_back("Flag"); }
    double GetRatio() const { return ratio_; }
    void SetRatio(double v) { ratio_ = v; }
    std::string GetText() const { return text_; }
    void SetText(const std::string& v) { text_ = v; }
    TTestMode GetMode() const { return mode_; }
    void SetMode(TTestMode v) { mode_ = v; }
    TSet<TTestOption> GetOptions() const { return options_; }
    void SetOptions(TSet<TTestOption> v) { options_ = v; }
    TTestNested* GetNested() const { return const_cast<TTestNested*>(&nested_); }
    TStrings* GetLines() const { return const_cast<TStringList*>(&lines_); }
    TCollection* GetItems() const { return const_cast<TCollection*>(&items_); }
    TTestThing* GetBuddy() const { return buddy_; }
    void SetBuddy(TTestThing* v) {
        if (buddy_ == v) return;
        buddy_ = v;
        if (v) v->FreeNotification(this);
    }
    TNotifyEvent OnPing;

    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == buddy_) buddy_ = nullptr;
    }
    void SetParentComponent(TComponent* v) override { enclosing_ = v; }
    TComponent* GetParentComponent() const override { return enclosing_; }
    bool HasParent() const override { return true; }
    void DefineProperties(TFiler& filer) override {
        // An old name for Flag that layouts written earlier still carry.
        filer.DefineProperty("OldFlag", [this](const TValue& v) { SetFlag(TPropType<bool>::FromValue(v)); });
    }
    void Loaded() override {
        TComponent::Loaded();
        Log().push_back(Name() + (buddy_ ? "+buddy" : ""));
    }
    ~TTestThing() override { Log().push_back("~" + Name()); }

    static void Publish(TClassBuilder<TTestThing>& b) {
        b.Prop("Count", &TTestThing::GetCount, &TTestThing::SetCount);
        b.Prop("Flag", &TTestThing::GetFlag, &TTestThing::SetFlag);
        b.Prop("Ratio", &TTestThing::GetRatio, &TTestThing::SetRatio);
        b.Prop("Text", &TTestThing::GetText, &TTestThing::SetText);
        b.Prop("Mode", &TTestThing::GetMode, &TTestThing::SetMode);
        b.Prop("Options", &TTestThing::GetOptions, &TTestThing::SetOptions);
        b.Prop("Nested", &TTestThing::GetNested);
        b.Prop("Lines", &TTestThing::GetLines);
        b.Prop("Items", &TTestThing::GetItems);
        b.Prop("Buddy", &TTestThing::GetBuddy, &TTestThing::SetBuddy);
        b.Event("OnPing", &TTestThing::OnPing);
    }

    TComponent* enclosing_ = nullptr;
    bool parentBeforeProps_ = false;
    bool firstWrite_ = true;
    std::vector<std::string> writes_;

private:
    int count_ = 0;
    bool flag_ = false;
    double ratio_ = 0;
    std::string text_;
    TTestMode mode_ = TTestMode::tmOff;
    TSet<TTestOption> options_;
    TTestNested nested_;
    TStringList lines_;
    TCollection items_;
    TTestThing* buddy_ = nullptr;
};
IMPLEMENT_CLASS(TTestThing);

class TTestRoot : public TComponent {
    DECLARE_CLASS(TTestRoot, TComponent)
    explicit TTestRoot(TComponent* owner) : TComponent(owner) {}
    void Ping(TObject* sender) { pinged.push_back(sender); }
    void Wrong(TObject*, int) {}
    std::vector<TObject*> pinged;
    TTestThing* First = nullptr;
    static void Publish(TClassBuilder<TTestRoot>& b) {
        b.Handler("Ping", &TTestRoot::Ping);
        b.Handler("Wrong", &TTestRoot::Wrong);
        b.Component("First", &TTestRoot::First);
    }
};
IMPLEMENT_CLASS(TTestRoot);

static const char* kLayout = R"(
object Root: TTestRoot
  object First: TTestThing
    Count = 3
    Flag = True
    Ratio = 2.5
    Text = 'It''s line one'#13#10'and ' +
      'two'
    Mode = tmFast
    Options = [toA, toC]
    Nested.Label = 'inner'
    Nested.Size = -7
    Lines.Strings = (
      'alpha'
      'beta')
    Items = <
      item
        Caption = 'Name'
        Width = 120
      end
      item
        Caption = 'Size'
      end>
    Buddy = Second
    OnPing = Ping
    object Inner: TTestThing
      Count = $10
    end
  end
  object Second: TTestThing
    OldFlag = True
    Buddy = First
  end
end
)";

TEST(Layout, ReadsEveryValueKindThroughTheWriters) {
    Log().clear();
    TFreeGuard<TTestRoot> root(TTestRoot::Create(nullptr));
    root->SetName("Root");
    ReadLayout(root.get(), kLayout, "kLayout");

    ASSERT_EQ(root->ComponentCount(), 3);
    auto* first = dynamic_cast<TTestThing*>(root->FindComponent("First"));
    auto* inner = dynamic_cast<TTestThing*>(root->FindComponent("Inner"));
    auto* second = dynamic_cast<TTestThing*>(root->FindComponent("second"));   // names ignore case
    ASSERT_TRUE(first && inner && second);
    EXPECT_EQ(root->First, first);   // published component field bound by name

    EXPECT_EQ(first->GetCount(), 3);
    EXPECT_TRUE(first->GetFlag());
    EXPECT_DOUBLE_EQ(first->GetRatio(), 2.5);
    EXPECT_EQ(first->GetText(), "It's line one\r\nand two");
    EXPECT_EQ(first->GetMode(), TTestMode::tmFast);
    EXPECT_EQ(first->GetOptions(), (TSet<TTestOption>{TTestOption::toA, TTestOption::toC}));
    EXPECT_EQ(first->GetNested()->GetLabel(), "inner");
    EXPECT_EQ(first->GetNested()->GetSize(), -7);
    EXPECT_EQ(first->GetLines()->Text(), "alpha\r\nbeta\r\n");
    ASSERT_EQ(first->GetItems()->Count(), 2);
    auto* item0 = dynamic_cast<TTestItem*>(first->GetItems()->Items(0));
    auto* item1 = dynamic_cast<TTestItem*>(first->GetItems()->Items(1));
    EXPECT_EQ(item0->Caption, "Name");
    EXPECT_EQ(item0->Width, 120);
    EXPECT_EQ(item1->Caption, "Size");
    EXPECT_EQ(inner->GetCount(), 16);
    EXPECT_TRUE(second->GetFlag());   // through the obsolete name

    // References forward and backward are fixed up after the whole layout.
    EXPECT_EQ(first->GetBuddy(), second);
    EXPECT_EQ(second->GetBuddy(), first);

    // Placement comes before properties, into the enclosing object.
    EXPECT_TRUE(first->parentBeforeProps_);
    EXPECT_EQ(first->enclosing_, root.get());
    EXPECT_EQ(inner->enclosing_, first);
    EXPECT_EQ(inner->Owner(), root.get());

    // Loaded runs once per component, after references are set, in creation order.
    EXPECT_EQ(Log(), (std::vector<std::string>{"First+buddy", "Inner", "Second+buddy"}));
    EXPECT_FALSE(first->IsLoading());

    ASSERT_TRUE(first->OnPing);
    first->OnPing(first);
    ASSERT_EQ(root->pinged.size(), 1u);
    EXPECT_EQ(root->pinged[0], first);
}

TEST(Layout, StoredOrderIsTheOrderOfTheWrites) {
    TFreeGuard<TTestRoot> root(TTestRoot::Create(nullptr));
    ReadLayout(root.get(), "object R: TTestRoot\n object First: TTestThing\n Flag = False\n Count = 1\n Flag = True\n end\nend",
               "order");
    EXPECT_EQ(root->First->writes_, (std::vector<std::string>{"Flag", "Count", "Flag"}));
}

namespace {
std::string LayoutError(const std::string& body) {
    TFreeGuard<TTestRoot> root(TTestRoot::Create(nullptr));
    try {
        ReadLayout(root.get(), "object R: TTestRoot\n" + body + "end\n", "bad");
    } catch (const EReadError& e) {
        return e.Message();
    }
    return "no error";
}
} // namespace

TEST(Layout, FaultsNameTheLayoutLineAndCause) {
    EXPECT_EQ(LayoutError("object First: TNoSuchClass\nend\n"), "bad(2): class TNoSuchClass not found");
    EXPECT_NE(LayoutError("object First: TTestThing\n Colour = 3\nend\n").find("bad(3): error reading First.Colour"),
              std::string::npos);
    EXPECT_NE(LayoutError("object First: TTestThing\n OnPing = Missing\nend\n").find("handler Missing not found"),
              std::string::npos);
    EXPECT_NE(LayoutError("object First: TTestThing\n OnPing = Wrong\nend\n").find("does not fit event OnPing"),
              std::string::npos);
    EXPECT_NE(LayoutError("object First: TTestThing\n Buddy = Nobody\nend\n").find("bad(3): component Nobody"),
              std::string::npos);
    EXPECT_NE(LayoutError("object First: TTestThing\n Mode = tmWarp\nend\n").find("bad(3)"), std::string::npos);
    EXPECT_NE(LayoutError("object First: TTestThing\n Count = 'x'\nend\n").find("bad(3)"), std::string::npos);
    EXPECT_NE(LayoutError("object First: TTestThing\n Text = 'open\nend\n").find("unterminated string"), std::string::npos);
    // A layout that lacks a component its form expects.
    EXPECT_NE(LayoutError("").find("component First is missing"), std::string::npos);
}

TEST(Components, OwnerFreesOwnedLastFirstAndReferencesAreCleared) {
    Log().clear();
    auto* root = TTestRoot::Create(nullptr);
    auto* a = TTestThing::Create(root);
    a->SetName("A");
    auto* b = TTestThing::Create(root);
    b->SetName("B");
    a->SetBuddy(b);
    EXPECT_THROW(TTestThing::Create(root)->SetName("A"), EComponentError);
    EXPECT_THROW(a->SetName("not valid"), EComponentError);
    root->Components(2)->Free();

    b->Free();
    EXPECT_EQ(a->GetBuddy(), nullptr);   // told of the removal
    EXPECT_EQ(root->ComponentCount(), 1);

    auto* c = TTestThing::Create(root);
    c->SetName("C");
    Log().clear();
    root->Free();
    EXPECT_EQ(Log(), (std::vector<std::string>{"~C", "~A"}));
}

TEST(Properties, TextFormAndOrdinalAccessByName) {
    TFreeGuard<TTestThing> t(TTestThing::Create(nullptr));
    SetPropText(t.get(), "options", "[toB, toC]");
    EXPECT_EQ(GetPropText(t.get(), "Options"), "[toB, toC]");
    EXPECT_EQ(GetOrdProp(t.get(), "Options"), 6);
    SetPropText(t.get(), "Mode", "tmSlow");
    EXPECT_EQ(GetOrdProp(t.get(), "Mode"), 1);
    SetPropText(t.get(), "Text", "plain 'text'");
    EXPECT_EQ(t->GetText(), "plain 'text'");
    EXPECT_TRUE(IsPublishedProp(t.get(), "Buddy"));
    EXPECT_FALSE(IsPublishedProp(t.get(), "FrameColor"));
    EXPECT_THROW(SetPropText(t.get(), "Count", "3x"), EConvertError);
    EXPECT_THROW(SetPropText(t.get(), "Options", "[toZ]"), EPropertyError);
    EXPECT_EQ(TValue::MakeString("a'b\r").ToText(), "'a''b'#13");
}

TEST(StringLists, SortedFindDuplicatesAndText) {
    TStringList list;
    list.SetText("b\r\nA\nc\r");
    EXPECT_EQ(list.Count(), 3);
    list.SetSorted(true);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"A", "b", "c"}));
    EXPECT_EQ(list.Add("B"), 1);   // duplicates ignored, case-insensitive by default
    EXPECT_EQ(list.Count(), 3);
    list.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(list.Add("c"), EListError);
    EXPECT_EQ(list.IndexOf("C"), 2);
    EXPECT_THROW(list.Insert(0, "x"), EListError);
    EXPECT_THROW(list.Get(3), EListError);

    TStringList values;
    int changes = 0;
    values.OnChange = [&](TObject*) { ++changes; };
    values.BeginUpdate();
    values.SetValues("Key", "1");
    values.SetValues("Other", "2");
    values.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(values.Values("key"), "1");
    values.SetValues("Key", "");
    EXPECT_EQ(values.Text(), "Other=2\r\n");
}

TEST(StringLists, SetStringsReplacesEveryLineInOneChange) {
    TStringList list;
    list.Add("old");
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.SetStrings({"one", "two", "three"});
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(changes, 1);
    list.SetStrings({});
    EXPECT_EQ(list.Count(), 0);
}

namespace {
class TCountingCollection : public TCollection {
public:
    TCountingCollection() : TCollection([](TCollection* c) { return new TTestItem(c); }) {}
    int Updates = 0;
protected:
    void Update(TCollectionItem*) override { ++Updates; }
};
} // namespace

TEST(Collections, AFailedAssignDoesNotLeaveTheUpdateOpen) {
    TCountingCollection source, target;
    source.Add();
    // The items cannot copy one another: the assignment fails part-way.
    EXPECT_THROW(target.Assign(&source), EConvertError);
    int before = target.Updates;
    target.Add();
    EXPECT_EQ(target.Updates, before + 1);
}

TEST(Streams, FileRoundTripAndReadErrors) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "velmora_stream_test.txt";
    TStringList lines;
    lines.Add("first");
    lines.Add("second");
    lines.SaveToFile(path);
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size())), "first\r\nsecond\r\n");
    char buf[64];
    m.SetPosition(m.Size() - 2);
    EXPECT_THROW(m.ReadBuffer(buf, 4), EReadError);
    DeleteFileA(path.c_str());
    EXPECT_THROW(TFileStream(path, TFileMode::fmOpenRead), EFOpenError);
}
