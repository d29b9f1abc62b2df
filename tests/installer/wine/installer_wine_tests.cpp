// Real installations under Wine (or Windows): the installation code runs against the real
// file system, registry and shell, into temporary folders, with recording stand-ins for
// message boxes and shell opens. Prints "N passed, N failed"; exit code 1 on a failure.
#include "install_text.h"
#include "installation_win.h"
#include "shell_win.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace installer;

namespace {

int g_passed = 0;
int g_failed = 0;
bool g_caseFailed = false;

void Fail(const char* file, int line, const std::string& what) {
    std::printf("  FAILED %s:%d: %s\n", file, line, what.c_str());
    g_caseFailed = true;
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) Fail(__FILE__, __LINE__, #cond);                                              \
    } while (0)
#define CHECK_EQ(a, b)                                                                             \
    do {                                                                                           \
        const auto& va_ = (a);                                                                     \
        const auto& vb_ = (b);                                                                     \
        if (!(va_ == vb_))                                                                         \
            Fail(__FILE__, __LINE__,                                                               \
                 std::string(#a " == " #b ": [") + Show(va_) + "] vs [" + Show(vb_) + "]");        \
    } while (0)

std::string Show(const std::string& s) {
    return s;
}
template <class T> std::string Show(const T& v) {
    return std::to_string(v);
}

// ---- recording stand-ins ------------------------------------------------------------------

struct Message {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
};
struct Open {
    std::string file;
    std::string folder;
};
std::vector<Message> g_messages;
std::vector<Open> g_opens;
std::vector<std::string> g_statuses;
std::vector<std::string> g_events; // messages and opens in the order they happened

int RecordMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    g_messages.push_back({owner, text, caption, flags});
    g_events.push_back("message " + caption);
    return IDOK;
}
void RecordOpen(HWND, const std::string& file, const std::string& folder) {
    g_opens.push_back({file, folder});
    g_events.push_back("open " + file);
}
void RecordStatus(const std::string& text) {
    g_statuses.push_back(text);
}

// Refuses every key below HKEY_LOCAL_MACHINE, as for a user without administrator rights.
LONG RefuseMachineKeys(HKEY root, const char* subKey, bool create, HKEY* key) {
    if (root == HKEY_LOCAL_MACHINE) return ERROR_ACCESS_DENIED;
    return DefaultHooks().openKey(root, subKey, create, key);
}

constexpr char kTestKey[] = "Software\\LumenoInstallerTest";

// Sends HKLM's CurrentVersion key to a test key whose "ProgramFilesDir" is empty.
LONG EmptyProgramFilesDir(HKEY root, const char* subKey, bool create, HKEY* key) {
    if (root == HKEY_LOCAL_MACHINE &&
        std::string(subKey) == "SOFTWARE\\Microsoft\\Windows\\CurrentVersion")
        return DefaultHooks().openKey(HKEY_CURRENT_USER, kTestKey, true, key);
    return DefaultHooks().openKey(root, subKey, create, key);
}

// Refuses the Shell Folders key: the start-menu folder is unknown.
LONG RefuseShellFolders(HKEY root, const char* subKey, bool create, HKEY* key) {
    if (std::string(subKey).find("Shell Folders") != std::string::npos) return ERROR_ACCESS_DENIED;
    return DefaultHooks().openKey(root, subKey, create, key);
}

void ResetRecords() {
    g_messages.clear();
    g_opens.clear();
    g_statuses.clear();
    g_events.clear();
    Hooks() = DefaultHooks();
    Hooks().message = RecordMessage;
    Hooks().shellOpen = RecordOpen;
    Hooks().status = RecordStatus;
}

// ---- files and folders --------------------------------------------------------------------

std::string TempRoot() {
    static std::string root;
    if (root.empty()) {
        char buffer[MAX_PATH];
        GetTempPathA(MAX_PATH, buffer);
        root = WithBackslash(buffer) + "lumeno-installer-tests-" +
               std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(root.c_str(), nullptr);
    }
    return root;
}

std::string NewFolder(const std::string& name) {
    const std::string folder = TempRoot() + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h != INVALID_HANDLE_VALUE) {
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(h);
    return bytes;
}

// Content with a pattern, so a block copied twice or out of order shows.
std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + seed * 13 + i / 251) & 0xFF);
    return s;
}

// Install.log from a product/folder/group and (FileName, Marker) pairs, CR LF line ends.
std::string Script(const std::string& folder, const std::string& group,
                   const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string s = "Corvana (De)Install 2.0 - Install.log\r\n";
    s += Utf8ToAnsi("Nicht verändern, nicht löschen!") + "\r\n";
    s += "Test Product\r\n" + folder + "\r\n" + group + "\r\n\r\n" +
         std::to_string(entries.size()) + "\r\n";
    for (const auto& [file, marker] : entries)
        s += file + "\r\n" + marker + "\r\n";
    return s + "\r\n";
}

