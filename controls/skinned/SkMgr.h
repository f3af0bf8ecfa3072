// Where a skinned control takes its style from: the theme-file component, the rule that
// picks the theme file or a built-in style, and the first style of a new control.
#pragma once
#include "controls/skinned/SkThemes.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"

#include <memory>
#include <string>

// A theme file shared by the skinned controls that name it in their FileTheme property.
class TskFileTheme : public TComponent {
    DECLARE_CLASS(TskFileTheme, TComponent)
    explicit TskFileTheme(TComponent* AOwner);
    ~TskFileTheme() override;

    const std::string& GetThemeFile() const { return themeFile_; }
    // A path that does not exist is looked for by its file name in the program's folder,
    // the Windows folder and the system folder; when none has it nothing changes. A file
    // that is not a valid container raises "Invalid skin file for SkinPack!" and leaves
    // the current file, its values and FileLoaded as they were. Once loaded, every skinned
    // control of the owner form that names this theme applies its style again.
    void SetThemeFile(const std::string& value);
    // What ResolveUIStyle asks: whether a file is loaded.
    bool FileLoaded() const { return loaded_; }

    // The key readers of the controls. Colours and integers that the file lacks read as
    // the DeepBlue style's, so a sparse theme never yields the invalid colour -1; the
    // manager's IntByKey still tells a missing key apart (-1).
    void ReadKeyBitmap(int key, TGraphic* graphic) const;
    void ReadKeyBitmapFrame(int key, TGraphic* graphic, int frameCount, int frameIndex) const;
    bool ReadKeyBool(int key) const;
    TColor ReadKeyColor(int key) const;
    int ReadKeyInt(int key) const;
    const TskFileThemeMgr& Manager() const { return *manager_; }

    static void Publish(TClassBuilder<TskFileTheme>& b);

private:
    // The existing file P names, or empty.
    static std::string LocateThemeFile(const std::string& path);
    // Re-applies the theme to the owner form's skinned controls; true when a form frame
    // uses this theme.
    bool ReapplyToOwnerControls();
    std::unique_ptr<TskFileThemeMgr> manager_;
    std::string themeFile_;
    bool loaded_ = false;
};

struct TskResolvedStyle {
    bool FromFile = false;   // read every key from the theme file
    TskUIStyle Style = DeepBlue;
};

// A built-in uiStyle is read as itself; FromThemeFile reads the theme file when fileTheme
// has one loaded, and DeepBlue otherwise.
TskResolvedStyle ResolveUIStyle(const TskFileTheme* fileTheme, TskUIStyle uiStyle);

// The first UIStyle of a new skinned menu, progress bar or title bar: the style of the
// first skinned form frame (class TskForm, recognised through the class registry once it
// is registered) among the owner form's direct children; DeepBlue otherwise.
TskUIStyle OwnerFormUIStyle(TComponent* owner);

// Reads style keys where ResolveUIStyle says: the theme file or one built-in style.
class TskStyleReader {
public:
    TskStyleReader(const TskFileTheme* fileTheme, TskUIStyle uiStyle);
    const TskResolvedStyle& Resolved() const { return resolved_; }
    TColor Color(int key) const;
    int Int(int key) const;
    bool Bool(int key) const;
    void Bitmap(int key, TGraphic* graphic) const;
    void BitmapFrame(int key, TGraphic* graphic, int frameCount, int frameIndex) const;
private:
    const TskFileTheme* theme_;
    TskResolvedStyle resolved_;
};
