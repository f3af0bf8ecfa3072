#include "app/RegistryActions.h"
#include "app/frmProgress.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/Dialogs.h"
#include "framework/Registry.h"

const char* const RegeditAppletKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
const char* const RegeditLastKeyValue = "LastKey";

namespace {

void StartEditor(const TRegeditStart& start) { StartRegistryEditor(start.Parameters); }

TRegeditStarter& Starter() {
    static TRegeditStarter starter = StartEditor;
    return starter;
}

void Warn(const std::string& languageText, const std::string& argument) {
    Application->MessageBox(FormatLang(languageText, DefaultOf(languageText), argument), Application->GetTitle(),
                            MB_ICONWARNING | MB_OK);
}

// The editor reads its command line by quoted words: a quote inside one would end it early
// and turn the rest into further arguments.
bool RefuseQuoted(const std::wstring& text) {
    if (text.find(L'"') == std::wstring::npos) return false;
    Warn(IDS_MESSAGEBOX_WARNING_RegNameQuote, FromWide(text));
    return true;
}

// An entry listed a while ago may have been removed since (by its uninstaller, another tool).
bool RefuseMissingKey(const std::wstring& registryName, TRegistryView view) {
    TRegistry reg(KEY_READ | ViewAccess(view));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registryName.empty() && reg.KeyExistsW(UninstallSubKey(registryName))) return false;
    Warn(IDS_MESSAGEBOX_WARNING_RegKeyMissing, FromWide(UninstallKeyText(registryName, view)));
    return true;
}

// A file name for the dialog, which works in the code page: what the code page can't hold
// becomes "_" like the other characters a file name can't carry, never "?".
std::string ProposedFileName(const std::wstring& name) {
    if (name.empty() || name.size() > 32767) return std::string();
    const int length = static_cast<int>(name.size());
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), length, nullptr, 0, "_", nullptr);
    if (n <= 0) return std::string();
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), length, text.data(), n, "_", nullptr);
    return text;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

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
    Starter() = starter ? std::move(starter) : TRegeditStarter(StartEditor);
    return previous;
}

std::wstring UninstallSubKey(const std::wstring& registryName) {
    return ToWide(UninstallKeyPath) + L"\\" + registryName;
}

std::wstring UninstallKeyText(const std::wstring& registryName, TRegistryView view) {
    return EditorKeyText(UninstallSubKey(registryName), view);
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

bool ExportEntryKey(TSaveDialog& dialog, const std::wstring& registryName, TRegistryView view) {
    if (RefuseQuoted(registryName) || RefuseMissingKey(registryName, view)) return false;
    OfferBackupFolder(dialog);
    // The backup's own file for this key: a 32-bit entry's proposal never names the file of its
    // 64-bit namesake.
    dialog.SetFileName(ProposedFileName(BackupFileNameOf(registryName, view)));
    dialog.SetDefaultExt(".reg");
    if (!dialog.Execute()) return false;
    // The editor starts in a folder of its own choosing: the file goes by its full path.
    const std::wstring path = ToWide(ExpandFileName(dialog.GetFileName()));
    if (RefuseQuoted(path)) return false;
    Starter()({ExportParameters(path, UninstallKeyText(registryName, view))});
    return true;
}

bool ReloadRegFile(TOpenDialog& dialog) {
    OfferBackupFolder(dialog);
    if (!dialog.Execute()) return false;
    const std::string path = ExpandFileName(dialog.GetFileName());
    if (RefuseQuoted(ToWide(path))) return false;
    if (!LooksLikeRegFile(path)) {
        Warn(IDS_MESSAGEBOX_WARNING_NotRegFile, path);
        return false;
    }
    Starter()({Quoted(ToWide(path))});
    return true;
}

bool OpenRegeditAtEntry(const std::wstring& registryName, TRegistryView view) {
    if (RefuseMissingKey(registryName, view)) return false;
    bool stored = false;
    try {
        // The editor started is the 64-bit one on 64-bit Windows: its settings are read in
        // its own view, and the key's name is stored whole.
        TRegistry reg(KEY_ALL_ACCESS | (Is64BitWindows() ? KEY_WOW64_64KEY : 0));
        reg.SetRootKey(HKEY_CURRENT_USER);
        // The editor makes its key when it first runs; until then there is none to write to.
        if (reg.OpenKey(RegeditAppletKey, true)) {
            const std::wstring key = UninstallKeyText(registryName, view);
            const auto* bytes = reinterpret_cast<const uint8_t*>(key.c_str());
            reg.WriteRawValueW(ToWide(RegeditLastKeyValue), REG_SZ,
                               std::vector<uint8_t>(bytes, bytes + (key.size() + 1) * sizeof(wchar_t)));
            stored = true;
        }
    } catch (const ERegistryException&) {
    }
    if (!stored) {
        Warn(IDS_MESSAGEBOX_WARNING_RegeditKeyFailed, std::string("HKEY_CURRENT_USER\\") + RegeditAppletKey);
        return false;
    }
    Starter()({L""});
    return true;
}
