// The registry commands on one program entry: exporting its uninstall key to a file the user
// picks, opening the registry editor at that key, and reloading a saved registry file. The
// main window runs them for the selected entry, with the entry's registry name and view.
#pragma once
#include "app/RegistryViews.h"

#include <functional>
#include <string>

class TOpenDialog;
class TSaveDialog;

// The entry's uninstall key below HKEY_LOCAL_MACHINE (in the entry's view).
std::wstring UninstallSubKey(const std::wstring& registryName);
// The same key written in full, as the registry editor started by StartRegistryEditor
// names the key of that view.
std::wstring UninstallKeyText(const std::wstring& registryName, TRegistryView view);
// True when the file begins as the registry editor's files do (either version, ANSI, UTF-8
// or UTF-16); only its first bytes are read.
bool LooksLikeRegFile(const std::string& path);

// The registry key where the editor remembers the key it shows, and the value holding it.
extern const char* const RegeditAppletKey;
extern const char* const RegeditLastKeyValue;

// How the registry editor is started: StartRegistryEditor with these parameters; nobody
// waits for it. Tests replace it (an empty one restores StartRegistryEditor).
struct TRegeditStart {
    std::wstring Parameters;
};
using TRegeditStarter = std::function<void(const TRegeditStart& start)>;
TRegeditStarter SetRegeditStarter(TRegeditStarter starter);

// Each command returns true when it started the registry editor. Refusals (the entry's key
// gone, a double quote in a name the editor would get on its command line, a file that is
// not a registry file) are told in a message box of the application; cancelling a dialog
// ends the command silently. An entry is named by its exact registry name and its view.

// Proposes the key's backup file name in its view (BackupFileNameOf) in dialog, in the backup
// folder when there is one, and exports the entry's key into the chosen file, its path given in full.
bool ExportEntryKey(TSaveDialog& dialog, const std::wstring& registryName, TRegistryView view);
// Hands the registry file chosen in dialog (opened in the backup folder when there is one)
// to the editor, which asks its own confirmation before importing it.
bool ReloadRegFile(TOpenDialog& dialog);
// Stores the entry's key as the editor's last key, creating the editor's settings key when
// it is missing, then starts the editor, which opens there.
bool OpenRegeditAtEntry(const std::wstring& registryName, TRegistryView view);
