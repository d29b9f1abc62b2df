// The conversion of decoded rows to sRGB alone, per pixel, for the profiles photos carry: a
// band of 16 rows of 4000 noisy pixels, in place.
#include "colour.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using pictavo_internal::BuildRgbProfile;
using pictavo_internal::ColourInput;
using pictavo_internal::ColourTransform;
using pictavo_internal::ToneCurve;

int SampleToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void* toLab) {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(toLab), in, out, 1);
    return 1;
}

// Adobe RGB as a table of 17 steps per channel to Lab, as some vendors' profiles are.
std::vector<uint8_t> TableProfile() {
    const std::vector<uint8_t> adobe = pictavo_internal::AdobeRgbProfile();
    cmsHPROFILE rgb =
        cmsOpenProfileFromMem(adobe.data(), static_cast<cmsUInt32Number>(adobe.size()));
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab =
        cmsCreateTransform(rgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigInputClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 3, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    cmsStageSampleCLut16bit(table, SampleToLab, toLab, 0);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipelineInsertStage(lut, cmsAT_END, table);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsWriteTag(profile, cmsSigAToB0Tag, lut);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsPipelineFree(lut);
    cmsCloseProfile(profile);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(rgb);
    return bytes;
}

std::vector<uint8_t> Profile(int kind) {
    static const double prophoto[8] = {0.3457, 0.3585, 0.7347, 0.2653,
                                       0.1596, 0.8404, 0.0366, 0.0001};
    static const double p3[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    switch (kind) {
    case 0:
        return pictavo_internal::AdobeRgbProfile();
    case 1:
        return BuildRgbProfile(prophoto, ToneCurve::kGamma, 1.8);
    case 2:
        return BuildRgbProfile(p3, ToneCurve::kSrgb);
    default:
        return TableProfile();
    }
}

void BM_ConvertBand(benchmark::State& state) {
    const std::vector<uint8_t> profile = Profile(static_cast<int>(state.range(0)));
    const ColourTransform transform(profile.data(), profile.size(), ColourInput::kBgr);
    if (!transform.converts()) {
        state.SkipWithError("no conversion");
        return;
    }
    constexpr int kWidth = 4000, kRows = 16;
    std::vector<uint8_t> source(static_cast<size_t>(kWidth) * 3 * kRows), band;
    std::mt19937 random(7);
    for (uint8_t& v : source)
        v = static_cast<uint8_t>(random());
    for (auto _ : state) {
        state.PauseTiming();
        band = source;
        state.ResumeTiming();
        for (int y = 0; y < kRows; ++y) {
            uint8_t* row = band.data() + static_cast<size_t>(y) * kWidth * 3;
            transform.Row(row, row, kWidth);
        }
        benchmark::DoNotOptimize(band.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kRows);
}
BENCHMARK(BM_ConvertBand)->ArgName("adobe_prophoto_p3_table")->DenseRange(0, 3);

// The same from raw YCbCr samples with 4:2:0 chroma (16 luma rows, 8 chroma rows), where the
// processor has the vector code for it; per pixel.
void BM_ConvertYccBand(benchmark::State& state) {
    const std::vector<uint8_t> profile = Profile(static_cast<int>(state.range(0)));
    const ColourTransform transform(profile.data(), profile.size(), ColourInput::kBgr);
    if (!transform.convertsYcc()) {
        state.SkipWithError("no conversion from YCbCr here");
        return;
    }
    constexpr int kWidth = 4032, kRows = 16;
    std::vector<uint8_t> luma(static_cast<size_t>(kWidth) * kRows), cb(luma.size() / 4),
        cr(luma.size() / 4);
    std::mt19937 random(7);
    for (auto* plane : {&luma, &cb, &cr})
        for (uint8_t& v : *plane)
            v = static_cast<uint8_t>(random());
    for (auto _ : state) {
        for (int pair = 0; pair < kRows / 2; ++pair) {
            uint8_t* y = luma.data() + static_cast<size_t>(2 * pair) * kWidth;
            uint8_t* b = cb.data() + static_cast<size_t>(pair) * kWidth / 2;
            uint8_t* r = cr.data() + static_cast<size_t>(pair) * kWidth / 2;
            transform.ConvertYcc({{y, y + kWidth}, {b, b}, {r, r}, b, r}, kWidth / 2);
        }
        benchmark::DoNotOptimize(luma.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kRows);
}
BENCHMARK(BM_ConvertYccBand)->ArgName("adobe_prophoto_p3_table")->DenseRange(0, 3);

} // namespace

BENCHMARK_MAIN();
