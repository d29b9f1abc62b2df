// Feeds arbitrary bytes to the JPEG decoder (see decoder_fuzz.h), to the one-pass recode of the
// export, and to the marker reader and lossless turn that take JPEG data over as they are.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace std::string_view_literals;
    FuzzDecoder(data, size, {{0, "\xFF\xD8\xFF"sv}}, "jpeg", true);
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 3) bytes.resize(3);
    std::memcpy(bytes.data(), "\xFF\xD8\xFF", 3);
    // The recode reads and writes files.
    static const ScratchFile source("recode_in"), target("recode_out");
    if (source.Write(bytes)) {
        int w = 0, h = 0;
        RecodeJpegFile(source.Name(), target.Name(), &w, &h, nullptr);
    }
    TJpegFacts facts;
    if (InspectJpeg(bytes.data(), bytes.size(), &facts) == TJpegCheck::kShowable) {
        TJpegData turned;
        // Every orientation from 2 to 8 in turn over the inputs.
        TurnJpegUpright(bytes.data(), bytes.size(), 2 + static_cast<int>(size % 7), &turned);
        FreeJpegData(&turned);
    }
    return 0;
}
