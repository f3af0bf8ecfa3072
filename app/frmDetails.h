// The details window: the properties and the registry values of one installed program, with
// a picture combo box that switches to another program in place. The main window makes it
// once, fills its selector with every listed program and shows it for the selected one.
#pragma once
#include "controls/framed/FcListVw.h"
#include "controls/framed/FcTabs.h"
#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

#include <string>
#include <vector>

struct IProgramItem;
class TProgramList;

// What the properties page shows of an entry, as the component answers for it.
struct TEntryDetails {
    double Size = 0.0;   // in bytes
    std::string InstallDate;
    unsigned long UsageCount = 0;
    std::string LastUsed;
    std::string InstallLocation;
    std::string Version;
    std::string Publisher;
    std::string HelpLink;
    std::string AboutLink;
    std::string UpdateLink;
};

// One row of a details list: its caption and its one sub-item.
struct TDetailRow {
    std::string Caption;
    std::string Value;
    bool operator==(const TDetailRow&) const = default;
};

// The language's word for a usage count: below 3 rarely, up to 10 occasionally, then
// frequently.
const std::string& UsedFrequencyWord(unsigned long usageCount);
// The properties rows in their fixed order, captions from the language table. A size of 0
// and empty texts leave their rows out; the usage row is always there.
std::vector<TDetailRow> ComposeDetailRows(const TEntryDetails& details);
// An entry's answers (raises EOleSysError when the component fails).
TEntryDetails ReadEntryDetails(IProgramItem* entry);
// The values of the entry's uninstall key in the component's order: name and data.
std::vector<TDetailRow> ReadRegistryValues(IProgramItem* entry);

class TDetailsForm : public TForm {
    DECLARE_CLASS(TDetailsForm, TForm)
    explicit TDetailsForm(TComponent* AOwner) : TForm(AOwner) {}

    TLabel* lblPrograms = nullptr;
    TComboBoxEx* cmbPrograms = nullptr;
    TImageList* CmbImageList = nullptr;   // holds the system's small icons, shared
    TFcPageControl* pcProgramDetails = nullptr;
    TFcTabSheet* tsProgramInfo = nullptr;
    TFcTabSheet* tsRegistryInfo = nullptr;
    TFcListView* lsvProgramInfo = nullptr;
    TFcListView* lsvRegistryInfo = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void cmbProgramsChange(TObject* Sender);

    // The component entries are read from (the main window's); forgotten when it goes.
    void SetProgramList(TProgramList* list);
    TProgramList* ProgramList() const { return programList_; }

    // The selector holds one item per program row of the main window, in list order, each
    // with the row's caption and image and the entry index as its data.
    void ClearPrograms();
    void AddProgram(const std::string& caption, int imageIndex, int entryIndex);

    // Shows the entry at index of the component: selects its item in the selector (without
    // running the selector's change handler) and fills both lists. A nil entry changes
    // nothing; the component's failures are raised before anything changes.
    void ShowEntryDetails(int entryIndex);

    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TDetailsForm>& b);

private:
    void SetColumnCaptions();
    // The item whose data is the entry index, so that rows left out of the selector
    // (hidden patches, a fill that stopped early) cannot shift the choice.
    void SelectProgram(int entryIndex);
    static void FillList(TFcListView* list, const std::vector<TDetailRow>& rows);
    static void FitNameColumn(TFcListView* list, int minWidth);
    static constexpr int kProgramNameWidth = 100;
    static constexpr int kRegistryNameWidth = 160;
    TProgramList* programList_ = nullptr;
};
