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

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file, not a folder of that name.
bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Copy(const std::string& source, const std::string& destination) {
    File in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.ok()) return false;
    // The source stays open without write sharing, so a destination that is the source
    // itself cannot be opened for writing and is never emptied.
    File out(CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.ok()) return false;
    std::vector<char> block(kCopyBlock);
    bool ok = true;
    for (unsigned n = 0;; ++n) {
        DWORD read = 0, written = 0;
        if (!ReadFile(in.get(), block.data(), kCopyBlock, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0) break;
        if (!WriteFile(out.get(), block.data(), read, &written, nullptr) || written < read) {
            ok = false;
            break;
        }
        if (n % 512 == 511) PumpPaintMessages(); // about every megabyte
    }
    const bool outClosed = out.Close();
    const bool inClosed = in.Close();
    return ok && outClosed && inClosed;
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
    return ParseInstallScript(
        bytes, [&run] { return GetBaseFolder(run.Mode); }, run.Script);
}

bool ReadInstallScript(InstallRun& run) {
    run.SourceFolder = ProgramFolder();
    return ReadInstallScriptFrom(run.SourceFolder, run).ok;
}

void CopyInstallFile(InstallRun& run, const std::string& source, const std::string& destination) {
    SetStatus(run, CopyStatusText(source, destination));
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const bool ok = Copy(source, destination);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (!ok)
        Hooks().message(nullptr, CopyFailureText(source, destination), "",
                        MB_OK | MB_TASKMODAL | MB_ICONINFORMATION);
}

void InstallFiles(InstallRun& run) {
    const InstallScript& script = run.Script;
    run.ProgramToStart.clear();
    ForceFolder(run.TargetFolder.empty() ? run.TargetFolder
                                         : run.TargetFolder.substr(0, run.TargetFolder.size() - 1));
    if (run.Progress) {
        ShowWindow(run.Progress, SW_SHOW);
        UpdateWindow(run.Progress);
    }

    // Every pass skips an entry whose names fail the script's checks (the script reader
    // refuses such a script, so this only guards a script built otherwise): nothing is
    // copied, linked or registered for it.
    // Copy pass.
    for (const ScriptEntry& e : script.Entries) {
        if (!IsSafeEntry(e)) continue;
        if (IsMarker(e, kMarkerDeinst) && run.Mode == InstallMode::MachineWide) {
            // Nothing of the Windows folder is replaced except an uninstaller this installer
            // registered there; another file of that name stays and is not registered.
            const std::string destination = run.WindowsFolder + e.FileName;
            if (Exists(destination) && !IsRegisteredUninstaller(run.WindowsFolder, e.FileName))
                continue;
            CopyInstallFile(run, run.SourceFolder + e.FileName, destination);
            RegisterUninstaller(script.FolderName, run.WindowsFolder, e.FileName, run.TargetFolder);
            continue;
        }
        const std::string destination = run.TargetFolder + e.FileName;
        if (e.FileName.find('\\') != std::string::npos)
            CreateDirectoryA(FolderPart(destination).c_str(), nullptr); // innermost level only
        if (IsMarker(e, kMarkerNeinIfNotExist) && FileExists(destination)) continue;
        CopyInstallFile(run, run.SourceFolder + e.FileName, destination);
    }

    // Shortcut pass.
    const std::string startMenu = StartMenuFolder(script.StartMenuGroup);
    const std::string desktop = DesktopFolder(run.Options.DesktopIconForAll);
    const bool startMenuOn = !run.Options.NoStartMenu && script.StartMenuGroup != kMarkerNein &&
                             IsSafeStartMenuGroup(script.StartMenuGroup) && !startMenu.empty();
    if (startMenuOn) CreateDirectoryA(startMenu.c_str(), nullptr);
    for (const ScriptEntry& e : script.Entries) {
        if (!IsSafeEntry(e)) continue;
        std::string startMenuLink, desktopLink, target;
        if (!IsKeywordMarker(e.Marker)) {
            target = run.TargetFolder + e.FileName;
            startMenuLink = startMenu + e.Marker + ".lnk";
            if (HasExeExtension(e.FileName)) desktopLink = desktop + e.Marker + ".lnk";
        } else if (IsMarker(e, kMarkerAutostart)) {
            AddAutostartValue(e.FileName, run.TargetFolder + e.FileName);
        } else if (IsMarker(e, kMarkerDeinst) && run.Mode == InstallMode::PerUser) {
            target = run.TargetFolder + e.FileName;
            startMenuLink = startMenu + "Uninstall.lnk";
        }
        if (!startMenuLink.empty() && startMenuOn)
            MakeShortcut(startMenuLink, target, run.TargetFolder);
        if (!desktopLink.empty()) {
            run.ProgramToStart = target;
            if (run.Options.CreateDesktopIcon && !desktop.empty())
                MakeShortcut(desktopLink, target, run.TargetFolder);
        }
    }

    // Open pass.
    for (const ScriptEntry& e : script.Entries)
        if (IsMarker(e, kMarkerExec) && IsSafeEntry(e))
            Hooks().shellOpen(run.Progress, run.TargetFolder + e.FileName, "");

    if (!run.Silent)
        Hooks().message(run.Progress,
                        FinalText(run.Options.CreateDesktopIcon, run.Options.StartAfterInstall),
                        "Installation beendet", MB_OK | MB_TASKMODAL | MB_ICONINFORMATION);
}

void FinishInstallation(const InstallRun& run) {
    if (run.Silent) return;
    if (!run.ProgramToStart.empty() && run.Options.StartAfterInstall)
        Hooks().shellOpen(nullptr, run.ProgramToStart, FolderPart(run.ProgramToStart));
    if (!run.Email.empty()) Hooks().shellOpen(nullptr, NewsletterUrl(run.Email), "");
}

} // namespace installer
