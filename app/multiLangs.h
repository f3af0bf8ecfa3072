// Every text a translator may change, as process-wide strings that start out as the built-in
// English defaults and are replaced from the language file in LangsDir.
#pragma once
#include "framework/SysUtils.h"
#include <functional>
#include <span>
#include <string>

// The language table in file order. L(id, default) is a plain string whose key is its name;
// E(id, default) a multi-line one, kept in the file (and in its default) with "#13" for each
// line break; K(id, readKey, writeKey, default, escaped) one whose key text is not its name:
// the blanks at the end of some keys belong to the key, and the reader and the writer of one
// string differ in case, which the case-blind match of the file makes one key.
#define VELMORA_LANGUAGE_TABLE(L, E, K) \
    L(IDS_MAINFORM_MENU_File, "File") \
    L(IDS_MAINFORM_MENU_FILE_NewProgram, "New Program") \
    L(IDS_MAINFORM_MENU_FILE_ExportRegInfo, "Export Registry Info") \
    L(IDS_MAINFORM_MENU_FILE_ReloadRegInfo, "Reload Registry Info") \
    L(IDS_MAINFORM_MENU_FILE_CreateBackup, "Create Backup...") \
    L(IDS_MAINFORM_MENU_FILE_ExportPrmList, "Export Program List") \
    L(IDS_MAINFORM_MENU_FILE_Exit, "Exit") \
    L(IDS_MAINFORM_MENU_View, "View") \
    L(IDS_MAINFORM_MENU_VIEW_Grid, "Grid") \
    L(IDS_MAINFORM_MENU_VIEW_Tips, "Tips") \
    L(IDS_MAINFORM_MENU_VIEW_Icon, "Icon") \
    L(IDS_MAINFORM_MENU_VIEW_List, "List") \
    L(IDS_MAINFORM_MENU_VIEW_Report, "Report") \
    L(IDS_MAINFORM_MENU_VIEW_Refresh, "Refresh") \
    L(IDS_MAINFORM_MENU_VIEW_Languages, "Languages") \
    L(IDS_MAINFORM_MENU_Tools, "Tools") \
    L(IDS_MAINFORM_MENU_TOOLS_CommentEntry, "Comment Entry") \
    L(IDS_MAINFORM_MENU_TOOLS_Regedit, "Registry Editor") \
    L(IDS_MAINFORM_MENU_TOOLS_WindowsUpdate, "Windows Updates") \
    L(IDS_MAINFORM_MENU_TOOLS_WindowsServices, "Windows Services") \
    L(IDS_MAINFORM_MENU_TOOLS_WindowsComponents, "Windows Components") \
    L(IDS_MAINFORM_ScreenSaver, "Screen Saver") \
    L(IDS_MAINFORM_MENU_Help, "Help") \
    L(IDS_MAINFORM_MENU_HELP_HelpContent, "Help Content") \
    L(IDS_MAINFORM_MENU_HELP_OnlineRes, "Online Resources") \
    L(IDS_MAINFORM_MENU_HELP_Contact, "Contact Technical Support") \
    L(IDS_MAINFORM_MENU_HELP_About, "About...") \
    L(IDS_PAGECONTROL_TABSHEETPL_Title, "Program List") \
    L(IDS_LISTVIEW_COLUMNS_Descriptions, "Descriptions") \
    L(IDS_LISTVIEW_COLUMNS_Publisher, "Publisher") \
    L(IDS_LISTVIEW_COLUMNS_Directory, "Directory") \
    K(IDS_LISTVIEW_RIGHTCLICK_Uninstall, "IDS_LISTVIEW_RIGHTCLICK_Uninstall  ", "IDS_LISTVIEW_RIGHTCLICK_Uninstall  ", "Uninstall", false) \
    L(IDS_LISTVIEW_RIGHTCLICK_CommentEntry, "Comment Entry...") \
    L(IDS_LISTVIEW_RIGHTCLICK_RegistryEditor, "Registry Editor") \
    K(IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo, "IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo ", "IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo ", "Export Registry Info", false) \
    K(IDS_LISTVIEW_RIGHTCLICK_ShowDetails, "IDS_LISTVIEW_RIGHTCLICK_ShowDetails ", "IDS_LISTVIEW_RIGHTCLICK_ShowDetails ", "Show Details", false) \
    L(IDS_LISTVIEW_RIGHTCLICK_View, "View") \
    L(IDS_LISTVIEW_RIGHTCLICK_ViewIcon, "Icon") \
    L(IDS_LISTVIEW_RIGHTCLICK_ViewList, "List") \
    L(IDS_LISTVIEW_RIGHTCLICK_ViewReport, "Report") \
    L(IDS_LISTVIEW_TIPS_Size, "Size:  %.2f M") \
    L(IDS_LISTVIEW_TIPS_ScrName, "Name:  %s") \
    L(IDS_LISTVIEW_TIPS_LastUsed, "Last Used On: %s") \
    L(IDS_LISTVIEW_TIPS_UsedFrequency, "Used Frequency: %s") \
    L(IDS_LISTVIEW_TIPS_UninstallString, "Uninstall String: %s") \
    L(IDS_ListView_Tips_UsedFrequency_Rarely, "Rarely") \
    L(IDS_ListView_Tips_UsedFrequency_Occasionally, "Occasionally") \
    L(IDS_ListView_Tips_UsedFrequency_Frequently, "Frequently") \
    L(IDS_SIDEBAR_BUTTON_Uninstall, "Uninstall") \
    L(IDS_SIDEBAR_BUTTON_DeleteScr, "Delete") \
    L(IDS_SIDEBAR_BUTTON_SHOWDETAILS, "Show Details") \
    L(IDS_SIDEBAR_BUTTON_Refresh, "Refresh") \
    L(IDS_SIDEBAR_GROUPBOX_TITLE_Search, "Search") \
    L(IDS_SIDEBAR_GROUPBOX_LABEL_Info, "Find the program with contents below:") \
    L(IDS_SIDEBAR_GROUPBOX_BUTTON_Search, "Find Next") \
    L(IDS_SIDEBAR_CHECKBOX_HideSysPatch, "Hide System Patch") \
    L(IDS_SIDEBAR_CHECKBOX_HideScr, "Hide Screen Saver") \
    L(IDS_STATUSBAR_LABEL_Programs, "Programs:") \
    L(IDS_STATUSBAR_LABEL_RegistryName, "Registry Name:") \
    L(IDS_PAGECONTROL_TABSHEETSIL_Title, "Startup Items") \
    L(IDS_LISTVIEW_COLUMNS_StatrupItem, "Startup Item") \
    L(IDS_LISTVIEW_COLUMNS_Command, "Command") \
    L(IDS_LISTVIEW_COLUMNS_Location, "Location") \
    L(IDS_LISTVIEW_RIGHTCLICK_AddItem, "Add Entry") \
    L(IDS_LISTVIEW_RIGHTCLICK_DeleteItem, "Delete Entry") \
    L(IDS_LISTVIEW_RIGHTCLICK_Refresh, "Refresh") \
    L(IDS_SIDEBAR_BUTTON_SelectAll, "Enable All") \
    K(IDS_SIDEBAR_BUTTON_UnSelectAll, "IDS_SIDEBAR_BUTTON_UnSelectAll ", "IDS_SIDEBAR_BUTTON_UnSelectAll ", "Disable All", false) \
    L(IDS_SIDEBAR_BUTTON_Delete, "Delete Entry") \
    L(IDS_SIDEBAR_BUTTON_Apply, "Apply") \
    L(IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo, "Item Info") \
    L(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher, "Publisher: ") \
    K(IDS_SIDEBAR_GROUPBOX_LABEL_Version, "IDS_SIDEBAR_GROUPBOX_LABEL_Version ", "IDS_SIDEBAR_GROUPBOX_LABEL_Version ", "Version: ", false) \
    L(IDS_SIDEBAR_GROUPBOX_LABEL_Description, "Description: ") \
    L(IDS_DETAILSFORM_Title, "Detail information") \
    L(IDS_DETAILSFORM_LABEL_Programs, "Programs: ") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize, "Programs Size") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_InstallDate, "Install Date") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency, "Used Frequency") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate, "Last Access Date") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation, "Install Location") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion, "Program Version") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_Publisher, "Publisher") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo, "Help Info") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_AboutLink, "About Link") \
    L(IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink, "Update Link") \
    L(IDS_DETAILSFORM_TABSHEETPP_TITLE, "Program Properties") \
    L(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name, "Name") \
    L(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value, "Value") \
    L(IDS_DETAILSFORM_TABSHEETRV_TITLE, "Registry Values") \
    L(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key, "Key") \
    L(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value, "Value") \
    L(IDS_PROGRESSFORM_Title, "Backup Progress") \
    L(IDS_PROGRESSFORM_LABEL_Info, "This could take several minutes, please wait...") \
    L(IDS_PROGRESSFORM_BUTTON_Cancel, "Cancel") \
    L(IDS_COMMENTFORM_Title, "Add Comments") \
    L(IDS_COMMENTFORM_LABEL_TITLE, "Enter the comments: ( < 260 character)") \
    L(IDS_COMMENTFORM_BUTTON_Ok, "OK") \
    L(IDS_COMMENTFORM_BUTTON_Cancel, "Cancel") \
    L(IDS_PRINTFORM_Title, "Save/Print") \
    L(IDS_PRINTFORM_BUTTON_Save, "Save") \
    L(IDS_PRINTFORM_MEMO_Title, "%s Application Report") \
    L(IDS_PRINTFORM_BUTTON_Print, "Print") \
    L(IDS_PRINTFORM_MEMO_InstalledPL, "Programs installed on your computer:") \
    L(IDS_PRINTFORM_MEMO_ComputerName, "Computer Name: ") \
    L(IDS_PRINTFORM_MEMO_UserName, "User Name: ") \
    L(IDS_PRINTFORM_MEMO_Programs, "Programs: ") \
    L(IDS_PRINTFORM_MEMO_CreatedIn, "Created In: ") \
    L(IDS_PRINTFORM_MEMO_CreatedBy, "Created By: ") \
    L(IDS_PRINTFORM_MEMO_ProgramsList, "Programs List") \
    L(IDS_SCANFORM_Title, "Scan Remains") \
    K(IDS_SCANFORM_LABEL_Scaning, "IDS_SCANFORM_LABEL_Scaning ", "IDS_SCANFORM_LABEL_Scaning ", "Scanning:", false) \
    L(IDS_SCANFORM_LABEL_RegInfoLeft, "Unnecessary register info left: ") \
    L(IDS_SCANFORM_LABEL_FilesLeft, "Unnecessary program files left: ") \
    L(IDS_SCANFORM_BUTTON_Cancel, "Cancel") \
    L(IDS_SCANFORM_BUTTON_Delete, "Delete") \
    L(IDS_ADDITEMFORM_Title, "Add Item") \
    L(IDS_ADDITEMFORM_LABEL_Target, "Target:") \
    L(IDS_ADDITEMFORM_LABEL_Section, "Section:") \
    L(IDS_ADDITEMFORM_BUTTON_Browse, "Browse") \
    L(IDS_ADDITEMFORM_BUTTON_Ok, "OK") \
    L(IDS_ADDITEMFORM_BUTTON_Cancel, "Cancel") \
    L(IDS_ADDITEMFORM_COMBOBOX_Items1, "Startup Folder\\Current User") \
    L(IDS_ADDITEMFORM_COMBOBOX_Items2, "Startup Folder\\All User") \
    L(IDS_ADDITEMFORM_COMBOBOX_Items3, "Registry\\Current User\\Run") \
    L(IDS_ADDITEMFORM_COMBOBOX_Items4, "Registry\\All Users\\Run") \
    L(IDS_ABOUTFORM_Title, "About") \
    L(IDS_ABOUTFORM_LABEL_CopyRight, "Copyright (C) 2026 Velmora Software. All rights reserved.") \
    L(IDS_ABOUTFORM_LABEL_Warning, "Warning: This computer program is protected by copyright law and international treaties. Unauthorized reproduction or distribution of this program, or any portion of it, may result in severe civil and criminal penalties, and will be prosecuted to the maximum extent possible under the law.") \
    L(IDS_ABOUTFORM_BUTTON_Ok, "OK") \
    E(IDS_SPLASHFORM_LABEL_Copyright, "Velmora, the uninstaller for Windows#13Copyright (C) 2026 Velmora Software. All rights reserved.") \
    E(IDS_MESSAGEBOX_WARNING_ScanRemains, "May be some registry keys or files were not completly removed, #13would you like to remove them?") \
    K(IDS_MESSAGEBOX_WARNING_DeleteScr, "IDS_MESSAGEBOX_WARNING_DeleteScr ", "IDS_MESSAGEBOX_WARNING_DeleteScr ", "Do you really want to delete the screen saver? #13It may cause the windows file protection mechanism", true) \
    L(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry, "Do you really want to delete the startup entry selected?") \
    L(IDS_MESSAGEBOX_WARNING_BackupReg, "Back up the registry info of the whole software installed.") \
    L(IDS_MESSAGEBOX_WARNING_CleanSuccess, "Clean Succeeded!") \
    K(IDS_MESSAGEBOX_WARNING_Noremains, "IDS_MESSAGEBOX_WARNING_Noremains", "IDS_MESSAGEBOX_WARNING_NoRemains", "No files or registry keys left!", false) \
    E(IDS_MESSAGEBOX_WARNING_UninstallFailed, "The software might be uninstalled or deleted, do you want to #13clear up its registry info or files left on your computer?") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupSucceed, "Backup registry info successfully") \
    L(IDS_MESSAGEBOX_MESSAGE_PrintError, "Something is wrong with the printer or Print Spooler service is unavailable.") \
    L(IDS_MESSAGEBOX_WARNING_SaveFileFailed, "Save file %s failed!") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupCount, "%d of %d uninstall entries were backed up into %s.") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupFailedList, "These could not be backed up:") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupQuoteRefused, "%s (refused: its name contains a double quote)") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupNotStarted, "%s (the registry editor could not be started)") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupNotWritten, "%s (the registry editor did not write it)") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupMore, "... and %d more") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupStopped, "The backup was stopped before the end.") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupNoKey, "The registry key %s could not be opened: no entries were backed up (0 files).") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupNoEntries, "The registry key %s has no entries: nothing was backed up (0 files).") \
    L(IDS_MESSAGEBOX_MESSAGE_BackupFolderFailed, "The backup folder %s could not be created (a file may be in its way): none of the %d entries were backed up.") \
    L(IDS_MESSAGEBOX_WARNING_StartupApplyFailed, "These startup entries could not be changed and were left as they were:") \
    L(IDS_MESSAGEBOX_WARNING_StartupDeleteFailed, "These startup entries could not be deleted:") \
    L(IDS_MESSAGEBOX_WARNING_StartupAddFailed, "The startup entry could not be added:") \
    L(IDS_MESSAGEBOX_WARNING_StartupNameTaken, "an entry of this name already exists in %s") \
    L(IDS_MESSAGEBOX_WARNING_StartupKeyFailed, "%s could not be opened or written") \
    L(IDS_MESSAGEBOX_WARNING_StartupEntryMissing, "it is no longer in %s") \
    L(IDS_MESSAGEBOX_WARNING_StartupBackupFailed, "no backup copy could be made in %s") \
    L(IDS_MESSAGEBOX_WARNING_StartupFileFailed, "%s could not be removed: %s") \
    L(IDS_MESSAGEBOX_WARNING_StartupIsFolder, "%s is a folder, which is not removed") \
    L(IDS_MESSAGEBOX_WARNING_RegKeyMissing, "The registry key %s no longer exists.") \
    L(IDS_MESSAGEBOX_WARNING_RegNameQuote, "%s contains a double quote, so it cannot be handed to the registry editor.") \
    L(IDS_MESSAGEBOX_WARNING_NotRegFile, "%s is not a registry file; nothing was imported.") \
    L(IDS_MESSAGEBOX_WARNING_RegeditKeyFailed, "The registry editor's settings in %s could not be written.") \
    L(IDS_MESSAGEBOX_WARNING_CommentFailed, "The comment could not be stored: %s") \
    L(IDS_MESSAGEBOX_WARNING_CleanFailed, "%d of the checked items could not be deleted; they are still listed.") \
    L(IDS_MESSAGEBOX_WARNING_DeleteScrFailed, "The screen saver could not be backed up, so it was not deleted.")

