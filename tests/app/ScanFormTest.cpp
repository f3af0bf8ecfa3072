// The scan window as a real window under Xvfb, and the report receiver that offers it
// modally: what the user sees, clicks and deletes.
#include "Sandbox.h"
#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "app/multiLangs.h"
#include "common/Screenshot.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace {

class ScanWindow : public ::testing::Test {
protected:
    void SetUp() override { ResetLanguageDefaults(); }

    // A scan window for target, shown modelessly, once its scan has ended.
    TScanForm* ShowScanned(const TUninstallTarget& target) {
        form_.reset(TScanForm::Create(Application));
        form_->SetTarget(target);
        form_->Show();
        if (!PumpUntil([&] { return form_->ScanDone(); }, 30000)) ADD_FAILURE() << "the scan did not end";
        return form_.get();
    }
    static TTreeNode* Find(TTreeView* tree, const std::string& text) {
        for (int i = 0; i < tree->Items()->Count(); ++i)
            if (tree->Items()->Item(i)->Text() == text) return tree->Items()->Item(i);
        throw std::runtime_error("no node " + text);
    }
    // A point on the node's check picture, found by asking the tree itself.
    static POINT StateIconPoint(TTreeView* tree, TTreeNode* node) {
        TRect r = node->DisplayRect(true);
        int y = (r.Top + r.Bottom) / 2;
        for (int x = r.Left - 1; x >= 0; --x)
            if (tree->GetHitTestInfoAt(x, y).Contains(htOnStateIcon)) return {x - 4, y};
        throw std::runtime_error("no check picture beside " + node->Text());
    }

    // Enough keys below bulk (removed with it) for a scan to take a while.
    static void PlantBulk(const std::string& bulk, int count) {
        for (int i = 0; i < count; ++i) {
            HKEY k = nullptr;
            std::string path = bulk + "\\Vendor" + std::to_string(i / 30) + "\\Product" + std::to_string(i);
            RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
            RegCloseKey(k);
        }
    }

    const std::string pid_ = std::to_string(GetCurrentProcessId());
    const std::string name_ = "VelmoraWindowApp" + pid_;
    TFreeGuard<TScanForm> form_;
    TPlantedKeys keys_;
};

HWND gTree = nullptr;
bool gTreeRedraws = true;

LRESULT CALLBACK FollowTreeRedraw(int code, WPARAM w, LPARAM l) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(l);
    if (code == HC_ACTION && sent->hwnd == gTree && sent->message == WM_SETREDRAW) gTreeRedraws = sent->wParam != 0;
    return CallNextHookEx(nullptr, code, w, l);
}

} // namespace