struct Link {
    bool ok = false;
    std::string path, workingFolder, arguments;
};

Link ReadLink(const std::string& linkPath) {
    Link link;
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return link;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH * 2] = {};
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH * 2);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char buffer[MAX_PATH * 2] = {};
            link.ok = true;
            if (SUCCEEDED(shellLink->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH)))
                link.path = buffer;
            buffer[0] = 0;
            if (SUCCEEDED(shellLink->GetWorkingDirectory(buffer, sizeof buffer)))
                link.workingFolder = buffer;
            buffer[0] = 0;
            if (SUCCEEDED(shellLink->GetArguments(buffer, sizeof buffer))) link.arguments = buffer;
        }
        file->Release();
    }
    shellLink->Release();
    return link;
}

void CheckLink(const char* file, int line, const std::string& linkPath, const std::string& target,
               const std::string& workingFolder) {
    const Link link = ReadLink(linkPath);
    if (!link.ok) return Fail(file, line, "no shortcut " + linkPath);
    if (_stricmp(link.path.c_str(), target.c_str()) != 0)
        Fail(file, line, linkPath + ": target " + link.path + " instead of " + target);
    if (_stricmp(link.workingFolder.c_str(), workingFolder.c_str()) != 0)
        Fail(file, line,
             linkPath + ": working folder " + link.workingFolder + " instead of " + workingFolder);
    if (!link.arguments.empty()) Fail(file, line, linkPath + ": arguments " + link.arguments);
    // The link object reads every show command but three back as SW_SHOWNORMAL, so the
    // stored one is checked in the file: a 32-bit value at offset 0x3C of the header.
    const std::string bytes = ReadFile(linkPath);
    if (bytes.size() < 0x40 || bytes.compare(0x3C, 4, std::string("\x05\0\0\0", 4)) != 0)
        Fail(file, line, linkPath + ": show command is not SW_SHOW in the file");
}
#define CHECK_LINK(link, target, folder) CheckLink(__FILE__, __LINE__, link, target, folder)

std::string RegValue(HKEY root, const std::string& subKey, const char* name,
                     bool* found = nullptr) {
    HKEY key;
    if (found) *found = false;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    DWORD type = 0;
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    const LONG r =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return "<no value>";
    if (found) *found = true;
    if (type != REG_SZ) return "<not REG_SZ>";
    // Stored with its terminating zero byte.
    if (size == 0 || buffer[size - 1] != '\0') return "<no terminating zero>";
    return buffer;
}

bool KeyExists(HKEY root, const std::string& subKey) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A prepared run: source folder with Install.log and the files, empty target and Windows folder.
struct Prepared {
    InstallRun run;
    ScriptResult result;
    std::string startMenu; // the group's start-menu folder
    std::string desktop;
};

Prepared Prepare(const std::string& name, const std::string& group,
                 const std::vector<std::pair<std::string, std::string>>& entries,
                 const std::vector<std::pair<std::string, std::string>>& files) {
    Prepared p;
    const std::string source = NewFolder(name + "-src");
    for (const auto& [file, bytes] : files) {
        const auto slash = file.rfind('\\');
        if (slash != std::string::npos)
            CreateDirectoryA((source + file.substr(0, slash)).c_str(), nullptr);
        WriteFile(source + file, bytes);
    }
    WriteFile(source + "Install.log", Script("Lumeno Test " + name, group, entries));
    p.result = ReadInstallScriptFrom(source, p.run);
    p.run.SourceFolder = source;
    p.run.TargetFolder = TempRoot() + name + "-target\\";
    p.run.WindowsFolder = NewFolder(name + "-windows");
    p.startMenu = StartMenuFolder(group);
    p.desktop = DesktopFolder(false);
    return p;
}

void CleanUp(const Prepared& p) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstall + p.run.Script.FolderName).c_str());
    HKEY run;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRun.c_str(), 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
        for (const auto& e : p.run.Script.Entries)
            if (e.Marker == kMarkerAutostart) RegDeleteValueA(run, e.FileName.c_str());
        RegCloseKey(run);
    }
}

// ---- cases --------------------------------------------------------------------------------

