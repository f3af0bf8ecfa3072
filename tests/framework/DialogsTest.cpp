#include "FormTesting.h"
#include "framework/Dialogs.h"
#include "framework/Printers.h"

#include <gtest/gtest.h>

TEST(FileDialog, AnsweredThroughTheSeam) {
    TFreeGuard<TSaveDialog> dialog(TSaveDialog::Create(nullptr));
    dialog->SetFilter("Registration Files(*.reg)|*.reg");
    dialog->SetDefaultExt(".reg");
    dialog->SetFileName("Example.reg");
    int asked = 0;
    TDialogAnswer answer([&](TCommonDialog& d) -> std::optional<bool> {
        ++asked;
        auto* save = dynamic_cast<TSaveDialog*>(&d);
        EXPECT_NE(save, nullptr);
        if (!save) return false;
        EXPECT_EQ(save->GetFileName(), "Example.reg") << "the proposed name reaches the dialog";
        save->SetFileName("C:\\backup\\Example.reg");
        save->SetFilterIndex(1);
        return true;
    });
    EXPECT_TRUE(dialog->Execute());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog->GetFileName(), "C:\\backup\\Example.reg");

    TFreeGuard<TOpenDialog> open(TOpenDialog::Create(nullptr));
    open->SetFileName("unchanged.txt");
    TDialogAnswer cancel([](TCommonDialog&) -> std::optional<bool> { return false; });
    EXPECT_FALSE(open->Execute());
    EXPECT_EQ(open->GetFileName(), "unchanged.txt");
}

TEST(FileDialog, FilterAndOptionsInTheSystemsForm) {
    TFreeGuard<TSaveDialog> dialog(TSaveDialog::Create(nullptr));
    dialog->SetFilter("Text files|*.txt|All|*.*");
    // The string's own terminator is the list's final NUL.
    EXPECT_EQ(dialog->SystemFilter(), std::string("Text files\0*.txt\0All\0*.*\0", 25));
    dialog->SetFilter("");
    EXPECT_EQ(dialog->SystemFilter(), "");

    dialog->SetOptions({ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing});
    DWORD flags = dialog->OptionFlags();
    EXPECT_EQ(flags, static_cast<DWORD>(OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                                        OFN_ENABLESIZING));
    EXPECT_FALSE(flags & OFN_NOCHANGEDIR);
    dialog->SetOptions({ofOldStyleDialog, ofNoChangeDir, ofFileMustExist});
    EXPECT_EQ(dialog->OptionFlags(), static_cast<DWORD>(OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST));
}

TEST(PrintDialog, ConfirmingSelectsThePrinter) {
    auto saved = SetPrinter(std::make_unique<TPrinter>());
    TFreeGuard<TPrintDialog> dialog(TPrintDialog::Create(nullptr));
    dialog->SetOptions({poWarning});
    {
        TDialogAnswer cancel([](TCommonDialog&) -> std::optional<bool> { return false; });
        EXPECT_FALSE(dialog->Execute());
    }
    {
        TDialogAnswer ok([](TCommonDialog& d) -> std::optional<bool> {
            static_cast<TPrintDialog&>(d).SetDeviceName("Test Printer");
            return true;
        });
        EXPECT_TRUE(dialog->Execute());
        EXPECT_EQ(Printer()->PrinterName(), "Test Printer");
    }
    SetPrinter(std::move(saved));
}

TEST(MessageDialog, GoesThroughTheMessageBoxSeam) {
    std::vector<std::pair<std::string, UINT>> shown;
    TMessageBoxHandler previous = SetMessageBoxHandler([&](HWND, const std::string& text, const std::string&, UINT flags) {
        shown.emplace_back(text, flags);
        return IDNO;
    });
    EXPECT_EQ(MessageDlg("Delete it?", mtConfirmation, mbYesNo), mrNo);
    EXPECT_EQ(MessageDlg("Failed", mtError, {mbOK}), mrNo);
    SetMessageBoxHandler(std::move(previous));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, "Delete it?");
    EXPECT_EQ(shown[0].second & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(shown[0].second & MB_ICONMASK, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(shown[1].second & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(shown[1].second & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
}
