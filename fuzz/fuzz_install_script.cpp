// The install script reader over arbitrary bytes: no crash, and a script it accepts keeps
// the limits the installer relies on.
#include "install_script.h"
#include "install_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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
        for (const ScriptEntry& e : script.Entries) {
            if (e.FileName.size() > kMaxEntryText || e.Marker.size() > kMaxEntryText) std::abort();
            if (!IsContainedFileName(e.FileName)) std::abort();
        }
    }
    const std::string encoded = PercentEncodeEmail(bytes.substr(0, 256));
    if (encoded.size() < bytes.substr(0, 256).size()) std::abort();
    return 0;
}