void MachineWideInstallation() {
    const std::string big = Pattern(5000, 1), exact = Pattern(4096, 2);
    Prepared p = Prepare("machine", "Lumeno Test Group",
                         {{"lumeno.exe", "PDF Lumeno"},
                          {"readme.txt", "NEIN!"},
                          {"data.bin", "NEIN!"},
                          {"block.bin", "NEIN!"},
                          {"keep.ini", "NEINIFNOTEXIST!"},
                          {"new.ini", "NEINIFNOTEXIST!"},
                          {"sub\\prog.exe", "Zweites Programm"},
                          {"sub\\tray.exe", "AUTOSTART!"},
                          {"remove.exe", "DEINST!"},
                          {"hello.txt", "EXEC!"},
                          {"manual.pdf", "nein!"}},
                         {{"lumeno.exe", "MZ lumeno"},
                          {"readme.txt", "readme"},
                          {"data.bin", big},
                          {"block.bin", exact},
                          {"keep.ini", "from the source"},
                          {"new.ini", "new"},
                          {"sub\\prog.exe", "MZ prog"},
                          {"sub\\tray.exe", "MZ tray"},
                          {"remove.exe", "MZ remove"},
                          {"hello.txt", "hello"},
                          {"manual.pdf", "%PDF"}});
    InstallRun& run = p.run;
    CHECK(p.result.ok);
    CHECK(run.Mode == InstallMode::MachineWide);
    // Wine's (and Windows') program files folder, not the per-user data folder.
    CHECK_EQ(run.Script.DefaultTarget.find("Program Files\\"), std::string::size_type(3));
    CHECK_EQ(run.Script.DefaultTarget.substr(run.Script.DefaultTarget.rfind('\\') + 1),
             std::string("Lumeno Test machine"));

    CreateDirectoryA(run.TargetFolder.c_str(), nullptr);
    WriteFile(run.TargetFolder + "keep.ini", "the user's settings");
    run.Silent = false;
    run.Email = "max-mustermann@example.org";
    InstallFiles(run);
    FinishInstallation(run);
    const std::string& t = run.TargetFolder;

    CHECK_EQ(ReadFile(t + "lumeno.exe"), std::string("MZ lumeno"));
    CHECK(ReadFile(t + "data.bin") == big);
    CHECK(ReadFile(t + "block.bin") == exact);
    CHECK_EQ(ReadFile(t + "sub\\prog.exe"), std::string("MZ prog"));
    CHECK_EQ(ReadFile(t + "sub\\tray.exe"), std::string("MZ tray"));
    CHECK_EQ(ReadFile(t + "keep.ini"), std::string("the user's settings"));
    CHECK_EQ(ReadFile(t + "new.ini"), std::string("new"));
    // The uninstaller lands in the Windows folder only.
    CHECK_EQ(ReadFile(run.WindowsFolder + "remove.exe"), std::string("MZ remove"));
    CHECK(!Exists(t + "remove.exe"));

    // One status text per copied file, none for the kept keep.ini.
    CHECK_EQ(g_statuses.size(), std::size_t(10));
    for (const std::string& s : g_statuses)
        CHECK(s.find("keep.ini") == std::string::npos);
    CHECK_EQ(g_statuses.front(), CopyStatusText(run.SourceFolder + "lumeno.exe", t + "lumeno.exe"));

    const std::string key = kUninstall + run.Script.FolderName;
    CHECK_EQ(RegValue(HKEY_LOCAL_MACHINE, key, "DisplayName"), run.Script.FolderName);
    CHECK_EQ(RegValue(HKEY_LOCAL_MACHINE, key, "UninstallString"),
             run.WindowsFolder + "remove.exe \"" + t + "\"");
    // Quoted: a path with blanks would otherwise run a shorter program.
    CHECK_EQ(RegValue(HKEY_CURRENT_USER, kRun, "sub\\tray.exe"), "\"" + t + "sub\\tray.exe\"");

    CHECK_LINK(p.startMenu + "PDF Lumeno.lnk", t + "lumeno.exe", t);
    CHECK_LINK(p.startMenu + "Zweites Programm.lnk", t + "sub\\prog.exe", t);
    CHECK_LINK(p.startMenu + "nein!.lnk", t + "manual.pdf", t);
    CHECK_LINK(p.desktop + "PDF Lumeno.lnk", t + "lumeno.exe", t);
    CHECK_LINK(p.desktop + "Zweites Programm.lnk", t + "sub\\prog.exe", t);
    CHECK(!Exists(p.desktop + "nein!.lnk"));
    CHECK(!Exists(p.startMenu + "Uninstall.lnk"));
    CHECK(!Exists(p.startMenu + "readme.txt.lnk"));

    CHECK_EQ(run.ProgramToStart, t + "sub\\prog.exe"); // the last EXE entry wins

    // EXEC! file, then (after the final message) the program and the newsletter address.
    CHECK_EQ(g_opens.size(), std::size_t(3));
    if (g_opens.size() == 3) {
        CHECK_EQ(g_opens[0].file, t + "hello.txt");
        CHECK_EQ(g_opens[1].file, t + "sub\\prog.exe");
        CHECK_EQ(g_opens[1].folder, t + "sub\\");
        CHECK_EQ(g_opens[2].file,
                 std::string(kNewsletterHost) +
                     "/maillistger.php?EMAIL=max%2Dmustermann@example.org&eintragen=1");
    }
    const std::vector<std::string> order = {
        "open " + t + "hello.txt", "message Installation beendet", "open " + t + "sub\\prog.exe",
        "open " + std::string(kNewsletterHost) +
            "/maillistger.php?EMAIL=max%2Dmustermann@example.org&eintragen=1"};
    CHECK(g_events == order);
    CHECK_EQ(g_messages.size(), std::size_t(1));
    if (!g_messages.empty()) {
        CHECK_EQ(g_messages[0].text, FinalText(true, true));
        CHECK_EQ(g_messages[0].caption, std::string("Installation beendet"));
        CHECK(g_messages[0].flags & MB_ICONINFORMATION);
    }
    CleanUp(p);
    DeleteFileA((p.startMenu + "PDF Lumeno.lnk").c_str());
    DeleteFileA((p.desktop + "PDF Lumeno.lnk").c_str());
    DeleteFileA((p.desktop + "Zweites Programm.lnk").c_str());
}

