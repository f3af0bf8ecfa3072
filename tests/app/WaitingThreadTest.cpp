// The uninstall runner with real processes: stand-in uninstallers built beside the tests
// (UninstallStub.exe) are started, waited for, and reported to a hidden window.
#include "Sandbox.h"
#include "app/WaitingThread.h"
#include "framework/FormTesting.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::wstring W(const std::string& s) { return ToWide(s); }
std::string Quote(const std::string& command) { return FromWide(QuoteCommandPath(ToWide(command))); }

class WaitingThread : public ::testing::Test {
protected:
    void SetUp() override {
        stub_ = sandbox_.Path("uninst\\UninstallStub.exe");
        ForceDirectories(ExtractFileDir(stub_));
        ASSERT_TRUE(CopyFileA((TestBinDir() + "\\UninstallStub.exe").c_str(), stub_.c_str(), FALSE));
    }
    // Waits for the report; false when none came in time.
    bool WaitForReports(size_t count, int timeoutMs = 10000) {
        return PumpUntil([&] { return window_.Reports.size() >= count; }, timeoutMs);
    }
    static TUninstallTarget Target(const std::string& name) {
        return {ToWide(name), ToWide("C:\\Program Files\\" + name), name + " 1.0"};
    }

    TSandbox sandbox_{"uninstall"};
    TReportWindow window_;
    std::string stub_;
};

// Registers ".velmoratestdoc" files with the stub as their open command (for the machine:
// Wine's shell reads the associations there).
struct TDocumentType {
    explicit TDocumentType(const std::string& stub) {
        keys.Plant(HKEY_LOCAL_MACHINE, "Software\\Classes\\.velmoratestdoc");
        TPlantedKeys::SetValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\.velmoratestdoc", "", "VelmoraTest.Document");
        const std::string command = "Software\\Classes\\VelmoraTest.Document\\shell\\open\\command";
        keys.Plant(HKEY_LOCAL_MACHINE, command, "Software\\Classes\\VelmoraTest.Document");
        TPlantedKeys::SetValue(HKEY_LOCAL_MACHINE, command, "", "\"" + stub + "\" open \"%1\"");
    }
    TPlantedKeys keys;
};

} // namespace

TEST_F(WaitingThread, UninstallerThatEndsAtOnceReportsSuccessWithItsOwnTarget) {
    TWaitingThread::Run(window_.Wnd, W("\"" + stub_ + "\" exit"), Target("VelmoraQuick"));
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(window_.Reports[0].WParam, 1u);
    EXPECT_TRUE(window_.Reports[0].Report.Started);
    EXPECT_EQ(window_.Reports[0].Report.Target.RegistryName, L"VelmoraQuick");
    EXPECT_EQ(window_.Reports[0].Report.Target.InstallFolder, L"C:\\Program Files\\VelmoraQuick");
    EXPECT_EQ(window_.Reports[0].Report.Target.DisplayName, "VelmoraQuick 1.0");
    EXPECT_NE(ReadText(stub_ + ".log").find(" exit"), std::string::npos);
    PumpFor(300);   // time is the test: no second report comes in a while
    EXPECT_EQ(window_.Reports.size(), 1u) << "one report per uninstall";
}

TEST_F(WaitingThread, UninstallerInAFolderTheCodePageCannotNameIsStartedExactly) {
    // A CJK folder name comes back from the code page as "????": the command must reach the
    // system as the component gave it.
    const std::wstring folder = ToWide(sandbox_.Dir) + L"\\\u30A2\u30F3\u30A4\u30F3 \u30C4\u30FC\u30EB";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring exe = folder + L"\\unins000.exe";
    ASSERT_TRUE(CopyFileW(ToWide(stub_).c_str(), exe.c_str(), FALSE));
    TUninstallTarget target{L"Velmora\u30C4\u30FC\u30EB", folder, "CJK tool"};
    // Unquoted, with a blank in the folder's name: quoting must keep every character too.
    TWaitingThread::Run(window_.Wnd, exe + L" exit", target);
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(window_.Reports[0].WParam, 1u);
    EXPECT_EQ(window_.Reports[0].Report.Target.RegistryName, target.RegistryName);
    EXPECT_EQ(window_.Reports[0].Report.Target.InstallFolder, folder);
    EXPECT_NE(GetFileAttributesW((exe + L".log").c_str()), INVALID_FILE_ATTRIBUTES) << "the uninstaller did not run";
}

