#include "SkinnedTesting.h"

namespace {

// This process's folder of test files, emptied and removed when the tests end.
class TTestFileFolder {
public:
    TTestFileFolder()
        : dir_(IncludeTrailingPathDelimiter(TestOutputDir()) + "themes\\" + std::to_string(GetCurrentProcessId()) +
               "\\") {}
    ~TTestFileFolder() {
        TSearchRec f;
        for (int found = FindFirst(dir_ + "*", faAnyFile, f); found == 0; found = FindNext(f))
            if (!(f.Attr & faDirectory)) DeleteFile(dir_ + f.Name);
        FindClose(f);
        RemoveDir(dir_);
    }
    const std::string& Dir() const {
        ForceDirectories(dir_);
        return dir_;
    }
private:
    std::string dir_;
};

}  // namespace

std::string WriteTestFile(const std::string& name, const std::string& bytes) {
    // One folder per process, so that runs side by side don't overwrite each other's files.
    static const TTestFileFolder folder;
    const std::string path = folder.Dir() + name;
    TFileStream f(path, TFileMode::fmCreate);
    f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return path;
}

std::string TestExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ExtractFilePath(path);
}

IMPLEMENT_CLASS(TskThemeProbe);
IMPLEMENT_CLASS(TThemedPlainProbe);

void TskThemeProbe::Publish(TClassBuilder<TskThemeProbe>& b) {
    b.Prop("FileTheme", &TskThemeProbe::GetFileTheme, &TskThemeProbe::SetFileTheme);
    b.Prop("UIStyle", &TskThemeProbe::GetUIStyle, &TskThemeProbe::SetUIStyle);
}

void TskThemeProbe::SetFileTheme(TskFileTheme* v) {
    theme_ = v;
    Writes.push_back("FileTheme");
}

void TskThemeProbe::SetUIStyle(TskUIStyle v) {
    style_ = v;
    Writes.push_back("UIStyle:" + EnumToIdent(v));
}
