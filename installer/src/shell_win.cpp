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

// A value that cannot be written although its key opened: the user is told, the run goes on.
void WriteOrReport(HKEY key, const char* name, const std::string& value) {
    if (WriteStringValue(key, name, value)) return;
    Hooks().message(nullptr,
                    Utf8ToAnsi("Der Wert \"") + name +
                        Utf8ToAnsi("\" konnte nicht in die Registrierung geschrieben werden. Die "
                                   "Installation wird fortgesetzt."),
                    "", MB_OK | MB_TASKMODAL | MB_ICONWARNING);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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

void AddAutostartValue(const std::string& name, const std::string& path) {
    if (Key key(HKEY_CURRENT_USER, kRunKey, true); key)
        WriteOrReport(key.get(), name.c_str(), path);
}

bool IsRegisteredUninstaller(const std::string& windowsFolder, const std::string& uninstaller) {
    const std::string prefix = windowsFolder + uninstaller + " \"";
    std::string root = kUninstallKey;
    root.pop_back(); // without its final "\"
    Key key(HKEY_LOCAL_MACHINE, root.c_str(), false);
    if (!key) return false;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        const LONG r = RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_MORE_DATA) continue; // a name longer than 255 characters: not ours
        if (r != ERROR_SUCCESS) return false;
        Key product(key.get(), name, false);
        if (!product) continue;
        const std::string command = ReadStringValue(product.get(), "UninstallString");
        if (command.size() >= prefix.size() &&
            _strnicmp(command.c_str(), prefix.c_str(), prefix.size()) == 0)
            return true;
    }
}

void RegisterUninstaller(const std::string& folderName, const std::string& windowsFolder,
                         const std::string& uninstaller, const std::string& targetFolder) {
    const std::string subKey = kUninstallKey + folderName;
    Key key(HKEY_LOCAL_MACHINE, subKey.c_str(), true);
    if (!key) return;
    WriteOrReport(key.get(), "DisplayName", folderName);
    WriteOrReport(key.get(), "UninstallString",
                  UninstallString(windowsFolder, uninstaller, targetFolder));
}

} // namespace installer