TEST_F(WaitingThread, UninstallerThatHandsOverToACopyIsWaitedForThroughTheCopy) {
    const std::string copyDir = sandbox_.Folder("copy");
    const std::string release = sandbox_.Path("release");
    TWaitingThread::Run(window_.Wnd, W("\"" + stub_ + "\" relaunch \"" + copyDir + "\" \"" + release + "\""),
                        Target("VelmoraRelaunch"));
    // The first process ends at once; the copy it started keeps the report back.
    ASSERT_TRUE(PumpUntil([&] { return PathExists(copyDir + "\\UninstallStub.exe.log"); }, 10000));
    EXPECT_FALSE(WaitForReports(1, 1500)) << "reported before the copy ended";
    sandbox_.File("release");
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(window_.Reports[0].WParam, 1u);
    EXPECT_EQ(window_.Reports[0].Report.Target.RegistryName, L"VelmoraRelaunch");
}

TEST_F(WaitingThread, ParentOfAStartedProcessIsFoundByItsIdentifier) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string release = sandbox_.Path("parent-release");
    std::string command = "\"" + stub_ + "\" wait \"" + release + "\"";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    TKernelHandle process(pi.hProcess), thread(pi.hThread);
    EXPECT_EQ(GetParentProcessId(pi.dwProcessId), GetCurrentProcessId());
    EXPECT_TRUE(IsProcessRunning(pi.dwProcessId));
    TKernelHandle child = FindChildProcess(GetCurrentProcessId());
    EXPECT_TRUE(child) << "the stub is a child of this process";
    sandbox_.File("parent-release");
    EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(IsProcessRunning(pi.dwProcessId)) << "an ended process is not running, handle or not";
    EXPECT_EQ(GetParentProcessId(0xFFFFFFF0u), static_cast<DWORD>(-1));
    EXPECT_FALSE(FindChildProcess(pi.dwProcessId)) << "the stub started nothing";
}

TEST_F(WaitingThread, DocumentOnlyTheShellOpensIsWaitedForThroughTheShellsProcess) {
    TDocumentType type(stub_);
    const std::string document = sandbox_.File("read me.velmoratestdoc", "text");
    TWaitingThread::Run(window_.Wnd, W(document), Target("VelmoraDocument"));
    ASSERT_TRUE(PumpUntil([&] { return ReadText(stub_ + ".log").find(" open ") != std::string::npos; }, 10000))
        << "the shell did not start the document's program";
    EXPECT_FALSE(WaitForReports(1, 1000)) << "reported before the shell's process ended";
    sandbox_.File("read me.velmoratestdoc.release");
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(window_.Reports[0].WParam, 1u);
    EXPECT_TRUE(window_.Reports[0].Report.Started);
}

TEST_F(WaitingThread, CommandThatCannotBeStartedReportsZeroWithItsTarget) {
    TWaitingThread::Run(window_.Wnd, W("C:\\velmora-missing\\no such folder\\uninstall.exe /S"), Target("VelmoraGone"));
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(window_.Reports[0].WParam, 0u);
    EXPECT_FALSE(window_.Reports[0].Report.Started);
    EXPECT_EQ(window_.Reports[0].Report.Target.RegistryName, L"VelmoraGone");
}

TEST_F(WaitingThread, ReportsOfSeveralUninstallsArriveEachWithItsOwnTarget) {
    for (const char* name : {"VelmoraFirst", "VelmoraSecond", "VelmoraThird"})
        TWaitingThread::Run(window_.Wnd, W("\"" + stub_ + "\" exit"), Target(name));
    ASSERT_TRUE(WaitForReports(3));
    std::vector<std::wstring> names;
    for (auto& r : window_.Reports) names.push_back(r.Report.Target.RegistryName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"VelmoraFirst", L"VelmoraSecond", L"VelmoraThird"}));
}

