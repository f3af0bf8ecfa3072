#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "app/multiLangs.h"
#include "framework/Guards.h"

#include <algorithm>

IMPLEMENT_CLASS(TScanForm);

void TScanForm::Publish(TClassBuilder<TScanForm>& b) {
    b.Component("lblScaning", &TScanForm::lblScaning);
    b.Component("lblScanInfo", &TScanForm::lblScanInfo);
    b.Component("lblRegInfoLeft", &TScanForm::lblRegInfoLeft);
    b.Component("tvScanRegInfo", &TScanForm::tvScanRegInfo);
    b.Component("lblFileLeft", &TScanForm::lblFileLeft);
    b.Component("tvScanFiles", &TScanForm::tvScanFiles);
    b.Component("btnDelete", &TScanForm::btnDelete);
    b.Component("btnCancel", &TScanForm::btnCancel);
    b.Component("TimerStartScan", &TScanForm::TimerStartScan);
    b.Component("ImageList", &TScanForm::ImageList);
    b.Handler("FormCreate", &TScanForm::FormCreate);
    b.Handler("FormShow", &TScanForm::FormShow);
    b.Handler("TimerStartScanTimer", &TScanForm::TimerStartScanTimer);
    b.Handler("btnDeleteClick", &TScanForm::btnDeleteClick);
    b.Handler("btnCancelClick", &TScanForm::btnCancelClick);
    b.Handler("tvScanRegInfoMouseDown", &TScanForm::tvScanRegInfoMouseDown);
    b.Handler("tvScanFilesMouseDown", &TScanForm::tvScanFilesMouseDown);
}

TScanForm::TScanForm(TComponent* AOwner) : TForm(AOwner) {}

TScanForm::~TScanForm() = default;

void TScanForm::FormCreate(TObject*) {
    AddCheckStateImages(ImageList);
    scan_ = std::make_unique<TLeftoverScan>(tvScanRegInfo->Items(), tvScanFiles->Items());
    TimerStartScan->SetEnabled(true);
}

void TScanForm::FormShow(TObject*) {
    // Several uninstalls may end one after another: the caption says which program this is.
    SetCaption(target_.DisplayName.empty() ? IDS_SCANFORM_Title : IDS_SCANFORM_Title + " - " + target_.DisplayName);
    lblScaning->SetCaption(IDS_SCANFORM_LABEL_Scaning);
    lblRegInfoLeft->SetCaption(IDS_SCANFORM_LABEL_RegInfoLeft);
    lblFileLeft->SetCaption(IDS_SCANFORM_LABEL_FilesLeft);
    btnDelete->SetCaption(IDS_SCANFORM_BUTTON_Delete);
    btnCancel->SetCaption(IDS_SCANFORM_BUTTON_Cancel);
}

void TScanForm::TimerStartScanTimer(TObject*) { RunScan(); }

void TScanForm::RunScan() {
    TimerStartScan->SetEnabled(false);
    if (scanning_ || scanDone_) return;
    {
        // The window stays disabled while the scan lets messages through, so nothing in it
        // can start a second scan or delete half a result.
        TRestore<bool> scanning(scanning_, true);
        SetEnabled(false);
        // A failure to enable it again reaches the caller's error report, unless the scan
        // itself failed, whose error then goes first.
        TScopeExit enable([this] { SetEnabled(true); });
        // Ten times a second is enough to repaint and to follow the label; letting messages
        // through costs a time slice under Wine, far more than a registry key does.
        scan_->StepIntervalMs = 100;
        scan_->OnStep = [this](const std::string& place) { return ScanStep(place); };
        // A node added to a tree that redraws costs fifty times as much as one added to a
        // tree that doesn't: the trees redraw only while a step shows them (ShowNewNodes).
        TUpdateLock regLock(tvScanRegInfo->Items()), fileLock(tvScanFiles->Items());
        scan_->Run(target_);
    }
    scanDone_ = true;
    if (scan_->Stopped()) return;
    if (tvScanRegInfo->Items()->Count() == 0 && tvScanFiles->Items()->Count() == 0) {
        Application->MessageBox(IDS_MESSAGEBOX_WARNING_Noremains, Application->GetTitle(), MB_OK);
        Close();
    }
    btnDelete->SetEnabled(true);
    btnCancel->SetEnabled(true);
}

// Between steps: show where the scan is and let the waiting messages through (painting,
// messages other threads send). A window that is being closed stops the scan.
bool TScanForm::ScanStep(const std::string& place) {
    lblScanInfo->SetCaption(place);
    // The window's own repaint first: showing the trees may take tens of milliseconds, and
    // the window must not wait for that.
    LetMessagesThrough();
    ShowNewNodes();
    return GetModalResult() == mrNone && !Application->Terminated() && GetVisible();
}

void TScanForm::LetMessagesThrough() {
    // Only while there are some: Wine gives the rest of the time slice away whenever it is
    // asked for a message and finds none, which under load costs more than the scan itself.
    // A bounded number, so that a window that never stops asking to be painted can't hold
    // the scan up.
    MSG msg;
    for (int n = 0; n < 500 && !Application->Terminated() && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD); ++n)
        Application->ProcessMessage();
}

