// The install script reader over arbitrary bytes: no crash, and a script it accepts keeps
// the limits the installer relies on and never yields a name that leaves its folder.
#include "install_script.h"
#include "install_text.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// How Windows would read `name` appended to a folder, modelled on its own: true when the path
// ends up above that folder, names a drive, stream or device, or holds a byte that a Windows
// call would cut or refuse.
bool LeavesItsFolder(std::string_view name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\"*?<>|:").find(c) != std::string_view::npos)
            return true;
    if (!name.empty() && (name[0] == '\\' || name[0] == '/')) return true;
    int depth = 0;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("\\/", start), name.size());
        const std::string_view part = name.substr(start, end - start);
        start = end + 1;
        std::string_view kept = part; // Windows drops trailing dots and blanks
        while (!kept.empty() && (kept.back() == '.' || kept.back() == ' '))
            kept.remove_suffix(1);
        if (kept.empty()) {
            if (part.find("..") != std::string_view::npos || (part.find('.') != part.rfind('.')))
                --depth; // "..", ". .", "..." climb
        } else {
            ++depth;
            std::string base(kept.substr(0, kept.find('.')));
            while (!base.empty() && base.back() == ' ')
                base.pop_back();
            for (char& c : base)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
                if (base == device) return true;
            if (base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
                (std::isdigit(static_cast<unsigned char>(base[3])) ||
                 std::string_view("\xB9\xB2\xB3").find(base[3]) != std::string_view::npos))
                return true;
        }
        if (depth < 0) return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace installer;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    InstallScript script;
    int baseCalls = 0;
    const ScriptResult r = ParseInstallScript(
        bytes,
        [&] {
            ++baseCalls;
            return std::string("C:\\Program Files\\");
        },
        script);
    if (baseCalls > 1) std::abort();
    if (r.ok) {
        if (script.Entries.size() != script.Count || script.Count > kMaxEntries) std::abort();
        if (script.ProductName.size() > kMaxProductName) std::abort();
        if (script.DefaultTarget.size() > kMaxTargetPath) std::abort();
        if (!IsSafeText(script.ProductName) || !IsSafeText(script.Reserved)) std::abort();
        if (LeavesItsFolder(script.FolderName)) std::abort();
        if (script.StartMenuGroup != kMarkerNein && LeavesItsFolder(script.StartMenuGroup))
            std::abort();
        for (const ScriptEntry& e : script.Entries) {
            if (e.FileName.size() > kMaxEntryText || e.Marker.size() > kMaxEntryText) std::abort();
            if (!IsSafeEntry(e) || LeavesItsFolder(e.FileName)) std::abort();
            if (!IsKeywordMarker(e.Marker) && LeavesItsFolder(e.Marker + ".lnk")) std::abort();
            if (e.Marker == kMarkerDeinst &&
                (e.FileName.empty() || e.FileName.find_first_of("\\/") != std::string::npos))
                std::abort();
        }
    }
    const std::string encoded = PercentEncodeEmail(bytes.substr(0, 256));
    if (encoded.size() < bytes.substr(0, 256).size()) std::abort();
    return 0;
}
