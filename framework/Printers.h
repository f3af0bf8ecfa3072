// The current printer and plain text output to it, line by line.
#pragma once
#include "framework/Handles.h"
#include "framework/SysUtils.h"
#include <memory>
#include <string>
#include <vector>

// Failures of the printing system (no printer, spooler stopped, a driver refusing a page)
// raise EOSError with the system's text, which callers tell apart from their own errors;
// misuse of the job (EndDoc while not printing, ...) raises EPrinter.
class TPrinter {
public:
    TPrinter() = default;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;
    ~TPrinter();   // abandons a job still open

    // Installed printers, local and connected, in the system's order.
    std::vector<std::string> Printers() const;
    // Index into Printers(), or -1 for the system's default printer.
    int PrinterIndex() const;
    void SetPrinterIndex(int index);
    // The printer a job would go to; EOSError when none is selected and there is no default.
    std::string PrinterName() const;
    // What a print dialog chose: the device and its settings (null keeps the driver's).
    void SetDevice(const std::string& device, const DEVMODEA* devMode);

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return static_cast<bool>(dc_); }
    int PageNumber() const { return pageNumber_; }
    // The job's device context while printing.
    HDC Handle() const { return dc_.Get(); }
    int PageWidth() const;
    int PageHeight() const;

private:
    void CheckPrinting() const;
    std::string device_;                 // empty: the default printer
    std::vector<uint8_t> devMode_;
    std::string title_;
    TMemDCHandle dc_;
    bool aborted_ = false;
    int pageNumber_ = 0;
};

// The application's printer, made on first use.
TPrinter* Printer();
// Replaces it and gives the previous one to the caller.
std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer);

// Where lines of text go on a page: top down at a fixed pitch, on a new page when the
// next line would cross the bottom edge. A line taller than the page gets a page of its own.
class TTextPageLayout {
public:
    TTextPageLayout(int pageHeight, int lineHeight);
    // The top of the next line; newPage tells that a page must be started for it first.
    int NextLine(bool& newPage);
    int PageNumber() const { return page_; }
private:
    int pageHeight_;
    int lineHeight_;
    int y_ = 0;
    int page_ = 1;
};

// Tabs become blanks up to the next multiple of tabSize columns (the font is fixed-pitch).
std::string ExpandTabs(const std::string& line, int tabSize = 8);

// The printer as a text device: Rewrite opens a job, WriteLn prints one line in a fixed
// font and breaks pages as needed, Close ends the job. Lines longer than the page are cut
// at its edge. Every step is checked; a write to a closed device raises EInOutError.
class TPrinterTextFile {
public:
    explicit TPrinterTextFile(TPrinter& printer) : printer_(printer) {}
    TPrinterTextFile(const TPrinterTextFile&) = delete;
    TPrinterTextFile& operator=(const TPrinterTextFile&) = delete;
    ~TPrinterTextFile();   // a job still open is abandoned, not printed

    void Rewrite();
    void WriteLn(const std::string& line);
    void Close();
    bool IsOpen() const { return open_; }

private:
    TPrinter& printer_;
    TGdiHandle font_;
    std::unique_ptr<TTextPageLayout> layout_;
    bool open_ = false;
};
