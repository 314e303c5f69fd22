#include "TestPrinter.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>

namespace kolotest {

bool InstallTestPrinter(const std::wstring& port) {
    // The driver's PPD is resource PPDFILE 1 of Wine's winspool.drv.
    HMODULE spool = LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (spool == nullptr) return false;
    HRSRC resource = FindResourceW(spool, MAKEINTRESOURCEW(1), L"PPDFILE");
    if (resource == nullptr) return false;
    const DWORD size = SizeofResource(spool, resource);
    const void* data = LockResource(LoadResource(spool, resource));
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder),
                                    sizeof folder, &needed)) {
        return false;
    }
    const std::wstring ppd = std::wstring(folder) + L"\\generic.ppd";
    HANDLE file = CreateFileW(ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, data, size, &written, nullptr);
    CloseHandle(file);

    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(L"Wine PostScript Driver");
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(L"generic.ppd");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        std::printf("AddPrinterDriverExW failed: %lu\n", GetLastError());
        return false;
    }

    PRINTER_INFO_2W printer{};
    printer.pPrinterName = const_cast<wchar_t*>(L"Kolo Test Printer");
    printer.pPortName = const_cast<wchar_t*>(port.c_str());
    printer.pDriverName = const_cast<wchar_t*>(L"Wine PostScript Driver");
    printer.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    printer.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE handle = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    if (handle == nullptr && GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        std::printf("AddPrinterW failed: %lu\n", GetLastError());
        return false;
    }
    if (handle != nullptr) ClosePrinter(handle);
    return SetDefaultPrinterW(L"Kolo Test Printer") != FALSE;
}

}  // namespace kolotest