// A tree shows what was found so far when it has something new, at most once a second, and
// less often when showing it is slow: turning a tree's redraw on and painting it costs as much
// as scanning a few hundred keys (under Wine, with its scroll bars, 20 to 60 milliseconds),
// and a scan finds its keys one by one. Showing the trees takes at most 1/kShowingShare of the
// scan's time.
void TScanForm::ShowNewNodes() {
    TTreeNodes* const regNodes = tvScanRegInfo->Items();
    TTreeNodes* const fileNodes = tvScanFiles->Items();
    const DWORD start = GetTickCount();
    if (treesShownAt_ && start - *treesShownAt_ < std::max(kTreesShownEveryMs, kShowingShare * showingMs_)) return;
    const bool newKeys = regNodes->Count() != shownRegNodes_;
    const bool newFiles = fileNodes->Count() != shownFileNodes_;
    if (!newKeys && !newFiles) return;
    {
        if (newKeys) {
            shownRegNodes_ = regNodes->Count();
            regNodes->EndUpdate();
        }
        if (newFiles) {
            shownFileNodes_ = fileNodes->Count();
            fileNodes->EndUpdate();
        }
        TScopeExit relock([=] {
            if (newKeys) regNodes->BeginUpdate();
            if (newFiles) fileNodes->BeginUpdate();
        });
        LetMessagesThrough();
    }
    treesShownAt_ = GetTickCount();
    showingMs_ = *treesShownAt_ - start;
}

void TScanForm::btnDeleteClick(TObject*) {
    lblScanInfo->SetCaption("");
    const bool hadFiles = tvScanFiles->Items()->Count() > 0;
    int failed = 0;
    {
        TUpdateLock regLock(tvScanRegInfo->Items()), fileLock(tvScanFiles->Items());
        failed = DeleteCheckedRegistry(tvScanRegInfo->Items());
        failed += DeleteCheckedFiles(tvScanFiles->Items());
    }
    if (failed > 0) {
        std::string text = FormatLang(IDS_MESSAGEBOX_WARNING_CleanFailed, DefaultOf(IDS_MESSAGEBOX_WARNING_CleanFailed), failed);
        Application->MessageBox(text, Application->GetTitle(), MB_OK | MB_ICONWARNING);
    } else if (hadFiles) {
        ShowMessage(IDS_MESSAGEBOX_WARNING_CleanSuccess);
    }
}

void TScanForm::btnCancelClick(TObject*) { Close(); }

void TScanForm::tvScanRegInfoMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    ToggleCheckAt(tvScanRegInfo, X, Y);
}

void TScanForm::tvScanFilesMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    ToggleCheckAt(tvScanFiles, X, Y);
}

void TScanForm::ToggleCheckAt(TTreeView* tree, int X, int Y) {
    TTreeNode* node = tree->GetNodeAt(X, Y);
    if (node && tree->GetHitTestInfoAt(X, Y).Contains(htOnStateIcon)) ToggleTreeCheck(node);
}

// ---- The check pictures ------------------------------------------------------------------------

void AddCheckStateImages(TCustomImageList* images) {
    constexpr uint32_t key = 0xFF00FF, border = 0x3C5A7D, fill = 0xFFFFFF, mark = 0x1F3350, part = 0x7F93AE;
    constexpr int box = 13;
    // The tick: a column of three pixels from each top row, left to right.
    constexpr int tickTop[] = {5, 6, 7, 6, 5, 4, 3};
    const int w = images->GetWidth(), h = images->GetHeight();
    TBitmap strip(w * 4, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 4; ++x) strip.ScanLine(y)[x] = key;
    auto put = [&](int x, int y, uint32_t c) {
        if (x >= 0 && x < w * 4 && y >= 0 && y < h) strip.ScanLine(y)[x] = c;
    };
    for (int image = 1; image <= 3; ++image) {
        const int x0 = image * w + (w - box) / 2, y0 = (h - box) / 2;
        for (int y = 0; y < box; ++y)
            for (int x = 0; x < box; ++x)
                put(x0 + x, y0 + y, x == 0 || y == 0 || x == box - 1 || y == box - 1 ? border : fill);
        if (image == csChecked) {
            for (int i = 0; i < 7; ++i)
                for (int d = 0; d < 3; ++d) put(x0 + 3 + i, y0 + tickTop[i] + d, mark);
        } else if (image == csPartlyChecked) {
            for (int y = 3; y < box - 3; ++y)
                for (int x = 3; x < box - 3; ++x) put(x0 + x, y0 + y, part);
        }
    }
    strip.Changed();
    images->AddMasked(&strip, clFuchsia);
}

// ---- Offering the scan -----------------------------------------------------------------------

TUninstallReports::TUninstallReports(TComponent* scanOwner, std::function<void()> refill)
    : scanOwner_(scanOwner), refill_(std::move(refill)) {}

LRESULT TUninstallReports::Receive(WPARAM wParam, LPARAM lParam) {
    if (!lParam) return 0;
    // Room first: once taken, the report must never be left to the thread as well.
    pending_.push_back(nullptr);
    pending_.back() = TakeUninstallReport(lParam);
    pending_.back()->Started = wParam != 0;
    if (busy_) return UninstallReportTaken;
    TRestore<bool> busy(busy_, true);
    while (!pending_.empty() && !Application->Terminated()) {
        std::unique_ptr<TUninstallReport> next = std::move(pending_.front());
        pending_.pop_front();
        Guard([&] { Offer(*next); });
    }
    return UninstallReportTaken;
}

void TUninstallReports::Offer(const TUninstallReport& report) {
    const std::string& question = report.Started ? IDS_MESSAGEBOX_WARNING_ScanRemains : IDS_MESSAGEBOX_WARNING_UninstallFailed;
    if (Application->MessageBox(question, Application->GetTitle(), MB_YESNO | MB_ICONWARNING) != IDYES) return;
    {
        TFreeGuard<TScanForm> scan(TScanForm::Create(scanOwner_));
        scan->SetTarget(report.Target);
        // A showing that fails is reported like any error; the list is refilled all the same.
        Guard([&] { scan->ShowModal(); });
    }
    if (refill_) refill_();
}
