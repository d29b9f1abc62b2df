// Feeds arbitrary bytes to the WebP decoder (see decoder_fuzz.h).
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace std::string_view_literals;
    FuzzDecoder(data, size, {{0, "RIFF"sv}, {8, "WEBP"sv}}, "webp", true);
    return 0;
}