TEST_F(ScanWindow, ScanRepaintsWhileTheWindowIsDisabledThenListsEverythingChecked) {
    // The findings, and after them (keys are enumerated in name order) keys to scan for a while.
    const std::string bulk = "SOFTWARE\\VelmoraXBulk" + pid_;
    keys_.Plant(HKEY_CURRENT_USER, bulk);
    PlantBulk(bulk, 3000);
    const std::string vendor = "SOFTWARE\\VelmoraWindowVendor" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendor + "\\" + name_, vendor));
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, vendor + "\\" + name_, "InstallLocation", "C:\\Velmora Test App");
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, vendor + "\\" + name_, "Version", "2.1");
    TSandbox box("window");
    const std::string app = box.Folder("Velmora Test App");
    box.File("Velmora Test App\\app.exe");
    box.File("Velmora Test App\\readme.txt");
    box.File("Velmora Test App\\plugins\\one.dll");

    // While the scan runs: the window must be disabled, its buttons too, and paint anyway; what
    // was found is shown before the scan ends.
    struct { int paints = 0, treePaints = 0, messages = 0; bool enabled = false, buttons = false; } during;
    std::atomic<bool> stop{false};
    std::atomic<HWND> shown{nullptr};
    std::thread invalidator([&] {
        while (!stop) {
            if (HWND w = shown) InvalidateRect(w, nullptr, TRUE);
            Sleep(10);   // time is the test: a repaint asked for every 10 ms while the scan runs
        }
    });
    TScopeExit join([&] {
        stop = true;
        invalidator.join();
    });
    Application->OnMessage = [&](MSG& msg, bool&) {
        if (!form_ || !form_->Scanning()) return;
        ++during.messages;
        during.enabled |= IsWindowEnabled(form_->Handle()) != FALSE;
        during.buttons |= form_->btnDelete->GetEnabled() || form_->btnCancel->GetEnabled();
        if (msg.message == WM_PAINT) ++during.paints;
        if (msg.message == WM_PAINT && msg.hwnd == form_->tvScanRegInfo->Handle() && gTreeRedraws && form_->tvScanRegInfo->Items()->Count() > 0)
            ++during.treePaints;
    };
    TScopeExit unhook([] { Application->OnMessage = nullptr; });
    form_.reset(TScanForm::Create(Application));
    // Whether the registry tree draws: a tree that doesn't is painted as empty, nodes or not.
    gTree = form_->tvScanRegInfo->Handle();
    gTreeRedraws = true;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, FollowTreeRedraw, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    TScopeExit unhookRedraw([hook] { UnhookWindowsHookEx(hook); });
    form_->SetTarget(Target(name_, app, "Velmora Test App 2.1"));
    form_->Show();
    shown = form_->Handle();
    ASSERT_TRUE(PumpUntil([&] { return form_->ScanDone(); }, 30000));
    EXPECT_GT(during.paints, 0) << "no repaint during the scan (" << during.messages << " messages)";
    EXPECT_GT(during.treePaints, 0) << "the keys found were shown only when the scan had ended";
    EXPECT_FALSE(during.enabled);
    EXPECT_FALSE(during.buttons);
    EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
    EXPECT_TRUE(form_->btnDelete->GetEnabled());
    EXPECT_TRUE(form_->btnCancel->GetEnabled());
    EXPECT_EQ(form_->GetCaption(), "Scan Remains - Velmora Test App 2.1");
    EXPECT_EQ(form_->lblScanInfo->GetCaption().rfind(app + "\\", 0), 0u) << "the label ends on the last place scanned";

    const std::string key = "HKEY_CURRENT_USER\\" + vendor + "\\" + name_;
    ASSERT_EQ(form_->tvScanRegInfo->Items()->Count(), 3);
    EXPECT_EQ(form_->tvScanRegInfo->Items()->Item(0)->Text(), key);
    ASSERT_EQ(form_->tvScanFiles->Items()->Count(), 5);
    EXPECT_EQ(form_->tvScanFiles->Items()->Item(0)->Text(), app);
    for (TTreeView* tree : {form_->tvScanRegInfo, form_->tvScanFiles})
        for (int i = 0; i < tree->Items()->Count(); ++i) EXPECT_EQ(tree->Items()->Item(i)->StateIndex(), csChecked);
    form_->tvScanRegInfo->FullExpand();
    form_->tvScanFiles->FullExpand();
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(form_->Handle(), "ScanForm-found.png"));
}

TEST_F(ScanWindow, ClosingTheWindowDuringItsScanStopsTheScan) {
    const std::string bulk = "SOFTWARE\\VelmoraBulkClose" + pid_;
    keys_.Plant(HKEY_CURRENT_USER, bulk);
    PlantBulk(bulk, 3000);
    form_.reset(TScanForm::Create(Application));
    form_->SetTarget(Target(name_, "", ""));
    int closedAt = -1;
    Application->OnMessage = [&](MSG&, bool&) {
        if (closedAt < 0 && form_->Scanning()) {
            closedAt = GetTickCount();
            form_->Close();
        }
    };
    TScopeExit unhook([] { Application->OnMessage = nullptr; });
    TBoxRecorder boxes;
    EXPECT_EQ(form_->ShowModal(), mrCancel);
    EXPECT_GE(closedAt, 0) << "no message came during the scan";
    EXPECT_LT(static_cast<int>(GetTickCount()) - closedAt, 1000);
    EXPECT_TRUE(form_->ScanDone());
    EXPECT_TRUE(boxes.Boxes.empty()) << "a stopped scan reports nothing";
    EXPECT_FALSE(form_->btnDelete->GetEnabled());
}