void PerUserInstallation() {
    Hooks().openKey = RefuseMachineKeys;
    Prepared p = Prepare("peruser", "Lumeno Test PerUser",
                         {{"lumeno.exe", "PDF Lumeno"},
                          {"tools\\tray.exe", "AUTOSTART!"},
                          {"remove.exe", "DEINST!"}},
                         {{"lumeno.exe", "MZ"}, {"tools\\tray.exe", "tray"}, {"remove.exe", "rm"}});
    InstallRun& run = p.run;
    CHECK(p.result.ok);
    CHECK(run.Mode == InstallMode::PerUser);
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    CHECK_EQ(_stricmp(run.Script.DefaultTarget.c_str(),
                      (WithBackslash(appData) + "Lumeno Test peruser").c_str()),
             0);
    run.Silent = true;
    InstallFiles(run);
    const std::string& t = run.TargetFolder;
    CHECK_EQ(ReadFile(t + "remove.exe"), std::string("rm"));
    CHECK(!Exists(run.WindowsFolder + "remove.exe"));
    CHECK(!KeyExists(HKEY_LOCAL_MACHINE, kUninstall + run.Script.FolderName));
    CHECK_LINK(p.startMenu + "Uninstall.lnk", t + "remove.exe", t);
    CHECK_LINK(p.startMenu + "PDF Lumeno.lnk", t + "lumeno.exe", t);
    CHECK_EQ(RegValue(HKEY_CURRENT_USER, kRun, "tools\\tray.exe"), "\"" + t + "tools\\tray.exe\"");
    CHECK(g_messages.empty()); // silent: no final message
    CHECK(g_opens.empty());
    CleanUp(p);
    DeleteFileA((p.desktop + "PDF Lumeno.lnk").c_str());
}

