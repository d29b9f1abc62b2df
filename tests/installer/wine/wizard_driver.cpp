// Drives install.exe's wizard from outside, as a user would, for scripts/test-installer.sh.
//   wizard_driver                      writes started.txt into the current folder (stands in
//                                      for the installed program that the installer starts)
//   wizard_driver install LOG SYNC EMAIL   lists the wizard's controls, waits for SYNC\go,
//                                      fills the e-mail field, clicks "Weiter >", logs the
//                                      final message, waits for SYNC\go2, clicks OK
//   wizard_driver cancel LOG           clicks "Abbrechen" and answers the question with Yes
//   wizard_driver defect LOG           logs the defect message of a broken script, clicks OK
//   wizard_driver targets LOG T...     types each target, clicks "Weiter >", logs the answer,
//                                      clicks OK; then "Abbrechen" and Yes
// Every step is written to LOG (UTF-8); a missing window ends the driver with exit code 1.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

FILE* g_log = nullptr;

std::string Utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const char* s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
    return w;
}

void Log(const std::string& line) {
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
}

// WM_GETTEXT rather than GetWindowText, which does not ask another process's edit fields.
std::wstring Text(HWND window) {
    wchar_t buffer[1024] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK,
                        5000, &result);
    return buffer;
}

// Waits up to 60 s for a top-level window of that class and title.
HWND WaitForWindow(const wchar_t* cls, const wchar_t* title) {
    for (int i = 0; i < 600; ++i) {
        HWND w = FindWindowW(cls, title);
        if (w && IsWindowVisible(w)) return w;
        Sleep(100);
    }
    return nullptr;
}

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 600; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(100);
    }
    return false;
}

void Touch(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

BOOL CALLBACK ListControl(HWND control, LPARAM parent) {
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
    char place[80];
    std::snprintf(place, sizeof place, "%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left,
                  r.bottom - r.top);
    std::string line = "control|" + Utf8(cls) + "|" + Utf8(Text(control)) + "|" + place;
    if (Utf8(cls) == "Button" && (GetWindowLongW(control, GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX)
        line += SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "|checked" : "|unchecked";
    if (Utf8(cls) == "Static" && (GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX))
        line += "|noprefix";
    if (GetFocus() == control) line += "|focus";
    Log(line);
    return TRUE;
}

HWND ChildWithText(HWND parent, const wchar_t* text) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (Text(c) == text) return c;
    return nullptr;
}

HWND EditAt(HWND parent, int y) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(c, cls, 64);
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        if (lstrcmpiW(cls, L"Edit") == 0 && r.top == y) return c;
    }
    return nullptr;
}

// Message boxes: the text is the static control 0xFFFF.
std::string BoxText(HWND box) {
    wchar_t buffer[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, buffer, 2048);
    std::string s = Utf8(buffer);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = '|';
    return s;
}

bool WaitGone(HWND window) {
    for (int i = 0; i < 600; ++i) {
        if (!IsWindow(window)) return true;
        Sleep(100);
    }
    return false;
}

int Install(const std::string& sync, const char* email) {
    HWND wizard = WaitForWindow(L"CorvanaClass", L"Corvana Install");
    if (!wizard) return Log("no wizard window"), 1;
    RECT client{};
    GetClientRect(wizard, &client);
    RECT outer{};
    GetWindowRect(wizard, &outer);
    Log("wizard|" + std::to_string(outer.right - outer.left) + "x" +
        std::to_string(outer.bottom - outer.top) + "|client " + std::to_string(client.right));
    // Focus belongs to the wizard's thread; ask it through that thread's input state.
    AttachThreadInput(GetCurrentThreadId(), GetWindowThreadProcessId(wizard, nullptr), TRUE);
    EnumChildWindows(wizard, ListControl, reinterpret_cast<LPARAM>(wizard));
    Touch(sync + "ready");
    if (!WaitForFile(sync + "go")) return Log("no go"), 1;

    HWND emailField = EditAt(wizard, 148);
    if (!emailField) return Log("no e-mail field"), 1;
    SendMessageW(emailField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(email).c_str()));
    HWND next = ChildWithText(wizard, L"Weiter >");
    if (!next) return Log("no next button"), 1;
    PostMessageW(next, BM_CLICK, 0, 0);
    Log("clicked Weiter");

    HWND box = WaitForWindow(L"#32770", nullptr);
    if (!box) return Log("no final message"), 1;
    if (Text(box) != L"Installation beendet")
        return Log("unexpected box|" + Utf8(Text(box)) + "|" + BoxText(box)), 1;
    Log("final|" + BoxText(box));
    Touch(sync + "final");
    if (!WaitForFile(sync + "go2")) return Log("no go2"), 1;
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    Log(WaitGone(wizard) ? "wizard closed" : "wizard still open");
    return 0;
}

int Cancel() {
    HWND wizard = WaitForWindow(L"CorvanaClass", L"Corvana Install");
    if (!wizard) return Log("no wizard window"), 1;
    PostMessageW(ChildWithText(wizard, L"Abbrechen"), BM_CLICK, 0, 0);
    HWND box = WaitForWindow(L"#32770", L"Programm beenden");
    if (!box) return Log("no question"), 1;
    Log("question|" + BoxText(box));
    PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    Log(WaitGone(wizard) ? "wizard closed" : "wizard still open");
    return 0;
}

int Defect() {
    HWND box = WaitForWindow(L"#32770", L"Installation abbgebrochen!");
    if (!box) return Log("no defect message"), 1;
    Log("defect|" + BoxText(box));
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    Log(WaitGone(box) ? "message closed" : "message still open");
    return 0;
}

int Targets(int count, char** targets) {
    HWND wizard = WaitForWindow(L"CorvanaClass", L"Corvana Install");
    if (!wizard) return Log("no wizard window"), 1;
    HWND targetField = EditAt(wizard, 88);
    HWND next = ChildWithText(wizard, L"Weiter >");
    if (!targetField || !next) return Log("no target field"), 1;
    for (int i = 0; i < count; ++i) {
        SendMessageW(targetField, WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(Wide(targets[i]).c_str()));
        PostMessageW(next, BM_CLICK, 0, 0);
        HWND box = WaitForWindow(L"#32770", L"Corvana Install");
        if (!box) return Log(std::string("no answer|") + targets[i]), 1;
        Log(std::string("target|") + targets[i] + "|" + BoxText(box));
        PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        WaitGone(box);
    }
    return Cancel();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        char folder[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, folder);
        FILE* f = std::fopen("started.txt", "wb");
        if (f) {
            std::fprintf(f, "%s", folder);
            std::fclose(f);
        }
        return 0;
    }
    const std::string mode = argv[1];
    if (argc < 3 || !(g_log = std::fopen(argv[2], "ab"))) return 2;
    int result = 2;
    if (mode == "install" && argc >= 5) result = Install(argv[3], argv[4]);
    if (mode == "cancel") result = Cancel();
    if (mode == "defect") result = Defect();
    if (mode == "targets") result = Targets(argc - 3, argv + 3);
    std::fclose(g_log);
    return result;
}
