#include "installation_win.h"

#include "install_text.h"

#include <vector>

namespace installer {

namespace {

constexpr DWORD kCopyBlock = 2048;
// An Install.log is a few kilobytes; anything this large is not one.
constexpr LONGLONG kMaxScriptBytes = 16 * 1024 * 1024;

// Closes a file handle when it goes out of scope; Close() reports the closing's result.
class File {
  public:
    explicit File(HANDLE h) : h_(h) {}
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close() {
        if (h_ == INVALID_HANDLE_VALUE) return true;
        const bool closed = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE h_;
};

// Lets the progress window paint between files and blocks, so the window never looks hung.
// Its buttons are disabled and its close box does nothing, so nothing can start twice.
void PumpPaintMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void SetStatus(const InstallRun& run, const std::string& text) {
    if (Hooks().status) Hooks().status(text);
    if (run.StatusText) {
        SetWindowTextW(run.StatusText, AnsiToWide(text).c_str());
        UpdateWindow(run.StatusText);
        PumpPaintMessages();
    }
}

// A file, not a folder of that name.
bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CopyFailure FailureOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return CopyFailure::MissingSource;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return CopyFailure::MissingFolder;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return CopyFailure::InUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return CopyFailure::AccessDenied;
    default:
        return CopyFailure::ReadWrite;
    }
}

// A destination that cannot be replaced: open (a running program, or the source itself)
// or not ours to write.
CopyFailure WhyNotReplaced(const std::string& destination, DWORD error) {
    if (error == ERROR_ACCESS_DENIED && FileExists(destination)) {
        File probe(CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe.ok() && GetLastError() == ERROR_SHARING_VIOLATION) return CopyFailure::InUse;
    }
    return FailureOf(error);
}

// A new file beside `destination` that nobody else can have prepared (no link there).
std::string NewFileBeside(const std::string& destination, HANDLE& handle) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = FolderPart(destination) + "~lumeno" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(attempt) + ".tmp";
        handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return name;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    handle = INVALID_HANDLE_VALUE;
    return {};
}

// Every folder from `top` (ending in "\") down to the destination's own is a real folder.
bool NoLinkOnTheWay(const std::string& top, const std::string& destination) {
    for (std::string folder = FolderPart(destination);
         folder.size() >= top.size() && folder.size() > 1;
         folder = FolderPart(folder.substr(0, folder.size() - 1)))
        if (IsReparsePoint(folder.substr(0, folder.size() - 1))) return false;
    return true;
}

CopyFailure Copy(const InstallRun& run, const std::string& source, const std::string& destination,
                 const std::string& relative) {
    const bool intoWindows = destination.rfind(run.WindowsFolder, 0) == 0 &&
                             destination.find('\\', run.WindowsFolder.size()) == std::string::npos;
    if (!NoLinkOnTheWay(intoWindows ? run.WindowsFolder : run.TargetFolder, destination))
        return CopyFailure::Link;
    File in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.ok()) {
        const DWORD error = GetLastError();
        return error == ERROR_PATH_NOT_FOUND ? CopyFailure::MissingSource : FailureOf(error);
    }
    if (!relative.empty() && !ResolvesInside(run.SourceFolder, relative)) return CopyFailure::Link;
    HANDLE handle = INVALID_HANDLE_VALUE;
    const std::string temporary = NewFileBeside(destination, handle);
    File out(handle);
    if (!out.ok()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? CopyFailure::MissingFolder : FailureOf(error);
    }
    std::vector<char> block(kCopyBlock);
    CopyFailure failure = CopyFailure::None;
    for (unsigned n = 0;; ++n) {
        DWORD read = 0, written = 0;
        if (!ReadFile(in.get(), block.data(), kCopyBlock, &read, nullptr)) {
            failure = CopyFailure::ReadWrite;
            break;
        }
        if (read == 0) break;
        if (!WriteFile(out.get(), block.data(), read, &written, nullptr) || written < read) {
            failure = CopyFailure::ReadWrite;
            break;
        }
        if (n % 512 == 511) PumpPaintMessages(); // about every megabyte
    }
    if (!out.Close() && failure == CopyFailure::None) failure = CopyFailure::ReadWrite;
    // The source stays open without write or delete sharing until the new file is in place,
    // so a destination that is the source itself cannot be replaced and is never lost.
    if (failure == CopyFailure::None &&
        !MoveFileExA(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING))
        failure = WhyNotReplaced(destination, GetLastError());
    if (!in.Close() && failure == CopyFailure::None) failure = CopyFailure::ReadWrite;
    if (failure != CopyFailure::None) DeleteFileA(temporary.c_str());
    return failure;
}