void LockedFileIsReportedOnce() {
    Prepared p = Prepare("locked", "Lumeno Test Locked",
                         {{"a.txt", "NEIN!"}, {"busy.exe", "Busy"}, {"c.txt", "NEIN!"}},
                         {{"a.txt", "a"}, {"busy.exe", "new version"}, {"c.txt", "c"}});
    InstallRun& run = p.run;
    run.Silent = false;
    run.Options.CreateDesktopIcon = false;
    CreateDirectoryA(run.TargetFolder.c_str(), nullptr);
    const std::string busy = run.TargetFolder + "busy.exe";
    WriteFile(busy, "running");
    // Held open without sharing, as a running program's file is.
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK(!InstallFiles(run));
    CloseHandle(held);
    // The copy message, then an end message that names the file instead of success.
    CHECK_EQ(g_messages.size(), std::size_t(2));
    if (g_messages.size() == 2) {
        CHECK_EQ(g_messages[0].text,
                 CopyFailureText(run.SourceFolder + "busy.exe", busy, CopyFailure::InUse));
        CHECK_EQ(g_messages[0].caption, std::string()); // the system's default caption
        CHECK(g_messages[0].owner == nullptr);
        CHECK(g_messages[0].flags & MB_ICONINFORMATION);
        CHECK_EQ(g_messages[1].caption, IncompleteCaption());
        CHECK(g_messages[1].text.find(busy) != std::string::npos);
    }
    CHECK_EQ(ReadFile(busy), std::string("running"));
    CHECK_EQ(ReadFile(run.TargetFolder + "a.txt"), std::string("a"));
    CHECK_EQ(ReadFile(run.TargetFolder + "c.txt"), std::string("c"));
    CHECK(!Exists(p.startMenu + "Busy.lnk")); // nothing for a file that was not installed
    CHECK_EQ(run.ProgramToStart, std::string());
    CHECK(!Exists(p.desktop + "Busy.lnk")); // desktop shortcuts off
    // No temporary file is left beside it.
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA((run.TargetFolder + "~lumeno*").c_str(), &data);
    CHECK(find == INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

void CopyOntoItselfKeepsTheFile() {
    Prepared p = Prepare("self", "NEIN!", {{"same.txt", "NEIN!"}}, {{"same.txt", "precious"}});
    p.run.TargetFolder = p.run.SourceFolder;
    p.run.Silent = true;
    CHECK(!InstallFiles(p.run));
    CHECK_EQ(ReadFile(p.run.SourceFolder + "same.txt"), std::string("precious"));
    CHECK_EQ(p.run.Failures.size(), std::size_t(1));
    CHECK(g_messages.empty()); // silent: no box, the failure is in the result
}

void CommandLineSwitchesOffShortcuts() {
    Prepared p =
        Prepare("nostart", "Lumeno Test NoStart", {{"app.exe", "App"}}, {{"app.exe", "MZ"}});
    const CommandLineOptions cmd = ParseCommandLine({"-silent", "-nodesktop", "x", "-nostartmenu"});
    p.run.Silent = cmd.Silent;
    p.run.Options.CreateDesktopIcon = cmd.CreateDesktopIcon;
    p.run.Options.NoStartMenu = cmd.NoStartMenu;
    InstallFiles(p.run);
    FinishInstallation(p.run);
    CHECK_EQ(ReadFile(p.run.TargetFolder + "app.exe"), std::string("MZ"));
    CHECK(!Exists(p.startMenu)); // no start-menu folder at all
    CHECK(!Exists(p.desktop + "App.lnk"));
    CHECK_EQ(p.run.ProgramToStart, p.run.TargetFolder + "app.exe");
    CHECK(g_opens.empty()); // silent: nothing started
    CHECK(g_messages.empty());
}

void StartBoxClearedStartsNothing() {
    Prepared p =
        Prepare("nostartbox", "NEIN!", {{"app.exe", "App NoStartBox"}}, {{"app.exe", "MZ"}});
    p.run.Silent = false;
    p.run.Options.StartAfterInstall = false;
    p.run.Options.CreateDesktopIcon = false;
    InstallFiles(p.run);
    FinishInstallation(p.run);
    CHECK_EQ(p.run.ProgramToStart, p.run.TargetFolder + "app.exe");
    CHECK(g_opens.empty()); // no program start, and an empty e-mail text sends nothing
    CHECK_EQ(g_messages.size(), std::size_t(1));
    if (!g_messages.empty()) CHECK_EQ(g_messages[0].text, FinalText(false, false));
}

void StartMenuGroupNeinMakesNoStartMenuShortcut() {
    Prepared p = Prepare("nogroup", "NEIN!", {{"app.exe", "App NoGroup"}}, {{"app.exe", "MZ"}});
    p.run.Silent = true;
    InstallFiles(p.run);
    CHECK(!Exists(p.startMenu + "App NoGroup.lnk"));
    CHECK_LINK(p.desktop + "App NoGroup.lnk", p.run.TargetFolder + "app.exe", p.run.TargetFolder);
    DeleteFileA((p.desktop + "App NoGroup.lnk").c_str());
}

void DesktopIconForAllKeepsTheUsersStartMenu() {
    Prepared p =
        Prepare("forall", "Lumeno Test ForAll", {{"app.exe", "App ForAll"}}, {{"app.exe", "MZ"}});
    const std::string common = DesktopFolder(true);
    CHECK(!common.empty());
    CHECK(_stricmp(common.c_str(), p.desktop.c_str()) != 0);
    p.run.Silent = true;
    p.run.Options.DesktopIconForAll = true;
    InstallFiles(p.run);
    const std::string& t = p.run.TargetFolder;
    CHECK_LINK(common + "App ForAll.lnk", t + "app.exe", t);
    CHECK(!Exists(p.desktop + "App ForAll.lnk"));
    CHECK_LINK(p.startMenu + "App ForAll.lnk", t + "app.exe", t);
    DeleteFileA((common + "App ForAll.lnk").c_str());
}

void UnknownStartMenuMakesNoShortcutElsewhere() {
    Hooks().openKey = RefuseShellFolders;
    Prepared p = Prepare("noshell", "Lumeno Test NoShell", {{"app.exe", "App NoShell"}},
                         {{"app.exe", "MZ"}});
    CHECK_EQ(p.startMenu, std::string());
    p.run.Silent = true;
    p.run.Options.CreateDesktopIcon = false;
    InstallFiles(p.run);
    CHECK(!Exists("\\Lumeno Test NoShell"));
    CHECK(!Exists("App NoShell.lnk"));
    CHECK_EQ(ReadFile(p.run.TargetFolder + "app.exe"), std::string("MZ"));
}

void EmptyProgramFilesDirFallsBack() {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);
    Hooks().openKey = EmptyProgramFilesDir;
    InstallMode mode = InstallMode::PerUser;
    const std::string base = GetBaseFolder(mode);
    char programFiles[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH);
    CHECK(mode == InstallMode::MachineWide);
    CHECK_EQ(base, WithBackslash(programFiles));
    CHECK(base.size() > 3);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
}

void ForceFolderCreatesEveryLevel() {
    const std::string root = TempRoot() + "force\\";
    CHECK(ForceFolder(root + "A\\B\\C\\"));
    CHECK(Exists(root + "A\\B\\C"));
    CHECK(ForceFolder("C:\\"));
    CHECK(ForceFolder(root + "A\\B\\C")); // existing
    CHECK(!ForceFolder(""));
}

void DefectiveScriptsAreRefused() {
    InstallRun run;
    const std::string empty = NewFolder("noscript");
    CHECK(!ReadInstallScriptFrom(empty, run).ok);
    const std::string folder = NewFolder("defective");
    WriteFile(folder + "Install.log", Script("X", "G", {{"..\\evil.exe", "NEIN!"}}));
    const ScriptResult r = ReadInstallScriptFrom(folder, run);
    CHECK(!r.ok);
    CHECK(r.code == ScriptDefect::UnsafeFileName);
    std::string cut = Script("X", "G", {{"a.txt", "NEIN!"}});
    cut.resize(cut.size() - 2); // ends right after the last entry's line break
    WriteFile(folder + "Install.log", cut);
    CHECK(!ReadInstallScriptFrom(folder, run).ok);
}

// A folder of the file's name is no existing file: the copy is tried and reported.
void NeinIfNotExistCountsOnlyAFile() {
    Prepared p = Prepare("notexist", "NEIN!", {{"cfg.ini", "NEINIFNOTEXIST!"}}, {{"cfg.ini", "x"}});
    p.run.Silent = true;
    CreateDirectoryA(p.run.TargetFolder.c_str(), nullptr);
    CreateDirectoryA((p.run.TargetFolder + "cfg.ini").c_str(), nullptr);
    CHECK(!InstallFiles(p.run));
    CHECK_EQ(g_statuses.size(), std::size_t(1));
    CHECK_EQ(p.run.Failures.size(), std::size_t(1));
}

void WriteKey(HKEY root, const std::string& subKey,
              const std::vector<std::pair<const char*, std::string>>& values) {
    HKEY k;
    if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [name, value] : values)
        WriteStringValue(k, name, value);
    RegCloseKey(k);
}

