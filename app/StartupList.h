// The startup page's list view and the startup items behind its rows: filling it, reading
// the check boxes back into the system, deleting rows, and the details of a row. The main
// window keeps one and calls it from its handlers.
#pragma once
#include "app/StartupItems.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TCustomListView;
class TListItem;

// A row whose change was refused, with the reason.
struct TStartupFailure {
    std::string Name;
    TStartupResult Result;
};

class TStartupList {
public:
    // The list view is the window's: it must outlive this object.
    explicit TStartupList(TCustomListView* listView);
    TStartupList(const TStartupList&) = delete;
    TStartupList& operator=(const TStartupList&) = delete;

    TCustomListView* ListView() const { return listView_; }

    // The columns "Startup Item" (130), "Command" (240) and "Location" (360), made when
    // missing; their captions are (re)set from the language strings at every call.
    void SetupColumns();
    // Clears the list and fills it from the Run-type keys of the current user and of the
    // machine and from the Startup folders, in one update of the list.
    void Fill();
    // Shows these items instead, in their order (checked: enabled).
    void Fill(std::vector<TStartupItem> items);

    // The item behind a row; nullptr for a row this object did not make.
    const TStartupItem* ItemOf(const TListItem* row) const;
    // Checks or unchecks every row; nothing reaches the system before Apply.
    void SetAllChecked(bool checked);
    // The last row's check box, which decides the "Enable All"/"Disable All" caption when
    // the page is shown; nothing for an empty list.
    std::optional<bool> LastRowChecked() const;
    // The details of a row; false when its program has no version texts (the details box
    // is then hidden) or the row is unknown.
    bool Details(const TListItem* row, TStartupDetails& details) const;

    // Writes the check boxes to the system, first row to last: a row whose box differs from
    // where its entry lies is enabled or disabled; an unchecked Startup-folder row is backed
    // up and removed, and its row goes. A refused row gets its box back and the refusals
    // are shown in one box; they are returned.
    std::vector<TStartupFailure> Apply();
    // Asks "Do you really want to delete the startup entry selected?"; on Yes deletes the
    // selected rows from the last to the first. A row goes only when its entry was deleted;
    // the refusals are shown in one box and returned.
    std::vector<TStartupFailure> DeleteSelected();

private:
    TStartupItem* Find(const TListItem* row) const;
    void AddRow(std::unique_ptr<TStartupItem> item);
    void RemoveRow(TListItem* row);
    static void ShowFailures(const std::string& header, const std::vector<TStartupFailure>& failures);

    TCustomListView* listView_;
    std::vector<std::unique_ptr<TStartupItem>> items_;
};
