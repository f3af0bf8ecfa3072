#include "app/RegistryActions.h"
#include "app/frmProgress.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/Dialogs.h"
#include "framework/Registry.h"

const char* const RegeditAppletKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
const char* const RegeditLastKeyValue = "LastKey";

namespace {

void StartWithShell(const TRegeditStart& start) {
    ShellExecuteA(start.Owner, start.Verb.c_str(), "regedit",
                  start.Parameters.empty() ? nullptr : start.Parameters.c_str(), nullptr, SW_SHOW);
}

TRegeditStarter& Starter() {
    static TRegeditStarter starter = StartWithShell;
    return starter;
}

void Warn(const std::string& languageText, const std::string& argument) {
    Application->MessageBox(FormatLang(languageText, DefaultOf(languageText), argument), Application->GetTitle(),
                            MB_ICONWARNING | MB_OK);
}

// The editor reads its command line by quoted words: a quote inside one would end it early
// and turn the rest into further arguments.
bool RefuseQuoted(const std::string& text) {
    if (text.find('"') == std::string::npos) return false;
    Warn(IDS_MESSAGEBOX_WARNING_RegNameQuote, text);
    return true;
}

// An entry listed a while ago may have been removed since (by its uninstaller, another tool).
bool RefuseMissingKey(const std::string& registryName) {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registryName.empty() && reg.KeyExists(UninstallSubKey(registryName))) return false;
    Warn(IDS_MESSAGEBOX_WARNING_RegKeyMissing, UninstallKeyText(registryName));
    return true;
}

void OfferBackupFolder(TOpenDialog& dialog) {
    if (DirectoryExists(BackupRegDir)) dialog.SetInitialDir(BackupRegDir);
}

// text as UTF-16LE bytes (the headers are ASCII).
std::string Utf16Bytes(const std::string& text) {
    std::string bytes;
    for (char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

}  // namespace

TRegeditStarter SetRegeditStarter(TRegeditStarter starter) {
    TRegeditStarter previous = std::move(Starter());
    Starter() = starter ? std::move(starter) : TRegeditStarter(StartWithShell);
    return previous;
}

std::string UninstallSubKey(const std::string& registryName) {
    return std::string(UninstallKeyPath) + "\\" + registryName;
}

std::string UninstallKeyText(const std::string& registryName) {
    return "HKEY_LOCAL_MACHINE\\" + UninstallSubKey(registryName);
}

bool LooksLikeRegFile(const std::string& path) {
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[96];
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) return false;
    const std::string head(buffer, read);
    const std::string headers[] = {"Windows Registry Editor Version 5.00", "REGEDIT4"};
    for (const std::string& header : headers) {
        if (head.starts_with(header) || head.starts_with("\xEF\xBB\xBF" + header) ||
            head.starts_with("\xFF\xFE" + Utf16Bytes(header)))
            return true;
    }
    return false;
}

bool ExportEntryKey(TSaveDialog& dialog, const std::string& registryName, HWND owner) {
    if (RefuseQuoted(registryName) || RefuseMissingKey(registryName)) return false;
    OfferBackupFolder(dialog);
    dialog.SetFileName(BackupFileNameOf(registryName));
    dialog.SetDefaultExt(".reg");
    if (!dialog.Execute()) return false;
    // The editor starts in a folder of its own choosing: the file goes by its full path.
    const std::string path = ExpandFileName(dialog.GetFileName());
    if (RefuseQuoted(path)) return false;
    Starter()({owner, "open", ExportParameters(path, UninstallSubKey(registryName))});
    return true;
}

bool ReloadRegFile(TOpenDialog& dialog, HWND owner) {
    OfferBackupFolder(dialog);
    if (!dialog.Execute()) return false;
    const std::string path = ExpandFileName(dialog.GetFileName());
    if (RefuseQuoted(path)) return false;
    if (!LooksLikeRegFile(path)) {
        Warn(IDS_MESSAGEBOX_WARNING_NotRegFile, path);
        return false;
    }
    Starter()({owner, "open", "\"" + path + "\""});
    return true;
}

bool OpenRegeditAtEntry(const std::string& registryName, HWND owner) {
    if (RefuseMissingKey(registryName)) return false;
    bool stored = false;
    try {
        TRegistry reg(KEY_ALL_ACCESS);
        reg.SetRootKey(HKEY_CURRENT_USER);
        // The editor makes its key when it first runs; until then there is none to write to.
        if (reg.OpenKey(RegeditAppletKey, true)) {
            reg.WriteString(RegeditLastKeyValue, UninstallKeyText(registryName));
            stored = true;
        }
    } catch (const ERegistryException&) {
    }
    if (!stored) {
        Warn(IDS_MESSAGEBOX_WARNING_RegeditKeyFailed, std::string("HKEY_CURRENT_USER\\") + RegeditAppletKey);
        return false;
    }
    Starter()({owner, "Open", ""});
    return true;
}