#define VELMORA_DECLARE_STRING(id, ...) extern std::string id;
VELMORA_LANGUAGE_TABLE(VELMORA_DECLARE_STRING, VELMORA_DECLARE_STRING, VELMORA_DECLARE_STRING)
#undef VELMORA_DECLARE_STRING

struct TLanguageEntry {
    const char* ReadKey;
    const char* WriteKey;
    std::string* Text;
    const char* Default;
    bool Escaped;
};

constexpr const char* LanguageSection = "Language";

// The table in file order, for the loader, the writer and tests.
std::span<const TLanguageEntry> LanguageEntries();

// Reads LanguagePath into the strings; a missing file is first written from the current
// texts. A key the file lacks keeps the text its string has now, which after a language
// switch is the previous language's. False when the file could not be written or read.
bool LoadLanguage();
// Writes every key with the current text into LanguagePath; false at the first failed write.
bool WriteDefaultLanguage();

// Tests start each case from the built-in texts with this; the program never needs it.
void ResetLanguageDefaults();

// The built-in default of a language string, found by the string's identity, so pass the
// variable itself (IDS_...), not a copy. Anything else comes back as it is.
std::string DefaultOf(const std::string& languageString);

// A translation may break its placeholders; Format refuses such a text with EConvertError,
// and the built-in English default, whose placeholders fit, is used instead. An error in
// the default itself still raises.
template <class... A>
std::string FormatLang(const std::string& text, const std::string& englishDefault, const A&... args) {
    try {
        return Format(text, args...);
    } catch (const EConvertError&) {
        return Format(englishDefault, args...);
    }
}
// FormatLang of a language string (pass the variable itself) with its own built-in default.
template <class... A>
std::string FormatLangOf(const std::string& languageString, const A&... args) {
    return FormatLang(languageString, DefaultOf(languageString), args...);
}

// How a failed write of the missing language file reaches the user: the text names the
// file. By default a system message box with no owner, titled ProductTitle, error icon and
// OK; tests replace it.
using TLoadErrorBox = std::function<void(const std::string& text)>;
extern TLoadErrorBox LanguageErrorBox;

class TIniFile;
// Language and skin files load alike: a missing file is first written by writeDefault (a
// failure goes to errorBox, naming the file), then read takes the texts from it. False when
// the file could not be written or read; texts read before a failure keep their new values,
// the rest their old ones.
bool LoadIniTexts(const std::string& path, bool (*writeDefault)(), const TLoadErrorBox& errorBox,
                  const std::function<void(TIniFile&)>& read);
// Opens path for write to store the texts in; false when that fails.
bool WriteIniTexts(const std::string& path, const std::function<void(TIniFile&)>& write);