TEST_F(ScanWindow, ClickOnACheckPictureTogglesItsNodeAndDeleteRemovesOnlyWhatIsChecked) {
    TSandbox box("click");
    const std::string app = box.Folder("Click App");
    box.File("Click App\\keep.txt");
    box.File("Click App\\drop.txt");
    box.File("Click App\\sub\\keep-too.bin");
    box.File("Click App\\sub\\drop-too.bin");
    TScanForm* form = ShowScanned(Target(name_, app, ""));
    TTreeView* tree = form->tvScanFiles;
    tree->FullExpand();
    PumpIdle();

    // A click on the text does nothing; a click on the check picture toggles.
    TTreeNode* keep = Find(tree, app + "\\keep.txt");
    TRect text = keep->DisplayRect(true);
    PostClick(tree->Handle(), text.Left + 5, (text.Top + text.Bottom) / 2);
    PumpIdle();
    EXPECT_EQ(keep->StateIndex(), csChecked);
    POINT p = StateIconPoint(tree, keep);
    PostClick(tree->Handle(), p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return keep->StateIndex() == csUnchecked; }, 2000));
    EXPECT_EQ(tree->Items()->GetFirstNode()->StateIndex(), csPartlyChecked);
    TTreeNode* sub = Find(tree, app + "\\sub");
    p = StateIconPoint(tree, sub);
    PostClick(tree->Handle(), p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return sub->StateIndex() == csUnchecked; }, 2000));
    EXPECT_EQ(Find(tree, app + "\\sub\\keep-too.bin")->StateIndex(), csUnchecked) << "pushed down";
    TTreeNode* dropToo = Find(tree, app + "\\sub\\drop-too.bin");
    p = StateIconPoint(tree, dropToo);
    PostClick(tree->Handle(), p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return dropToo->StateIndex() == csChecked; }, 2000));
    EXPECT_EQ(sub->StateIndex(), csPartlyChecked);
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "ScanForm-partly.png"));

    TBoxRecorder boxes;
    form->btnDeleteClick(form->btnDelete);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Clean Succeeded!");
    EXPECT_TRUE(PathExists(app + "\\keep.txt"));
    EXPECT_TRUE(PathExists(app + "\\sub\\keep-too.bin"));
    EXPECT_FALSE(PathExists(app + "\\drop.txt"));
    EXPECT_FALSE(PathExists(app + "\\sub\\drop-too.bin"));
    EXPECT_EQ(tree->Items()->Count(), 4) << "the kept entries stay listed";
    EXPECT_EQ(tree->Items()->GetFirstNode()->StateIndex(), csUnchecked);

    // Pressed again, nothing more goes: all that is left was kept.
    form->btnDeleteClick(form->btnDelete);
    EXPECT_TRUE(PathExists(app + "\\keep.txt"));
    EXPECT_TRUE(PathExists(app + "\\sub\\keep-too.bin"));
}

TEST_F(ScanWindow, FailedDeletionsAreCountedInTheMessageAndStayListed) {
    TSandbox box("fail");
    const std::string app = box.Folder("Locked App");
    const std::string locked = box.File("Locked App\\in-use.dll");
    box.File("Locked App\\free.txt");
    TFileHandle hold(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    TScanForm* form = ShowScanned(Target("", app, ""));
    TBoxRecorder boxes;
    form->btnDeleteClick(form->btnDelete);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "2 of the checked items could not be deleted; they are still listed.");
    EXPECT_EQ(boxes.Boxes[0].Flags, UINT(MB_OK | MB_ICONWARNING));
    EXPECT_FALSE(PathExists(app + "\\free.txt"));
    ASSERT_EQ(form->tvScanFiles->Items()->Count(), 2);
    EXPECT_EQ(form->tvScanFiles->Items()->Item(1)->Text(), locked);
}

TEST_F(ScanWindow, NothingFoundSaysSoAndClosesTheWindow) {
    TBoxRecorder boxes;
    TScanForm* form = ShowScanned(Target(name_ + "Nothing", "C:\\velmora-no-such-folder\\App", ""));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "No files or registry keys left!");
    EXPECT_EQ(boxes.Boxes[0].Caption, Application->GetTitle());
    EXPECT_EQ(boxes.Boxes[0].Flags, UINT(MB_OK));
    EXPECT_FALSE(form->GetVisible());
}

TEST_F(ScanWindow, RegistryOnlyFindingsAreDeletedWithoutAMessage) {
    const std::string vendor = "SOFTWARE\\VelmoraRegOnly" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendor + "\\" + name_, vendor));
    TScanForm* form = ShowScanned(Target(name_, "", ""));
    ASSERT_EQ(form->tvScanRegInfo->Items()->Count(), 1);
    TBoxRecorder boxes;
    form->btnDeleteClick(form->btnDelete);
    EXPECT_TRUE(boxes.Boxes.empty());
    EXPECT_FALSE(TPlantedKeys::KeyExists(HKEY_CURRENT_USER, vendor + "\\" + name_));
    EXPECT_EQ(form->tvScanRegInfo->Items()->Count(), 0);
}

// ---- Offering the scan for a report ----------------------------------------------------------

