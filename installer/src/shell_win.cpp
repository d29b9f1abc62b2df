#include "shell_win.h"

#include "install_text.h"

#include <objbase.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace installer {

namespace {

constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kVolatileKey[] = "Volatile Environment";
constexpr char kShellFoldersKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

LONG RealOpenKey(HKEY root, const char* subKey, bool create, HKEY* key) {
    if (create)
        return RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, key, nullptr);
    return RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, key);
}

int RealMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    const std::wstring wideText = AnsiToWide(text);
    const std::wstring wideCaption = AnsiToWide(caption);
    return MessageBoxW(owner, wideText.c_str(), caption.empty() ? nullptr : wideCaption.c_str(),
                       flags);
}

void RealShellOpen(HWND owner, const std::string& file, const std::string& folder) {
    ShellExecuteA(owner, "open", file.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(),
                  SW_SHOWNORMAL);
}

// Closes a registry key when it goes out of scope.
class Key {
  public:
    Key(HKEY root, const char* subKey, bool create) {
        if (Hooks().openKey(root, subKey, create, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string Environment(const char* name) {
    char buffer[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The path the system resolves an open handle to, in capitals, for comparisons.
std::string ResolvedPath(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::vector<char> buffer(1024);
    DWORD n = GetFinalPathNameByHandleA(h, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetFinalPathNameByHandleA(h, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    CloseHandle(h);
    if (n == 0 || n >= buffer.size()) return {};
    std::string resolved(buffer.data(), n);
    CharUpperBuffA(resolved.data(), static_cast<DWORD>(resolved.size()));
    return resolved;
}

std::string UpperCase(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

} // namespace

PlatformHooks DefaultHooks() {
    return {RealOpenKey, RealMessage, RealShellOpen, nullptr};
}

PlatformHooks& Hooks() {
    static PlatformHooks hooks = DefaultHooks();
    return hooks;
}

std::string ReadStringValue(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    data[size] = '\0';
    return std::string(data.data()); // up to the terminating zero byte
}

bool WriteStringValue(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::string GetBaseFolder(InstallMode& mode) {
    mode = InstallMode::MachineWide;
    if (Key key(HKEY_LOCAL_MACHINE, kCurrentVersionKey, false); key) {
        std::string base = ReadStringValue(key.get(), "ProgramFilesDir");
        // An empty value would put the files below the current folder.
        if (base.empty()) base = Environment("ProgramFiles");
        if (base.empty()) base = "c:\\programme\\";
        return WithBackslash(base);
    }
    if (Key key(HKEY_CURRENT_USER, kVolatileKey, false); key) {
        mode = InstallMode::PerUser;
        std::string base = ReadStringValue(key.get(), "APPDATA");
        if (base.empty()) base = Environment("APPDATA");
        if (base.empty()) base = "c:\\programme\\";
        return WithBackslash(base);
    }
    return "c:\\programme\\";
}

std::string StartMenuFolder(const std::string& startMenuGroup) {
    Key key(HKEY_CURRENT_USER, kShellFoldersKey, false);
    if (!key) return {};
    const std::string programs = ReadStringValue(key.get(), "Programs");
    if (programs.empty()) return {};
    return WithBackslash(programs) + startMenuGroup + "\\";
}

std::string DesktopFolder(bool desktopIconForAll) {
    IMalloc* malloc = nullptr;
    if (FAILED(SHGetMalloc(&malloc)) || !malloc) {
        Hooks().message(nullptr, "Couldn't get pointer to IMalloc interface.",
                        "SHGetMalloc(pMalloc)", MB_OK | MB_ICONERROR);
        return {};
    }
    std::string folder;
    LPITEMIDLIST items = nullptr;
    const int csidl = desktopIconForAll ? 0x0019 : 0x0010;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items) {
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(items, path)) folder = path;
        malloc->Free(items);
    }
    malloc->Release();
    return WithBackslash(folder);
}

bool ForceFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::string rest = folder;
    if (rest.back() == '\\') rest.pop_back();
    if (rest.size() < 3 || FolderExists(rest)) return true;
    const std::string parent = FolderPart(rest);
    if (parent == rest) return true;
    // Both steps are taken; the folder itself is tried even when a parent could not be made.
    const bool parentOk = ForceFolder(parent);
    const bool made = CreateDirectoryA(rest.c_str(), nullptr) != 0;
    return parentOk && made;
}

void MakeShortcut(const std::string& link, const std::string& target,
                  const std::string& workingFolder) {
    // A symbolic link in place of the shortcut file is removed, so the save cannot follow it.
    if (!ResolvesInside(FolderPart(link), link.substr(FolderPart(link).size())))
        DeleteFileA(link.c_str());
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return;
    shellLink->SetPath(target.c_str());
    shellLink->SetArguments("");
    shellLink->SetWorkingDirectory(workingFolder.c_str());
    shellLink->SetShowCmd(SW_SHOW);
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const int n = MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, nullptr, 0);
        std::wstring wide(n > 0 ? n : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide.data(), n);
        file->Save(wide.c_str(), TRUE);
        file->Release();
    }
    shellLink->Release();
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, link.c_str(), nullptr);
    const std::string folder = FolderPart(link);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA | SHCNF_FLUSH, folder.c_str(), nullptr);
}

bool AddAutostartValue(const std::string& name, const std::string& path) {
    Key key(HKEY_CURRENT_USER, kRunKey, true);
    return key && WriteStringValue(key.get(), name.c_str(), AutostartCommand(path));
}

bool RegisterUninstaller(const std::string& folderName, const std::string& windowsFolder,
                         const std::string& uninstaller, const std::string& targetFolder) {
    const std::string subKey = kUninstallKey + folderName;
    Key key(HKEY_LOCAL_MACHINE, subKey.c_str(), true);
    if (!key) return false;
    const bool name = WriteStringValue(key.get(), "DisplayName", folderName);
    return WriteStringValue(key.get(), "UninstallString",
                            UninstallString(windowsFolder, uninstaller, targetFolder)) &&
           name;
}

Owner UninstallKeyOwner(const std::string& folderName, const std::string& windowsFolder,
                        const std::string& uninstaller) {
    // A key above the product's own one that exists belongs to someone else.
    for (std::size_t slash = folderName.find('\\'); slash != std::string::npos;
         slash = folderName.find('\\', slash + 1))
        if (Key above(HKEY_LOCAL_MACHINE, (kUninstallKey + folderName.substr(0, slash)).c_str(),
                      false);
            above)
            return Owner::Foreign;
    Key key(HKEY_LOCAL_MACHINE, (kUninstallKey + folderName).c_str(), false);
    if (!key) return Owner::Absent;
    const std::string prefix = windowsFolder + uninstaller + " \"";
    const std::string command = ReadStringValue(key.get(), "UninstallString");
    const bool ours = ReadStringValue(key.get(), "DisplayName") == folderName &&
                      command.size() >= prefix.size() &&
                      _strnicmp(command.c_str(), prefix.c_str(), prefix.size()) == 0;
    return ours ? Owner::Ours : Owner::Foreign;
}

Owner RunValueOwner(const std::string& name, const std::string& path) {
    Key key(HKEY_CURRENT_USER, kRunKey, false);
    if (!key || RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_SUCCESS)
        return Owner::Absent;
    const std::string value = ReadStringValue(key.get(), name.c_str());
    return _stricmp(value.c_str(), path.c_str()) == 0 ||
                   _stricmp(value.c_str(), AutostartCommand(path).c_str()) == 0
               ? Owner::Ours
               : Owner::Foreign;
}

Owner ShortcutOwner(const std::string& link, const std::string& target) {
    if (GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) return Owner::Absent;
    if (IsReparsePoint(link) ||
        !ResolvesInside(FolderPart(link), link.substr(FolderPart(link).size())))
        return Owner::Foreign;
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return Owner::Foreign;
    Owner owner = Owner::Foreign;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const int n = MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, nullptr, 0);
        std::wstring wide(n > 0 ? n : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide.data(), n);
        char path[MAX_PATH * 2] = {};
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)) &&
            _stricmp(path, target.c_str()) == 0)
            owner = Owner::Ours;
        file->Release();
    }
    shellLink->Release();
    return owner;
}

