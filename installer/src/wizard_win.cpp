// install.exe: start-up, the wizard page, the progress window and the message loop.
#include "install_text.h"
#include "installation_win.h"
#include "shell_win.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace installer;

namespace {

constexpr wchar_t kWizardClass[] = L"CorvanaClass";
constexpr wchar_t kProgressClass[] = L"(De)InstallWndclass";
constexpr wchar_t kTitle[] = L"Corvana Install";
constexpr int kFieldLimit = 255;
// Exit codes of a silent run; the wizard always ends with 0 (its user has seen every message).
constexpr int kExitOk = 0;
constexpr int kExitRefused = 2;    // defective script or refused run: nothing was written
constexpr int kExitIncomplete = 3; // some files or entries could not be installed

struct App {
    HINSTANCE instance = nullptr;
    HBRUSH face = nullptr;
    HBRUSH white = nullptr;
    HFONT titleFont = nullptr;
    HFONT textFont = nullptr;
    int desktopWidth = 0;
    int desktopHeight = 0;
    HWND wizard = nullptr;
    HWND titleBand = nullptr;
    HWND sourceField = nullptr;
    HWND targetField = nullptr;
    HWND browseButton = nullptr;
    HWND emailField = nullptr;
    HWND desktopBox = nullptr;
    HWND startBox = nullptr;
    HWND allUsersBox = nullptr;
    HWND nextButton = nullptr;
    HWND cancelButton = nullptr;
    HWND progressHeader = nullptr;
    HWND statusText = nullptr;
    std::vector<std::string> args; // positions 1, 2, ...
    InstallRun run;
    bool installing = false;
    int exitCode = 0;
    std::vector<std::string> silentLog; // what a silent run would have shown, for -log:
};
App app;

// A silent run has nobody to click a message box: what it would show goes to the log.
int LogInsteadOfBox(HWND, const std::string& text, const std::string&, UINT) {
    app.silentLog.push_back(text);
    return IDOK;
}

// Writes the silent run's log ("-log:<file>"): one line per message, then the result.
void WriteSilentLog(const std::string& path) {
    if (path.empty()) return;
    std::string text;
    for (const std::string& line : app.silentLog) {
        std::string flat = line;
        for (char& c : flat)
            if (c == '\r' || c == '\n') c = ' ';
        text += flat + "\r\n";
    }
    text += app.exitCode == kExitOk        ? Utf8ToAnsi("Ergebnis: Installation abgeschlossen")
            : app.exitCode == kExitRefused ? Utf8ToAnsi("Ergebnis: Installation abgebrochen, "
                                                        "nichts verändert")
                                           : Utf8ToAnsi("Ergebnis: Installation unvollständig");
    text += "\r\n";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring W(const char* utf8) {
    return AnsiToWide(Utf8ToAnsi(utf8));
}

HWND AddControl(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style,
                DWORD exStyle, int x, int y, int w, int h, HFONT font, int id = 0) {
    HWND control = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                                   w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   app.instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The edit fields hold paths as the ANSI functions take them, so they are written and read
// through the system's own ANSI conversion: whatever GetModuleFileNameA or the browse dialog
// gave comes back byte for byte (our Windows-1252 table would turn 81, 8D, 8F, 90 and 9D, and
// every character of a multi-byte code page, into "?").
std::string FieldText(HWND field) {
    const int length = GetWindowTextLengthA(field); // in bytes, possibly more than needed
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int n = GetWindowTextA(field, buffer.data(), length + 1);
    return std::string(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

void SetFieldText(HWND field, const std::string& ansi) {
    SetWindowTextA(field, ansi.c_str());
}

bool Checked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int ClientWidth(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return r.right - r.left;
}

bool RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = app.instance;
    wc.hIcon = LoadIconW(app.instance, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = app.face;
    wc.lpszClassName = name;
    if (RegisterClassW(&wc)) return true;
    Hooks().message(nullptr, "Can not Register Class", "", MB_OK | MB_TASKMODAL | MB_ICONERROR);
    app.exitCode = kExitIncomplete;
    return false;
}

// Static texts and the read-only field sit on the button face; the two bands are white.
LRESULT ColourStatic(HWND control, HDC dc) {
    if (control == app.titleBand || control == app.progressHeader || control == app.statusText) {
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(app.white);
    }
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(app.face);
}

bool ChooseTargetFolder(std::string& folder) {
    const std::wstring title = W("Zielverzeichnis aussuchen");
    BROWSEINFOW info{};
    info.hwndOwner = app.wizard;
    info.pidlRoot = nullptr; // the desktop
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST items = SHBrowseForFolderW(&info);
    if (!items) return false;
    char path[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDListA(items, path) != 0;
    CoTaskMemFree(items);
    if (ok) folder = path;
    return ok;
}

LRESULT CALLBACK ProgressProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
        return ColourStatic(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
    case WM_CLOSE:
        return 0; // the installation cannot be cancelled
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND BuildProgressWindow() {
    HWND window =
        CreateWindowExW(0, kProgressClass, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                        (app.desktopWidth - 520) / 2, (app.desktopHeight - 360) / 2, 520, 360,
                        app.wizard, nullptr, app.instance, nullptr);
    if (!window) return nullptr;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(app.textFont), FALSE);
    const int cw = ClientWidth(window);
    app.progressHeader = AddControl(
        window, L"STATIC", W("Das Programm wird jetzt installiert, das dauert einige Zeit!"),
        SS_CENTER, 0, -1, -1, cw + 1, 49, app.titleFont);
    AddControl(window, L"STATIC", L"", SS_ETCHEDHORZ, 0, 0, 49, cw, 2, app.textFont);
    // Paths may hold "&": no prefix processing, so it is never drawn as an underline.
    app.statusText = AddControl(window, L"STATIC", L"", SS_CENTER | SS_SUNKEN | SS_NOPREFIX, 0, 10,
                                70, cw - 20, 200, app.textFont);
    AddControl(window, L"STATIC", L"", SS_ETCHEDHORZ, 0, 0, 279, cw, 2, app.textFont);
    AddControl(window, L"BUTTON", W("Weiter >"), BS_PUSHBUTTON | WS_DISABLED, 0, cw - 194, 290, 89,
               25, app.textFont);
    AddControl(window, L"BUTTON", W("Abbrechen"), BS_PUSHBUTTON | WS_DISABLED, 0, cw - 97, 290, 89,
               25, app.textFont);
    return window;
}

void RunInstallation() {
    if (app.installing) return;
    app.installing = true;
    InstallRun& run = app.run;
    // Silent mode needs no wizard window: its fields would only hold the defaults.
    run.Options.CreateDesktopIcon = !app.desktopBox || Checked(app.desktopBox);
    run.Options.StartAfterInstall = !app.startBox || Checked(app.startBox);
    run.Options.DesktopIconForAll = app.allUsersBox && Checked(app.allUsersBox);
    run.Options.NoStartMenu = false;
    const CommandLineOptions cmd = ParseCommandLine(app.args);
    run.Silent = cmd.Silent;
    if (cmd.Silent) {
        run.Options.CreateDesktopIcon = cmd.CreateDesktopIcon;
        run.Options.DesktopIconForAll = cmd.DesktopIconForAll;
        run.Options.NoStartMenu = cmd.NoStartMenu;
    }
    run.ProgramToStart.clear();
    ShowWindow(app.wizard, SW_HIDE);

    if (!RegisterWindowClass(kProgressClass, ProgressProc)) {
        if (app.wizard) DestroyWindow(app.wizard);
        PostQuitMessage(0);
        return;
    }
    run.Progress = BuildProgressWindow();
    run.StatusText = app.statusText;

    if (cmd.Silent || !app.wizard) {
        run.TargetFolder = WithBackslash(run.Script.DefaultTarget);
        run.Email.clear();
    } else {
        run.SourceFolder = WithBackslash(FieldText(app.sourceField));
        run.TargetFolder = WithBackslash(FieldText(app.targetField));
        run.Email = FieldText(app.emailField);
    }

    // Shows the progress window; the final message unless silent.
    const bool complete = InstallFiles(run);
    if (run.Silent) {
        app.exitCode = complete                       ? kExitOk
                       : run.Refused != Refusal::None ? kExitRefused
                                                      : kExitIncomplete;
        if (run.Refused != Refusal::None)
            app.silentLog.push_back(RefusalText(run.Refused, run.RefusedWhat));
        for (const std::string& failure : run.Failures)
            app.silentLog.push_back(failure);
    }
    if (run.Progress) DestroyWindow(run.Progress);
    run.Progress = nullptr;
    run.StatusText = nullptr;
    if (!run.Silent) {
        UnregisterClassW(kProgressClass, app.instance);
        FinishInstallation(run);
    }
    if (app.wizard) DestroyWindow(app.wizard);
    PostQuitMessage(0);
}

LRESULT CALLBACK WizardProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
        return ColourStatic(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
    case WM_COMMAND: {
        if (HIWORD(wParam) != BN_CLICKED) break;
        const HWND control = reinterpret_cast<HWND>(lParam);
        // Enter and Escape arrive from the dialog keyboard handling as IDOK and IDCANCEL.
        const int id = LOWORD(wParam);
        if (control == app.browseButton) {
            std::string folder;
            if (ChooseTargetFolder(folder)) {
                const std::string target =
                    TargetFromChosenFolder(folder, app.run.Script.FolderName);
                SetFieldText(app.targetField, target);
            }
        } else if (control == app.nextButton || id == IDOK) {
            const std::string target = FieldText(app.targetField);
            const std::string& folderName = app.run.Script.FolderName;
            const std::string& defaultTarget = app.run.Script.DefaultTarget;
            const TargetCheck check = CheckTargetFolder(
                target,
                SystemFolders(defaultTarget.substr(0, defaultTarget.size() - folderName.size())));
            if (check != TargetCheck::Ok) {
                Hooks().message(window,
                                check == TargetCheck::NotFull
                                    ? TargetFolderHintText(folderName)
                                    : UnsafeTargetText(target, folderName),
                                "Corvana Install", MB_OK | MB_ICONINFORMATION);
                SetFocus(app.targetField);
                return 0;
            }
            RunInstallation();
        } else if (control == app.cancelButton || id == IDCANCEL) {
            if (Hooks().message(window, Utf8ToAnsi("Wollen Sie das Programm wirklich beenden?"),
                                "Programm beenden", MB_YESNO | MB_ICONQUESTION) == IDYES)
                DestroyWindow(window);
        }
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND BuildWizardWindow() {
    HWND window = CreateWindowExW(WS_EX_APPWINDOW, kWizardClass, kTitle,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                  (app.desktopWidth - 512) / 2, (app.desktopHeight - 360) / 2, 520,
                                  491, nullptr, nullptr, app.instance, nullptr);
    if (!window) return nullptr;
    app.wizard = window;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(app.textFont), FALSE);
    const int cw = ClientWidth(window);
    const InstallScript& script = app.run.Script;
    HFONT f = app.textFont;

    app.titleBand = AddControl(
        window, L"STATIC",
        W("Willkommen im Installationsprogramm von ") + AnsiToWide(script.ProductName) + L"!",
        SS_CENTER | SS_NOPREFIX, WS_EX_STATICEDGE, -1, -1, cw + 1, 49, app.titleFont);
    AddControl(window, L"STATIC", L"", SS_ETCHEDHORZ, 0, 0, 49, cw, 2, f);
    AddControl(window, L"STATIC", W("Quellverzeichnis:"), 0, 0, 8, 64, 150, 21, f);
    app.sourceField = AddControl(window, L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP,
                                 WS_EX_CLIENTEDGE, 160, 64, 347, 21, f);
    AddControl(window, L"STATIC", W("Zielverzeichnis:"), 0, 0, 8, 88, 150, 21, f);
    app.targetField = AddControl(window, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP,
                                 WS_EX_CLIENTEDGE, 160, 88, 347, 21, f);
    app.browseButton = AddControl(window, L"BUTTON", W("Durchsuchen..."),
                                  BS_PUSHBUTTON | WS_TABSTOP, 0, 160, 115, 120, 25, f);
    AddControl(window, L"STATIC", W("Ihre Email Adresse:"), 0, 0, 8, 148, 150, 21, f);
    app.emailField = AddControl(window, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                                160, 148, 347, 21, f);
    AddControl(window, L"STATIC",
               W("Tragen Sie Ihre Email Adresse in unseren Newletter ein, um Sonderangebote und "
                 "Neuigkeiten zu erhalten."),
               0, 0, 8, 178, 492, 41, f);
    app.desktopBox = AddControl(window, L"BUTTON", W("Symbol auf dem Desktop erzeugen"),
                                BS_AUTOCHECKBOX | WS_TABSTOP, 0, 8, 230, 600, 21, f);
    app.startBox = AddControl(window, L"BUTTON", W("Programm nach dem Installieren starten"),
                              BS_AUTOCHECKBOX | WS_TABSTOP, 0, 8, 251, 600, 21, f);
    app.allUsersBox = AddControl(window, L"BUTTON", W("Symbol für alle Benutzer erzeugen"),
                                 BS_AUTOCHECKBOX | WS_TABSTOP, 0, 8, 272, 600, 21, f);
    SendMessageW(app.desktopBox, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(app.startBox, BM_SETCHECK, BST_CHECKED, 0);
    AddControl(window, L"STATIC",
               W("Dieses Programm kann jederzeit restlos über das Deinstallationsprogramm wieder "
                 "entfernt werden. Das Deinstallationsprogramm finden Sie unter "
                 "Systemsteuerung/Software bzw. unter Systemsteuerung/\"Programme und Funktion\". "
                 "\r\rMit dem Parameter -silent kann die Installation automatisiert werden."),
               0, 0, 8, 305, 503, 121, f);
    AddControl(window, L"STATIC", L"", SS_ETCHEDHORZ, 0, 0, 410, cw, 2, f);
    app.nextButton = AddControl(window, L"BUTTON", W("Weiter >"), BS_DEFPUSHBUTTON | WS_TABSTOP, 0,
                                cw - 194, 421, 89, 25, f, IDOK);
    app.cancelButton = AddControl(window, L"BUTTON", W("Abbrechen"), BS_PUSHBUTTON | WS_TABSTOP, 0,
                                  cw - 97, 421, 89, 25, f, IDCANCEL);
    for (HWND field : {app.sourceField, app.targetField, app.emailField})
        SendMessageW(field, EM_LIMITTEXT, kFieldLimit, 0);
    SetFieldText(app.sourceField, app.run.SourceFolder);
    SetFieldText(app.targetField, script.DefaultTarget);
    return window;
}

// "MS Sans Serif" is a bitmap font that Windows rounds up to its 8-point size even for a
// height of 8; "MS Shell Dlg" is the dialog font every Windows and Wine has, so the text
// font asks for 8 points (11 pixels) of it and the title font keeps its height of 18.
HFONT MakeFont(int height, int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, L"MS Shell Dlg");
}

int Run(HINSTANCE instance) {
    app.instance = instance;
    app.args.assign(__argv + (__argc > 0 ? 1 : 0), __argv + __argc);

    const bool silent = ParseCommandLine(app.args).Silent;
    if (silent) Hooks().message = LogInsteadOfBox;
    const HRESULT com = CoInitialize(nullptr);
    if (FAILED(com)) {
        char text[64];
        std::snprintf(text, sizeof text, "CoInitialize failed (0x%.8lx)",
                      static_cast<unsigned long>(com));
        Hooks().message(nullptr, text, "", MB_OK | MB_ICONERROR);
        if (silent) WriteSilentLog(LogFileArgument(app.args));
        return 1;
    }
    app.run.WindowsFolder = WindowsFolderPath();
    if (!ReadInstallScript(app.run)) {
        Hooks().message(nullptr, DefectMessageText(), DefectMessageCaption(),
                        MB_OK | MB_ICONINFORMATION);
        CoUninitialize();
        app.exitCode = silent ? kExitRefused : kExitOk;
        if (silent) WriteSilentLog(LogFileArgument(app.args));
        return app.exitCode;
    }

    app.desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    app.desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    app.face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    app.white = CreateSolidBrush(RGB(255, 255, 255));
    app.titleFont = MakeFont(18, FW_BOLD);
    app.textFont = MakeFont(-11, FW_NORMAL);
    if (RegisterWindowClass(kWizardClass, WizardProc) && (BuildWizardWindow() || silent)) {
        if (silent) {
            RunInstallation();
        } else {
            ShowWindow(app.wizard, SW_SHOW);
            UpdateWindow(app.wizard);
            SetFocus(app.emailField);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (IsDialogMessageW(app.wizard, &msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    DeleteObject(app.face);
    DeleteObject(app.white);
    DeleteObject(app.titleFont);
    DeleteObject(app.textFont);
    CoUninitialize();
    if (!silent) return 0;
    WriteSilentLog(LogFileArgument(app.args));
    return app.exitCode;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return Run(instance);
}