namespace {

// Answers the questions as told, and records which scan window each "nothing left" box
// belonged to.
struct TAnswers {
    int Question = IDYES;
    std::vector<std::string> Texts;
    std::vector<UINT> Flags;
    std::vector<std::string> ScannedFor;
    std::function<void()> OnFirstQuestion;
    TMessageBoxHandler previous;
    TAnswers() {
        previous = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string&, UINT flags) {
            Texts.push_back(text);
            Flags.push_back(flags);
            if (text == IDS_MESSAGEBOX_WARNING_Noremains) {
                auto* scan = dynamic_cast<TScanForm*>(Screen->ActiveForm());
                ScannedFor.push_back(scan ? FromWide(scan->Target().RegistryName) : "?");
                return IDOK;
            }
            if (OnFirstQuestion) std::exchange(OnFirstQuestion, nullptr)();
            return Question;
        });
    }
    ~TAnswers() { SetMessageBoxHandler(std::move(previous)); }
};

LPARAM NewReport(const std::string& name) {
    return reinterpret_cast<LPARAM>(new TUninstallReport{Target(name, "C:\\velmora-gone\\" + name, name), true});
}

} // namespace

TEST_F(ScanWindow, ReportAsksTheQuestionScansItsOwnTargetModallyAndRefills) {
    int refills = 0;
    TUninstallReports reports(Application, [&] { ++refills; });
    TAnswers answers;
    EXPECT_EQ(reports.Receive(1, NewReport(name_ + "A")), UninstallReportTaken);
    ASSERT_EQ(answers.Texts.size(), 2u);
    EXPECT_EQ(answers.Texts[0], IDS_MESSAGEBOX_WARNING_ScanRemains);
    EXPECT_EQ(answers.Flags[0], UINT(0x34)) << "Yes/No with the warning icon";
    EXPECT_EQ(answers.ScannedFor, std::vector<std::string>{name_ + "A"});
    EXPECT_EQ(refills, 1);

    // An uninstaller that could not be started gets the other question.
    EXPECT_EQ(reports.Receive(0, NewReport(name_ + "B")), UninstallReportTaken);
    EXPECT_EQ(answers.Texts[2], IDS_MESSAGEBOX_WARNING_UninstallFailed);
    EXPECT_EQ(refills, 2);

    answers.Question = IDNO;
    EXPECT_EQ(reports.Receive(1, NewReport(name_ + "C")), UninstallReportTaken);
    EXPECT_EQ(answers.Texts.size(), 5u) << "No: no scan";
    EXPECT_EQ(refills, 2);
    EXPECT_EQ(reports.Receive(1, 0), 0) << "a message without a report is not taken";
}

TEST_F(ScanWindow, ReportArrivingDuringAnotherOfferWaitsForItsTurn) {
    int refills = 0;
    TUninstallReports reports(Application, [&] { ++refills; });
    TAnswers answers;
    answers.OnFirstQuestion = [&] {
        EXPECT_EQ(reports.Receive(1, NewReport(name_ + "Second")), UninstallReportTaken);
        EXPECT_EQ(reports.Pending(), 1);
    };
    reports.Receive(1, NewReport(name_ + "First"));
    EXPECT_EQ(answers.ScannedFor, (std::vector<std::string>{name_ + "First", name_ + "Second"}));
    EXPECT_EQ(answers.Texts.size(), 4u) << "question, result, question, result";
    EXPECT_EQ(refills, 2);
    EXPECT_EQ(reports.Pending(), 0);
}