bool IsReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool ResolvesInside(const std::string& folder, const std::string& relative) {
    const std::string path = WithBackslash(folder) + relative;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    std::string expected = ResolvedPath(folder);
    if (expected.empty()) return false;
    // The name as the system spells it: "\" for "/", no empty or "." components.
    std::string part;
    for (std::size_t i = 0; i <= relative.size(); ++i) {
        const char c = i < relative.size() ? relative[i] : '\\';
        if (c != '\\' && c != '/') {
            part += c;
            continue;
        }
        if (!part.empty() && part != ".") expected = WithBackslash(expected) + part;
        part.clear();
    }
    return ResolvedPath(path) == UpperCase(expected);
}

ProtectedFolders SystemFolders(const std::string& baseFolder) {
    ProtectedFolders folders;
    auto add = [](std::vector<std::string>& list, const std::string& folder) {
        if (!folder.empty()) list.push_back(folder);
    };
    char buffer[MAX_PATH + 1] = {};
    if (UINT n = GetWindowsDirectoryA(buffer, MAX_PATH); n > 0 && n < MAX_PATH)
        add(folders.Trees, std::string(buffer, n));
    if (UINT n = GetSystemDirectoryA(buffer, MAX_PATH); n > 0 && n < MAX_PATH)
        add(folders.Trees, std::string(buffer, n));
    for (const char* name : {"SystemRoot", "windir", "CommonProgramFiles",
                             "CommonProgramFiles(x86)", "CommonProgramW6432"})
        add(folders.Trees, Environment(name));
    for (const char* name :
         {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "ProgramData", "ALLUSERSPROFILE",
          "APPDATA", "LOCALAPPDATA", "USERPROFILE", "PUBLIC", "TEMP", "TMP"})
        add(folders.Exact, Environment(name));
    add(folders.Exact, baseFolder);
    // The users' folder above the profile.
    if (const std::string profile = Environment("USERPROFILE"); !profile.empty())
        add(folders.Exact, FolderPart(profile));
    // Every shell folder of the user and of all users; the start menus (with the autostart
    // folders in them) as a whole.
    const struct {
        HKEY root;
        const char* value;
        bool tree;
    } shellFolders[] = {
        {HKEY_CURRENT_USER, "Start Menu", true},
        {HKEY_CURRENT_USER, "Programs", true},
        {HKEY_CURRENT_USER, "Startup", true},
        {HKEY_CURRENT_USER, "Desktop", false},
        {HKEY_CURRENT_USER, "Personal", false},
        {HKEY_CURRENT_USER, "AppData", false},
        {HKEY_CURRENT_USER, "Local AppData", false},
        {HKEY_LOCAL_MACHINE, "Common Start Menu", true},
        {HKEY_LOCAL_MACHINE, "Common Programs", true},
        {HKEY_LOCAL_MACHINE, "Common Startup", true},
        {HKEY_LOCAL_MACHINE, "Common Desktop", false},
        {HKEY_LOCAL_MACHINE, "Common AppData", false},
    };
    for (const auto& f : shellFolders) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(f.root, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        add(f.tree ? folders.Trees : folders.Exact, ReadStringValue(key, f.value));
        RegCloseKey(key);
    }
    return folders;
}

} // namespace installer
