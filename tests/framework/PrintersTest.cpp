#include "framework/Printers.h"
#include <gtest/gtest.h>

TEST(TextPageLayout, LinesGoDownThePageThenStartANewOne) {
    TTextPageLayout layout(100, 30);   // three whole lines fit
    bool newPage = true;
    EXPECT_EQ(layout.NextLine(newPage), 0);
    EXPECT_FALSE(newPage);
    EXPECT_EQ(layout.NextLine(newPage), 30);
    EXPECT_EQ(layout.NextLine(newPage), 60);
    EXPECT_FALSE(newPage);
    EXPECT_EQ(layout.NextLine(newPage), 0);
    EXPECT_TRUE(newPage);
    EXPECT_EQ(layout.PageNumber(), 2);
    EXPECT_EQ(layout.NextLine(newPage), 30);
    EXPECT_FALSE(newPage);
}

TEST(TextPageLayout, ExactFitAndOversizedLines) {
    TTextPageLayout exact(90, 30);
    bool newPage = false;
    for (int i = 0; i < 3; ++i) exact.NextLine(newPage);
    EXPECT_FALSE(newPage) << "a line ending exactly at the bottom still fits";
    EXPECT_EQ(exact.PageNumber(), 1);

    // Taller than the page: one per page, never an endless run of empty pages.
    TTextPageLayout tall(10, 50);
    EXPECT_EQ(tall.NextLine(newPage), 0);
    EXPECT_FALSE(newPage);
    EXPECT_EQ(tall.NextLine(newPage), 0);
    EXPECT_TRUE(newPage);
    EXPECT_EQ(tall.PageNumber(), 2);

    TTextPageLayout broken(100, 0);   // a zero line height must still advance
    broken.NextLine(newPage);
    EXPECT_EQ(broken.NextLine(newPage), 1);
}

TEST(TextPageLayout, TabsExpandToColumns) {
    EXPECT_EQ(ExpandTabs("a\tb"), "a       b");
    EXPECT_EQ(ExpandTabs("12345678\tx"), "12345678        x");
    EXPECT_EQ(ExpandTabs("\t", 4), "    ");
    EXPECT_EQ(ExpandTabs("none"), "none");
}

TEST(Printer, JobMisuseRaisesPrinterOrIOErrors) {
    TPrinter printer;
    EXPECT_FALSE(printer.Printing());
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    EXPECT_THROW(printer.NewPage(), EPrinter);
    EXPECT_THROW(printer.Abort(), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(static_cast<int>(printer.Printers().size())), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(-2), EPrinter);
    printer.SetPrinterIndex(-1);
    EXPECT_EQ(printer.PrinterIndex(), -1);

    TPrinterTextFile text(printer);
    EXPECT_THROW(text.WriteLn("x"), EInOutError);
    EXPECT_THROW(text.Close(), EInOutError);
}

TEST(Printer, MissingPrinterIsAnOperatingSystemError) {
    // The program tells "printer or spooler unavailable" (EOSError) from its own faults.
    TPrinter printer;
    printer.SetDevice("Velmora No Such Printer", nullptr);
    EXPECT_THROW(printer.BeginDoc(), EOSError);
    EXPECT_FALSE(printer.Printing());
    TPrinterTextFile text(printer);
    try {
        text.Rewrite();
        FAIL() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(text.IsOpen());
    EXPECT_THROW(text.WriteLn("x"), EInOutError);
}

TEST(Printer, NoDefaultPrinterIsAnOperatingSystemError) {
    TPrinter printer;
    char name[512];
    DWORD size = sizeof name;
    if (GetDefaultPrinterA(name, &size)) GTEST_SKIP() << "this prefix has a default printer: " << name;
    EXPECT_THROW(printer.PrinterName(), EOSError);
    EXPECT_THROW(printer.BeginDoc(), EOSError);
}
