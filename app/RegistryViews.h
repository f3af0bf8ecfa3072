// The two registry views of 64-bit Windows as the program acts in them, and the registry
// editor that sees both. A 32-bit program is shown only the 32-bit view of
// HKEY_LOCAL_MACHINE\SOFTWARE unless it names a view, and the editor that the shell starts
// for it by name is the 32-bit one; the 64-bit editor sees the 32-bit view's keys below
// SOFTWARE\WOW6432Node. On 32-bit Windows there is one view and nothing of this applies.
#pragma once
#include "framework/Handles.h"
#include "framework/SysUtils.h"

#include <string>
#include <vector>

// Named by the width of the programs a view serves, with the numbers the program-list
// component gives (IProgramList::ProgramView).
enum class TRegistryView { rv32 = 32, rv64 = 64 };
using enum TRegistryView;

// The view this process sees when it names none.
TRegistryView OwnView();
// The component's number of a view; anything it doesn't name is the process's own view.
TRegistryView ViewFromNumber(long number);
// The views of this Windows, the system's own first.
std::vector<TRegistryView> RegistryViews();
// The flag that opens a key in view, for TRegistry's access (none on 32-bit Windows).
REGSAM ViewAccess(TRegistryView view);

// HKEY_LOCAL_MACHINE\hklmPath of view written in full as the registry editor started by
// StartRegistryEditor names it: a 32-bit key below SOFTWARE on 64-bit Windows is found
// below SOFTWARE\WOW6432Node.
std::wstring EditorKeyText(const std::wstring& hklmPath, TRegistryView view);

// Starts the registry editor with parameters (wide, so that key and file names keep every
// character): on 64-bit Windows the 64-bit editor, whatever this program's width. The
// editor's process, empty when it could not be started.
TKernelHandle StartRegistryEditor(const std::wstring& parameters);

// Turns the file-system redirection of a 32-bit process on 64-bit Windows off for its
// lifetime, so that the Windows folder's own programs are reached, not their 32-bit
// copies. Nothing else may be loaded meanwhile: keep it around one call.
class TFsRedirectionOff {
public:
    TFsRedirectionOff();
    ~TFsRedirectionOff();
    TFsRedirectionOff(const TFsRedirectionOff&) = delete;
    TFsRedirectionOff& operator=(const TFsRedirectionOff&) = delete;

private:
    void* old_ = nullptr;
    bool off_ = false;
};