// The uninstaller replaces in the Windows folder only the file that this product's own
// Uninstall key registers; another product's key, a foreign file or a foreign key of this
// name refuse the run before anything is written; a failed copy registers nothing.
void UninstallerReplacesOnlyItsOwnRegisteredFile() {
    Prepared p = Prepare("wininst", "NEIN!", {{"a.txt", "NEIN!"}, {"remove.exe", "DEINST!"}},
                         {{"a.txt", "a"}, {"remove.exe", "MZ new"}});
    InstallRun& run = p.run;
    CHECK(p.result.ok);
    run.Silent = true;
    const std::string key = kUninstall + run.Script.FolderName;
    const std::string other = kUninstall + "Lumeno Test Other Product";
    WriteFile(run.WindowsFolder + "remove.exe", "MZ old");
    // Nobody's uninstaller yet; then another product's key registering that file.
    for (int round = 0; round < 2; ++round) {
        if (round == 1)
            WriteKey(
                HKEY_LOCAL_MACHINE, other,
                {{"DisplayName", "Other"},
                 {"UninstallString", UninstallString(run.WindowsFolder, "remove.exe", "x\\")}});
        CHECK(!InstallFiles(run));
        CHECK(run.Refused == Refusal::Uninstaller);
        CHECK_EQ(ReadFile(run.WindowsFolder + "remove.exe"), std::string("MZ old"));
        CHECK(!KeyExists(HKEY_LOCAL_MACHINE, key));
        CHECK(!Exists(run.TargetFolder)); // nothing at all was written
        CHECK(g_statuses.empty());
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, other.c_str());

    // A key of this product's name that another program wrote.
    WriteKey(HKEY_LOCAL_MACHINE, key, {{"DisplayName", "Other Program 2.0"}});
    CHECK(!InstallFiles(run));
    CHECK(run.Refused == Refusal::UninstallKey);
    CHECK_EQ(RegValue(HKEY_LOCAL_MACHINE, key, "DisplayName"), std::string("Other Program 2.0"));

    // This product's own registration: replaced.
    WriteKey(HKEY_LOCAL_MACHINE, key,
             {{"DisplayName", run.Script.FolderName},
              {"UninstallString", UninstallString(run.WindowsFolder, "REMOVE.EXE", "x\\")}});
    CHECK(InstallFiles(run));
    CHECK_EQ(ReadFile(run.WindowsFolder + "remove.exe"), std::string("MZ new"));
    CHECK_EQ(RegValue(HKEY_LOCAL_MACHINE, key, "UninstallString"),
             UninstallString(run.WindowsFolder, "remove.exe", run.TargetFolder));
    CleanUp(p);

    // A copy that fails registers nothing.
    DeleteFileA((run.WindowsFolder + "remove.exe").c_str());
    DeleteFileA((run.SourceFolder + "remove.exe").c_str());
    CHECK(!InstallFiles(run));
    CHECK(run.Refused == Refusal::None);
    CHECK(!KeyExists(HKEY_LOCAL_MACHINE, key));
    CHECK_EQ(run.Failures.size(), std::size_t(1));
}

