#pragma once
// A drawing target that records every call DrawDib makes, with a copy of each image it
// receives, and answers as configured. For tests of DrawDib and of its callers.
#include "lumeno/bitmap/draw_dib.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace lumeno {

struct RecordedCall {
    enum class Kind {
        StretchMode,   // mode in value
        SelectPalette, // palette in palette
        StretchBits,   // target, source, image, rasterOp, result
        SendBits,      // target (x, y, image width, height), image, result
        CreateBitmap,  // target.width/height = requested size, result 1 or 0
        SetRows,       // image, result 1 or 0
        StretchBlt,    // target, source (y from the top), rasterOp, result 1 or 0
        DeleteBitmap,
    };
    Kind kind{};
    DibRect target;
    DibRect source;
    int value = 0;
    void* palette = nullptr;
    uint32_t rasterOp = 0;
    int result = 0;
    // Deep copy of the image passed (Info, colour table, Bits); empty for other kinds.
    std::shared_ptr<ScopedDib> image;
};

class RecordingDrawTarget : public DibDrawTarget {
  public:
    // How the target answers (change before drawing).
    bool rasterDisplay = true;
    int screenBits = 32;
    bool canTakeBits = true;
    int stretchResult = 0; // 0: the number of target lines; else this value (kGdiError)
    int sendResult = -1;   // -1: the image's lines; else this value (0 = refused)
    bool createBitmapFails = false;
    bool setRowsFails = false;
    bool stretchBltFails = false;
    int bandHeight = 1;
    void* initialPalette = reinterpret_cast<void*>(0x5A); // what the first selection replaces

    std::vector<RecordedCall> calls;

    // The calls of one kind, in order.
    std::vector<const RecordedCall*> Of(RecordedCall::Kind kind) const;

    bool IsRasterDisplay() const override { return rasterDisplay; }
    int ScreenBitsPerPixel() const override { return screenBits; }
    bool CanTakeBits() const override { return canTakeBits; }
    void SetStretchMode(int mode) override;
    void* SelectPalette(void* palette) override;
    int StretchBits(const DibRect& target, const DibRect& source, const TDib& image,
                    uint32_t rasterOp) override;
    int SendBits(int x, int y, const TDib& image) override;
    std::unique_ptr<DeviceBitmap> CreateCompatibleBitmap(int width, int height) override;
    int RowBandHeight() const override { return bandHeight; }

  private:
    void* selected_ = nullptr;
    bool anySelected_ = false;
};

} // namespace lumeno
