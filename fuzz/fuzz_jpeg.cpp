// Feeds arbitrary bytes to the JPEG decoder (see decoder_fuzz.h).
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace std::string_view_literals;
    FuzzDecoder(data, size, {{0, "\xFF\xD8\xFF"sv}}, "jpeg", true);
    return 0;
}