bool IsMarker(const ScriptEntry& e, const char* keyword) {
    return e.Marker == keyword;
}

} // namespace

std::string ProgramFolder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return FolderPart(std::string(path.data(), n));
        path.resize(path.size() * 2);
    }
}

std::string WindowsFolderPath() {
    char buffer[257] = {};
    const UINT n = GetWindowsDirectoryA(buffer, 256);
    return WithBackslash(n > 0 && n <= 256 ? std::string(buffer, n) : std::string());
}

ScriptResult ReadInstallScriptFrom(const std::string& sourceFolder, InstallRun& run) {
    const ScriptResult unreadable{false, ScriptDefect::Unreadable, 0};
    const std::string path = WithBackslash(sourceFolder) + "Install.log";
    File file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return unreadable;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxScriptBytes) return unreadable;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return unreadable;
    std::string base;
    const ScriptResult result = ParseInstallScript(
        bytes,
        [&run, &base] {
            base = GetBaseFolder(run.Mode);
            return base;
        },
        run.Script);
    // The default target is no folder of Windows, of the profile or of all programs.
    if (result.ok &&
        CheckTargetFolder(run.Script.DefaultTarget, SystemFolders(base)) != TargetCheck::Ok)
        return {false, ScriptDefect::UnsafeFolder, 4};
    return result;
}

bool ReadInstallScript(InstallRun& run) {
    run.SourceFolder = ProgramFolder();
    return ReadInstallScriptFrom(run.SourceFolder, run).ok;
}

bool CopyInstallFile(InstallRun& run, const std::string& source, const std::string& destination,
                     const std::string& relative) {
    SetStatus(run, CopyStatusText(source, destination));
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const CopyFailure failure = Copy(run, source, destination, relative);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (failure == CopyFailure::None) return true;
    run.Failures.push_back(destination + ": " + CopyFailureReason(failure));
    if (!run.Silent)
        Hooks().message(nullptr, CopyFailureText(source, destination, failure), "",
                        MB_OK | MB_TASKMODAL | MB_ICONINFORMATION);
    return false;
}

namespace {

// The shortcut files an entry gets and what they point to; empty texts for none.
struct EntryLinks {
    std::string startMenu, desktop, target;
};

EntryLinks LinksOf(const InstallRun& run, const ScriptEntry& e, const std::string& startMenu,
                   const std::string& desktop) {
    EntryLinks links;
    if (!IsKeywordMarker(e.Marker)) {
        links.target = run.TargetFolder + e.FileName;
        links.startMenu = startMenu + e.Marker + ".lnk";
        if (HasExeExtension(e.FileName)) links.desktop = desktop + e.Marker + ".lnk";
    } else if (IsMarker(e, kMarkerDeinst) && run.Mode == InstallMode::PerUser) {
        links.target = run.TargetFolder + e.FileName;
        links.startMenu = startMenu + "Uninstall.lnk";
    }
    return links;
}

bool StartMenuOn(const InstallRun& run, const std::string& startMenu) {
    return !run.Options.NoStartMenu && run.Script.StartMenuGroup != kMarkerNein &&
           IsSafeStartMenuGroup(run.Script.StartMenuGroup) && !startMenu.empty();
}

std::string WithoutBackslash(const std::string& folder) {
    return folder.size() > 3 && folder.back() == '\\' ? folder.substr(0, folder.size() - 1)
                                                      : folder;
}

} // namespace