TEST_F(WaitingThread, ReportThatIsNotTakenStaysWithTheThread) {
    // A receiver that only looks: the thread must not count the report as handed over (a
    // double free here would bring the test program down).
    int seen = 0;
    window_.Handler = [&](TMessage& m) {
        if (m.Msg == WM_UNINSTALL_DONE && m.LParam) ++seen;
    };
    TWaitingThread::Run(window_.Wnd, W("\"" + stub_ + "\" exit"), Target("VelmoraIgnored"));
    ASSERT_TRUE(PumpUntil([&] { return seen == 1; }, 10000));
    // And one sent to a window that is gone goes nowhere.
    HWND gone = AllocateHWnd([](TMessage&) {});
    DeallocateHWnd(gone);
    TWaitingThread::Run(gone, W("\"" + stub_ + "\" exit"), Target("VelmoraOrphan"));
    PumpFor(1500);   // time is the test: the orphaned report never arrives anywhere
    EXPECT_EQ(seen, 1);
}

// ---- Quoting the command's path --------------------------------------------------------------

TEST_F(WaitingThread, UnquotedPathWithBlanksStartsTheProgramItNames) {
    // A decoy where the system's name splitting looks first: handed the same command line
    // unquoted, CreateProcess starts it.
    const std::string decoy = sandbox_.Path("tool.exe");
    ASSERT_TRUE(CopyFileA(stub_.c_str(), decoy.c_str(), FALSE));
    const std::string real = sandbox_.Path("tool dir\\stub.exe");
    ForceDirectories(ExtractFileDir(real));
    ASSERT_TRUE(CopyFileA(stub_.c_str(), real.c_str(), FALSE));

    TWaitingThread::Run(window_.Wnd, W(real + " exit"), Target("VelmoraBlanks"));
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(window_.Reports[0].WParam, 1u);
    EXPECT_TRUE(PathExists(real + ".log"));
    EXPECT_FALSE(PathExists(decoy + ".log")) << "the decoy was started";
}

TEST_F(WaitingThread, CommandPathIsQuotedOnlyWhereItsBlanksWouldSplitIt) {
    const std::string real = sandbox_.File("my tools\\un install.exe");
    // Quoted up to the first ".exe" that exists; the arguments stay as they were.
    EXPECT_EQ(Quote(real + " /S /D=x y"), "\"" + real + "\" /S /D=x y");
    EXPECT_EQ(Quote("  " + real), "  \"" + real + "\"");
    const std::string upper = real.substr(0, real.size() - 3) + "EXE";
    EXPECT_EQ(Quote(upper + " /x"), "\"" + upper + "\" /x");
    // A folder named like a program is passed over for the file.
    const std::string nested = sandbox_.File("a b.exe.d\\c d.exe");
    EXPECT_EQ(Quote(nested + " -u"), "\"" + nested + "\" -u");
    // No existing program: up to the first ".exe" that ends a word.
    EXPECT_EQ(Quote("C:\\Program Files\\Gone\\unins000.exe /SILENT"),
              "\"C:\\Program Files\\Gone\\unins000.exe\" /SILENT");
    // Nothing to split: unchanged.
    EXPECT_EQ(Quote("\"C:\\Program Files\\X\\u.exe\" /S"), "\"C:\\Program Files\\X\\u.exe\" /S");
    EXPECT_EQ(Quote("MsiExec.exe /X{12345678-1234-1234-1234-123456789012}"),
              "MsiExec.exe /X{12345678-1234-1234-1234-123456789012}");
    EXPECT_EQ(Quote("rundll32.exe C:\\Program Files\\X\\x.dll,Uninstall"),
              "rundll32.exe C:\\Program Files\\X\\x.dll,Uninstall");
    EXPECT_EQ(Quote("C:\\Docs\\read me.txt"), "C:\\Docs\\read me.txt");
    EXPECT_EQ(Quote(""), "");
}