// A silent run with files missing from the package: no box, a result that says so, and no
// shortcut, Run value, uninstall entry or open for the files that are not there.
void FailedCopiesGetNothing() {
    Prepared p = Prepare("missing", "Lumeno Test Missing",
                         {{"here.exe", "Here Missing"},
                          {"gone.exe", "Gone Missing"},
                          {"gone-tray.exe", "AUTOSTART!"},
                          {"gone-open.txt", "EXEC!"},
                          {"gone-remove.exe", "DEINST!"}},
                         {{"here.exe", "MZ"}});
    InstallRun& run = p.run;
    run.Silent = true;
    CHECK(!InstallFiles(run));
    CHECK(g_messages.empty());
    CHECK(g_opens.empty());
    CHECK_EQ(run.Failures.size(), std::size_t(4));
    if (!run.Failures.empty())
        CHECK_EQ(run.Failures[0],
                 run.TargetFolder + "gone.exe: " + CopyFailureReason(CopyFailure::MissingSource));
    CHECK_LINK(p.startMenu + "Here Missing.lnk", run.TargetFolder + "here.exe", run.TargetFolder);
    CHECK(!Exists(p.startMenu + "Gone Missing.lnk"));
    CHECK(!Exists(p.desktop + "Gone Missing.lnk"));
    CHECK_EQ(run.ProgramToStart, run.TargetFolder + "here.exe");
    bool found = true;
    RegValue(HKEY_CURRENT_USER, kRun, "gone-tray.exe", &found);
    CHECK(!found);
    CHECK(!KeyExists(HKEY_LOCAL_MACHINE, kUninstall + run.Script.FolderName));
    DeleteFileA((p.desktop + "Here Missing.lnk").c_str());
}

// Another program's Run value, shortcut or Uninstall key (also one above a nested folder)
// refuses the run before anything is written; this product's own ones from an earlier
// installation do not.
void ForeignEntriesRefuseTheRun() {
    Prepared p = Prepare("foreign", "Lumeno Test Foreign",
                         {{"app.exe", "App Foreign"}, {"tray.exe", "AUTOSTART!"}},
                         {{"app.exe", "MZ"}, {"tray.exe", "MZ"}});
    InstallRun& run = p.run;
    run.Silent = true;
    HKEY k;
    RegCreateKeyExA(HKEY_CURRENT_USER, kRun.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                    nullptr);
    WriteStringValue(k, "tray.exe", "C:\\OtherApp\\tray.exe");
    RegCloseKey(k);
    CHECK(!InstallFiles(run));
    CHECK(run.Refused == Refusal::RunValue);
    CHECK_EQ(RegValue(HKEY_CURRENT_USER, kRun, "tray.exe"), std::string("C:\\OtherApp\\tray.exe"));
    CHECK(!Exists(run.TargetFolder));

    // An unquoted value of an earlier installation of this product is its own.
    WriteKey(HKEY_CURRENT_USER, kRun, {{"tray.exe", run.TargetFolder + "tray.exe"}});
    CreateDirectoryA(p.startMenu.c_str(), nullptr);
    run.Options.CreateDesktopIcon = false;
    MakeShortcut(p.startMenu + "App Foreign.lnk", "C:\\OtherApp\\app.exe", "C:\\OtherApp\\");
    CHECK(!InstallFiles(run));
    CHECK(run.Refused == Refusal::Shortcut);
    CHECK_LINK(p.startMenu + "App Foreign.lnk", "C:\\OtherApp\\app.exe", "C:\\OtherApp\\");
    CHECK(!Exists(run.TargetFolder));

    MakeShortcut(p.startMenu + "App Foreign.lnk", run.TargetFolder + "app.exe", run.TargetFolder);
    CHECK(InstallFiles(run));
    CHECK_EQ(RegValue(HKEY_CURRENT_USER, kRun, "tray.exe"), "\"" + run.TargetFolder + "tray.exe\"");
    CleanUp(p);
    DeleteFileA((p.startMenu + "App Foreign.lnk").c_str());

    // A nested folder whose upper key is another product's.
    const std::string otherKey = kUninstall + "Lumeno Test OtherApp";
    WriteKey(HKEY_LOCAL_MACHINE, otherKey, {{"DisplayName", "Other App"}});
    InstallRun nested = run;
    nested.Script.FolderName = "Lumeno Test OtherApp\\Nested";
    nested.Script.DefaultTarget = "C:\\Lumeno Test OtherApp\\Nested";
    nested.Script.Entries = {{"remove.exe", "DEINST!"}};
    nested.Mode = InstallMode::MachineWide;
    CHECK(!InstallFiles(nested));
    CHECK(nested.Refused == Refusal::UninstallKey);
    CHECK(!KeyExists(HKEY_LOCAL_MACHINE, otherKey + "\\Nested"));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherKey.c_str());
}