Refusal CheckBeforeInstalling(const InstallRun& run, std::string& what) {
    const InstallScript& script = run.Script;
    const std::string base =
        script.DefaultTarget.substr(0, script.DefaultTarget.size() - script.FolderName.size());
    what = WithoutBackslash(run.TargetFolder);
    if (CheckTargetFolder(run.TargetFolder, SystemFolders(base)) != TargetCheck::Ok)
        return Refusal::Target;
    if (IsReparsePoint(what)) return Refusal::Link;

    for (const ScriptEntry& e : script.Entries) {
        if (!IsSafeEntry(e)) continue;
        if (IsMarker(e, kMarkerDeinst) && run.Mode == InstallMode::MachineWide) {
            const Owner key = UninstallKeyOwner(script.FolderName, run.WindowsFolder, e.FileName);
            what = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                   script.FolderName;
            if (key == Owner::Foreign) return Refusal::UninstallKey;
            // The Windows folder's file is replaced only when this product's key registers it.
            what = run.WindowsFolder + e.FileName;
            if (GetFileAttributesA(what.c_str()) != INVALID_FILE_ATTRIBUTES &&
                (key != Owner::Ours || IsReparsePoint(what) ||
                 !ResolvesInside(run.WindowsFolder, e.FileName)))
                return Refusal::Uninstaller;
        }
        if (IsMarker(e, kMarkerAutostart) &&
            RunValueOwner(e.FileName, run.TargetFolder + e.FileName) == Owner::Foreign) {
            what = e.FileName;
            return Refusal::RunValue;
        }
    }

    const std::string startMenu = StartMenuFolder(script.StartMenuGroup);
    const std::string desktop = DesktopFolder(run.Options.DesktopIconForAll);
    const bool startMenuOn = StartMenuOn(run, startMenu);
    if (startMenuOn && IsReparsePoint(WithoutBackslash(startMenu))) {
        what = WithoutBackslash(startMenu);
        return Refusal::Link;
    }
    for (const ScriptEntry& e : script.Entries) {
        if (!IsSafeEntry(e)) continue;
        const EntryLinks links = LinksOf(run, e, startMenu, desktop);
        if (startMenuOn && !links.startMenu.empty() &&
            ShortcutOwner(links.startMenu, links.target) == Owner::Foreign)
            what = links.startMenu;
        else if (run.Options.CreateDesktopIcon && !desktop.empty() && !links.desktop.empty() &&
                 ShortcutOwner(links.desktop, links.target) == Owner::Foreign)
            what = links.desktop;
        else
            continue;
        return Refusal::Shortcut;
    }
    what.clear();
    return Refusal::None;
}

