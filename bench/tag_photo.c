/* tag_photo KIND IN.jpg OUT.jpg: the JPEG with an ICC profile (APP2 "ICC_PROFILE") inserted
 * after its start marker, pixels untouched. KIND: adobe, prophoto or p3 (matrix profiles made
 * with lcms2), or table (Adobe RGB as a table of 17 steps per channel, as some vendors' profiles
 * are). Used by export_bench.sh to time profiled photos against the same untagged. */
#include <lcms2.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Sample(const cmsUInt16Number in[], cmsUInt16Number out[], void* toLab) {
    cmsDoTransform((cmsHTRANSFORM)toLab, in, out, 1);
    return 1;
}

/* The colours of a profile as a table profile to Lab. */
static cmsHPROFILE AsTable(cmsHPROFILE rgb) {
    cmsHTRANSFORM toLab = cmsCreateTransform(rgb, TYPE_RGB_16, cmsCreateLab4Profile(NULL),
                                             TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(NULL);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigInputClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* lut = cmsPipelineAlloc(NULL, 3, 3);
    cmsStage* table = cmsStageAllocCLut16bit(NULL, 17, 3, 3, NULL);
    cmsStageSampleCLut16bit(table, Sample, toLab, 0);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(NULL, 3, NULL));
    cmsPipelineInsertStage(lut, cmsAT_END, table);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(NULL, 3, NULL));
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsWriteTag(profile, cmsSigAToB0Tag, lut);
    return profile;
}

static cmsHPROFILE Make(const char* kind) {
    cmsCIExyY white = {0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE p;
    cmsToneCurve* tone;
    if (strcmp(kind, "table") == 0) return AsTable(Make("adobe"));
    if (strcmp(kind, "adobe") == 0) {
        p = (cmsCIExyYTRIPLE){{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
        tone = cmsBuildGamma(NULL, 563.0 / 256.0);
    } else if (strcmp(kind, "prophoto") == 0) {
        white = (cmsCIExyY){0.3457, 0.3585, 1.0};
        p = (cmsCIExyYTRIPLE){{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}};
        tone = cmsBuildGamma(NULL, 1.8);
    } else if (strcmp(kind, "p3") == 0) {
        const cmsFloat64Number s[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        p = (cmsCIExyYTRIPLE){{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
        tone = cmsBuildParametricToneCurve(NULL, 4, s);
    } else {
        return NULL;
    }
    cmsToneCurve* curves[3] = {tone, tone, tone};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &p, curves);
    cmsFreeToneCurve(tone);
    return profile;
}

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    cmsHPROFILE profile = Make(argv[1]);
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile, NULL, &size)) return 1;
    unsigned char* icc = malloc(size);
    cmsSaveProfileToMem(profile, icc, &size);
    FILE* in = fopen(argv[2], "rb");
    if (!in) return 1;
    fseek(in, 0, SEEK_END);
    long length = ftell(in);
    fseek(in, 0, SEEK_SET);
    unsigned char* jpeg = malloc(length);
    if (fread(jpeg, 1, length, in) != (size_t)length || length < 2) return 1;
    fclose(in);
    FILE* out = fopen(argv[3], "wb");
    if (!out) return 1;
    const unsigned segment = 2 + 12 + 2 + size;
    const unsigned char head[] = {0xFF, 0xD8, 0xFF, 0xE2, segment >> 8, segment & 0xFF};
    fwrite(head, 1, sizeof head, out);
    fwrite("ICC_PROFILE\0\1\1", 1, 14, out);
    fwrite(icc, 1, size, out);
    fwrite(jpeg + 2, 1, length - 2, out);
    return fclose(out) == 0 ? 0 : 1;
}
