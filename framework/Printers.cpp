#include "framework/Printers.h"
#include <cstring>

namespace {

// GDI's printing calls often fail without setting an error code; say at least that the
// printer failed rather than "success".
[[noreturn]] void PrinterOSError(DWORD code = GetLastError()) {
    RaiseLastOSError(code ? code : static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

std::unique_ptr<TPrinter>& PrinterInstance() {
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

}  // namespace

TPrinter::~TPrinter() {
    if (dc_) AbortDoc(dc_.Get());
}

std::vector<std::string> TPrinter::Printers() const {
    std::vector<std::string> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return names;
    std::vector<BYTE> buf(needed);
    if (!EnumPrintersA(flags, nullptr, 4, buf.data(), needed, &needed, &count)) return names;
    auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buf.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
    return names;
}

int TPrinter::PrinterIndex() const {
    if (device_.empty()) return -1;
    std::vector<std::string> names = Printers();
    for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], device_)) return static_cast<int>(i);
    return -1;
}

void TPrinter::SetPrinterIndex(int index) {
    if (Printing()) throw EPrinter("Cannot change the printer while printing");
    if (index == -1) {
        device_.clear();
        devMode_.clear();
        return;
    }
    std::vector<std::string> names = Printers();
    if (index < 0 || index >= static_cast<int>(names.size())) throw EPrinter("Printer selected is not valid");
    device_ = names[index];
    devMode_.clear();
}

std::string TPrinter::PrinterName() const {
    if (!device_.empty()) return device_;
    DWORD size = 0;
    GetDefaultPrinterA(nullptr, &size);
    if (size == 0) PrinterOSError(ERROR_INVALID_PRINTER_NAME);
    std::string name(size, '\0');
    if (!GetDefaultPrinterA(name.data(), &size)) PrinterOSError(ERROR_INVALID_PRINTER_NAME);
    name.resize(strnlen(name.c_str(), name.size()));
    return name;
}

void TPrinter::SetDevice(const std::string& device, const DEVMODEA* devMode) {
    if (Printing()) throw EPrinter("Cannot change the printer while printing");
    device_ = device;
    devMode_.clear();
    if (devMode) {
        auto* p = reinterpret_cast<const uint8_t*>(devMode);
        devMode_.assign(p, p + devMode->dmSize + devMode->dmDriverExtra);
    }
}

void TPrinter::BeginDoc() {
    if (Printing()) throw EPrinter("Printing in progress");
    std::string name = PrinterName();
    auto* dm = devMode_.empty() ? nullptr : reinterpret_cast<const DEVMODEA*>(devMode_.data());
    TMemDCHandle dc(CreateDCA("WINSPOOL", name.c_str(), nullptr, dm));
    if (!dc) PrinterOSError();
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title_.c_str();
    if (StartDocA(dc.Get(), &doc) <= 0) PrinterOSError();
    if (StartPage(dc.Get()) <= 0) {
        DWORD code = GetLastError();
        AbortDoc(dc.Get());
        PrinterOSError(code);
    }
    dc_ = std::move(dc);
    aborted_ = false;
    pageNumber_ = 1;
}

void TPrinter::CheckPrinting() const {
    if (!Printing()) throw EPrinter("Printer is not currently printing");
}

void TPrinter::NewPage() {
    CheckPrinting();
    if (EndPage(dc_.Get()) <= 0 || StartPage(dc_.Get()) <= 0) {
        DWORD code = GetLastError();
        Abort();
        PrinterOSError(code);
    }
    ++pageNumber_;
}

void TPrinter::EndDoc() {
    CheckPrinting();
    bool ok = EndPage(dc_.Get()) > 0;
    ok = ok && ::EndDoc(dc_.Get()) > 0;
    DWORD code = GetLastError();
    if (!ok) AbortDoc(dc_.Get());
    dc_.Reset();
    if (!ok) PrinterOSError(code);
}

void TPrinter::Abort() {
    CheckPrinting();
    AbortDoc(dc_.Get());
    dc_.Reset();
    aborted_ = true;
}

int TPrinter::PageWidth() const {
    CheckPrinting();
    return GetDeviceCaps(dc_.Get(), HORZRES);
}

int TPrinter::PageHeight() const {
    CheckPrinting();
    return GetDeviceCaps(dc_.Get(), VERTRES);
}

TPrinter* Printer() {
    auto& p = PrinterInstance();
    if (!p) p = std::make_unique<TPrinter>();
    return p.get();
}

std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer) {
    std::swap(PrinterInstance(), printer);
    return printer;
}

// ---- Text layout --------------------------------------------------------------------------

TTextPageLayout::TTextPageLayout(int pageHeight, int lineHeight)
    : pageHeight_(pageHeight), lineHeight_(lineHeight > 0 ? lineHeight : 1) {}

int TTextPageLayout::NextLine(bool& newPage) {
    newPage = y_ > 0 && y_ + lineHeight_ > pageHeight_;
    if (newPage) {
        y_ = 0;
        ++page_;
    }
    int top = y_;
    y_ += lineHeight_;
    return top;
}

std::string ExpandTabs(const std::string& line, int tabSize) {
    if (tabSize <= 0) tabSize = 8;
    std::string r;
    for (char c : line) {
        if (c == '\t') r.append(tabSize - r.size() % tabSize, ' ');
        else r += c;
    }
    return r;
}

// ---- The printer as a text device -------------------------------------------------------

TPrinterTextFile::~TPrinterTextFile() {
    if (open_ && printer_.Printing()) {
        try {
            printer_.Abort();
        } catch (...) {
        }
    }
}

void TPrinterTextFile::Rewrite() {
    if (open_) throw EInOutError("File already open");
    printer_.BeginDoc();
    HDC dc = printer_.Handle();
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(lf.lfFaceName, "Courier New");
    font_.Reset(CreateFontIndirectA(&lf));
    if (!font_) {
        DWORD code = GetLastError();
        printer_.Abort();
        PrinterOSError(code);
    }
    SelectObject(dc, font_.Get());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    layout_ = std::make_unique<TTextPageLayout>(printer_.PageHeight(), tm.tmHeight + tm.tmExternalLeading);
    open_ = true;
}

void TPrinterTextFile::WriteLn(const std::string& line) {
    if (!open_ || !printer_.Printing()) throw EInOutError("File not open");
    bool newPage = false;
    int y = layout_->NextLine(newPage);
    if (newPage) {
        printer_.NewPage();
        // Some drivers reset the device context with each page.
        SelectObject(printer_.Handle(), font_.Get());
    }
    std::string text = ExpandTabs(line);
    if (!text.empty() && !TextOutA(printer_.Handle(), 0, y, text.c_str(), static_cast<int>(text.size()))) {
        DWORD code = GetLastError();
        printer_.Abort();
        open_ = false;
        PrinterOSError(code);
    }
}

void TPrinterTextFile::Close() {
    if (!open_) throw EInOutError("File not open");
    open_ = false;
    printer_.EndDoc();
}