bool InstallFiles(InstallRun& run) {
    const InstallScript& script = run.Script;
    run.ProgramToStart.clear();
    run.Failures.clear();
    run.Refused = CheckBeforeInstalling(run, run.RefusedWhat);
    if (run.Refused != Refusal::None) {
        if (!run.Silent)
            Hooks().message(run.Progress, RefusalText(run.Refused, run.RefusedWhat),
                            RefusalCaption(), MB_OK | MB_TASKMODAL | MB_ICONWARNING);
        return false;
    }
    ForceFolder(run.TargetFolder.empty() ? run.TargetFolder
                                         : run.TargetFolder.substr(0, run.TargetFolder.size() - 1));
    if (run.Progress) {
        ShowWindow(run.Progress, SW_SHOW);
        UpdateWindow(run.Progress);
    }

    // Every pass skips an entry whose names fail the script's checks (the script reader
    // refuses such a script, so this only guards a script built otherwise), and every pass
    // after the copy skips an entry whose copy failed: nothing is linked, registered or
    // opened for a file that is not there.
    std::vector<bool> installed(script.Entries.size(), false);
    // Copy pass.
    for (std::size_t i = 0; i < script.Entries.size(); ++i) {
        const ScriptEntry& e = script.Entries[i];
        if (!IsSafeEntry(e)) continue;
        if (IsMarker(e, kMarkerDeinst) && run.Mode == InstallMode::MachineWide) {
            if (!CopyInstallFile(run, run.SourceFolder + e.FileName, run.WindowsFolder + e.FileName,
                                 e.FileName))
                continue;
            installed[i] = RegisterUninstaller(script.FolderName, run.WindowsFolder, e.FileName,
                                               run.TargetFolder);
            if (!installed[i]) run.Failures.push_back(UninstallEntryFailure(script.FolderName));
            continue;
        }
        const std::string destination = run.TargetFolder + e.FileName;
        if (e.FileName.find('\\') != std::string::npos)
            CreateDirectoryA(FolderPart(destination).c_str(), nullptr); // innermost level only
        if (IsMarker(e, kMarkerNeinIfNotExist) && FileExists(destination)) {
            installed[i] = true;
            continue;
        }
        installed[i] = CopyInstallFile(run, run.SourceFolder + e.FileName, destination, e.FileName);
    }

    // Shortcut pass.
    const std::string startMenu = StartMenuFolder(script.StartMenuGroup);
    const std::string desktop = DesktopFolder(run.Options.DesktopIconForAll);
    const bool startMenuOn = StartMenuOn(run, startMenu);
    if (startMenuOn) CreateDirectoryA(startMenu.c_str(), nullptr);
    for (std::size_t i = 0; i < script.Entries.size(); ++i) {
        const ScriptEntry& e = script.Entries[i];
        if (!IsSafeEntry(e) || !installed[i]) continue;
        if (IsMarker(e, kMarkerAutostart) &&
            !AddAutostartValue(e.FileName, run.TargetFolder + e.FileName))
            run.Failures.push_back(AutostartFailure(e.FileName));
        const EntryLinks links = LinksOf(run, e, startMenu, desktop);
        if (!links.startMenu.empty() && startMenuOn)
            MakeShortcut(links.startMenu, links.target, run.TargetFolder);
        if (!links.desktop.empty()) {
            run.ProgramToStart = links.target;
            if (run.Options.CreateDesktopIcon && !desktop.empty())
                MakeShortcut(links.desktop, links.target, run.TargetFolder);
        }
    }

    // Open pass.
    for (std::size_t i = 0; i < script.Entries.size(); ++i) {
        const ScriptEntry& e = script.Entries[i];
        if (IsMarker(e, kMarkerExec) && IsSafeEntry(e) && installed[i])
            Hooks().shellOpen(run.Progress, run.TargetFolder + e.FileName, "");
    }

    if (!run.Silent) {
        if (run.Failures.empty())
            Hooks().message(run.Progress,
                            FinalText(run.Options.CreateDesktopIcon, run.Options.StartAfterInstall),
                            "Installation beendet", MB_OK | MB_TASKMODAL | MB_ICONINFORMATION);
        else
            Hooks().message(run.Progress, IncompleteText(run.Failures), IncompleteCaption(),
                            MB_OK | MB_TASKMODAL | MB_ICONWARNING);
    }
    return run.Failures.empty();
}

void FinishInstallation(const InstallRun& run) {
    if (run.Silent || run.Refused != Refusal::None) return;
    if (!run.ProgramToStart.empty() && run.Options.StartAfterInstall)
        Hooks().shellOpen(nullptr, run.ProgramToStart, FolderPart(run.ProgramToStart));
    if (!run.Email.empty()) Hooks().shellOpen(nullptr, NewsletterUrl(run.Email), "");
}

} // namespace installer