// Entries whose names fail the checks (a script not from the reader): nothing is copied,
// linked, opened or registered for them.
void UnsafeEntriesAreSkippedInEveryPass() {
    Prepared p =
        Prepare("guard", "Lumeno Test Guard", {{"ok.exe", "Ok Guard"}}, {{"ok.exe", "MZ"}});
    InstallRun& run = p.run;
    run.Silent = true;
    run.Options.CreateDesktopIcon = false;
    const std::string up = run.TargetFolder + "..\\";
    run.Script.Entries.push_back({"..\\guard-up.exe", "AUTOSTART!"});
    run.Script.Entries.push_back({"ok.exe", "..\\guard-up"});
    run.Script.Entries.push_back({std::string("ok.exe\0x", 8), "EXEC!"});
    run.Script.Entries.push_back({"sub\\guard-rm.exe", "DEINST!"});
    InstallFiles(run);
    CHECK_EQ(g_statuses.size(), std::size_t(1)); // ok.exe only
    CHECK(!Exists(up + "guard-up.exe"));
    CHECK(!Exists(p.startMenu + "..\\guard-up.lnk"));
    CHECK_LINK(p.startMenu + "Ok Guard.lnk", run.TargetFolder + "ok.exe", run.TargetFolder);
    bool found = true;
    RegValue(HKEY_CURRENT_USER, kRun, "..\\guard-up.exe", &found);
    CHECK(!found);
    CHECK(!KeyExists(HKEY_LOCAL_MACHINE, kUninstall + run.Script.FolderName));
    CHECK(g_opens.empty());
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(folder + name + "\\");
        else
            DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
    RemoveDirectoryA(folder.c_str());
}

} // namespace

int main() {
    if (FAILED(CoInitialize(nullptr))) {
        std::printf("CoInitialize failed\n");
        return 1;
    }
    const std::vector<std::pair<const char*, void (*)()>> cases = {
        {"MachineWideInstallation", MachineWideInstallation},
        {"PerUserInstallation", PerUserInstallation},
        {"LockedFileIsReportedOnce", LockedFileIsReportedOnce},
        {"CopyOntoItselfKeepsTheFile", CopyOntoItselfKeepsTheFile},
        {"CommandLineSwitchesOffShortcuts", CommandLineSwitchesOffShortcuts},
        {"StartBoxClearedStartsNothing", StartBoxClearedStartsNothing},
        {"StartMenuGroupNeinMakesNoStartMenuShortcut", StartMenuGroupNeinMakesNoStartMenuShortcut},
        {"DesktopIconForAllKeepsTheUsersStartMenu", DesktopIconForAllKeepsTheUsersStartMenu},
        {"UnknownStartMenuMakesNoShortcutElsewhere", UnknownStartMenuMakesNoShortcutElsewhere},
        {"EmptyProgramFilesDirFallsBack", EmptyProgramFilesDirFallsBack},
        {"ForceFolderCreatesEveryLevel", ForceFolderCreatesEveryLevel},
        {"DefectiveScriptsAreRefused", DefectiveScriptsAreRefused},
        {"NeinIfNotExistCountsOnlyAFile", NeinIfNotExistCountsOnlyAFile},
        {"UninstallerReplacesOnlyItsOwnRegisteredFile",
         UninstallerReplacesOnlyItsOwnRegisteredFile},
        {"FailedCopiesGetNothing", FailedCopiesGetNothing},
        {"ForeignEntriesRefuseTheRun", ForeignEntriesRefuseTheRun},
        {"UnsafeEntriesAreSkippedInEveryPass", UnsafeEntriesAreSkippedInEveryPass},
    };
    for (const auto& [name, run] : cases) {
        g_caseFailed = false;
        ResetRecords();
        run();
        std::printf("%s %s\n", g_caseFailed ? "FAIL" : "ok  ", name);
        (g_caseFailed ? g_failed : g_passed)++;
    }
    RemoveTree(TempRoot());
    CoUninitialize();
    std::printf("wine: %d passed, %d failed\n", g_passed, g_failed);
    std::fflush(stdout);
    return g_failed == 0 ? 0 : 1;
}