TEST_F(ScanWindow, WholeUninstallFromTheThreadToTheModalScanDeletesOnlyItsProgram) {
    TSandbox box("whole");
    const std::string stub = box.Path("App\\unins000.exe");
    ForceDirectories(box.Path("App"));
    ASSERT_TRUE(CopyFileA((TestBinDir() + "\\UninstallStub.exe").c_str(), stub.c_str(), FALSE));
    box.File("App\\data\\left.dat");
    box.File("Neighbour\\keep.dat");
    const std::string vendor = "SOFTWARE\\VelmoraWholeVendor" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendor + "\\" + name_, vendor));
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendor + "\\" + name_ + "Other"));

    int refills = 0;
    TUninstallReports reports(Application, [&] { ++refills; });
    TReportWindow window;
    window.Handler = [&](TMessage& m) {
        if (m.Msg == WM_UNINSTALL_DONE) m.Result = reports.Receive(m.WParam, m.LParam);
    };
    // The user's part inside the modal scan: wait for the findings, Delete, then Cancel.
    std::vector<std::string> seen;
    HWND driver = AllocateHWnd([&](TMessage& m) {
        if (m.Msg != WM_TIMER) return;
        auto* scan = dynamic_cast<TScanForm*>(Screen->ActiveForm());
        if (!scan || !scan->ScanDone() || !scan->IsModal()) return;
        for (int i = 0; i < scan->tvScanRegInfo->Items()->Count(); ++i) seen.push_back(scan->tvScanRegInfo->Items()->Item(i)->Text());
        for (int i = 0; i < scan->tvScanFiles->Items()->Count(); ++i) seen.push_back(scan->tvScanFiles->Items()->Item(i)->Text());
        scan->btnDelete->Click();
        scan->btnCancel->Click();
    });
    SetTimer(driver, 1, 50, nullptr);
    TScopeExit stopDriver([&] { DeallocateHWnd(driver); });
    TBoxRecorder boxes(IDYES);

    TWaitingThread::Run(window.Wnd, ToWide(stub + " exit"), Target(name_, box.Path("App") + "\\", "Whole App"));
    ASSERT_TRUE(PumpUntil([&] { return refills == 1; }, 20000));
    ASSERT_EQ(boxes.Boxes.size(), 2u);
    EXPECT_EQ(boxes.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_ScanRemains);
    EXPECT_EQ(boxes.Boxes[1].Text, "Clean Succeeded!");
    std::vector<std::string> expected = {"HKEY_CURRENT_USER\\" + vendor + "\\" + name_, box.Path("App") + "\\",
                                         box.Path("App\\unins000.exe"), box.Path("App\\unins000.exe.log"),
                                         box.Path("App\\data"), box.Path("App\\data\\left.dat")};
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(PathExists(box.Path("App")));
    EXPECT_TRUE(PathExists(box.Path("Neighbour\\keep.dat")));
    EXPECT_FALSE(TPlantedKeys::KeyExists(HKEY_CURRENT_USER, vendor + "\\" + name_));
    EXPECT_TRUE(TPlantedKeys::KeyExists(HKEY_CURRENT_USER, vendor + "\\" + name_ + "Other"));
}

TEST_F(ScanWindow, CjkNamesBesideSameLengthNamesGoExactlyAsChecked) {
    // Through the code page "測試" reads "??", which as a pattern would take "ab" and "cd" too.
    TSandbox box("cjkwindow");
    const std::string app = box.Folder("Cjk App");
    const std::wstring wapp = ToWide(app);
    const std::wstring cjkFolder = wapp + L"\\\u6E2C\u8A66", cjkFile = wapp + L"\\\u30C7\u30FC\u30BF.ini";
    ASSERT_TRUE(CreateDirectoryW(cjkFolder.c_str(), nullptr));
    for (const std::wstring& file : {cjkFolder + L"\\a.txt", cjkFile}) {
        TFileHandle f(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(f);
    }
    box.File("Cjk App\\ab\\keep.txt");
    box.File("Cjk App\\cd\\drop.txt");
    const std::string canary = box.File("Neighbour\\canary.txt");
    TScanForm* form = ShowScanned(Target("", app, ""));
    TTreeView* tree = form->tvScanFiles;
    tree->FullExpand();
    auto byPath = [&](const std::wstring& path) -> TTreeNode* {
        for (int i = 0; i < tree->Items()->Count(); ++i)
            if (ScanItemOf(tree->Items()->Item(i))->Path == path) return tree->Items()->Item(i);
        throw std::runtime_error("no node for " + FromWide(path));
    };
    ASSERT_EQ(tree->Items()->Count(), 8);
    // Its text is the code page's; the tree itself shows the exact name.
    EXPECT_EQ(byPath(cjkFolder)->Text(), app + "\\??");
    wchar_t shown[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = byPath(cjkFolder)->ItemId();
    item.pszText = shown;
    item.cchTextMax = MAX_PATH;
    ASSERT_TRUE(SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::wstring(shown), cjkFolder);

    // The user keeps "ab" and the CJK file.
    for (TTreeNode* node : {byPath(wapp + L"\\ab"), byPath(cjkFile)}) {
        POINT p = StateIconPoint(tree, node);
        PostClick(tree->Handle(), p.x, p.y);
        ASSERT_TRUE(PumpUntil([&] { return node->StateIndex() == csUnchecked; }, 2000));
    }
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "ScanForm-cjk.png"));
    TBoxRecorder boxes;
    form->btnDelete->Click();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Clean Succeeded!");
    auto exists = [](const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; };
    EXPECT_FALSE(exists(cjkFolder));
    EXPECT_FALSE(exists(wapp + L"\\cd"));
    EXPECT_TRUE(exists(wapp + L"\\ab\\keep.txt"));
    EXPECT_TRUE(exists(cjkFile));
    EXPECT_TRUE(PathExists(canary));
    EXPECT_EQ(tree->Items()->Count(), 4) << "the folder, the kept folder with its file, the kept file";
}
