#pragma once
// DrawDib on Qt: a drawing target over a QPainter on a widget, a QPrinter or a QImage.
//
//   QPainter painter(this);
//   lumeno::QtDrawTarget dc(painter);
//   lumeno::DrawDib(dc, x, y, w, h, image, 0, 0, lumeno::DibWidth(image),
//                   lumeno::DibHeight(image), true, lumeno::kSrcCopy, true, nullptr);
//
// Only the part of the target inside the painter's clip (and the widget's exposed region)
// is converted and drawn, so a large photo at a high zoom costs what the visible part
// costs. On printers and PDF writers rows go to the device in bands of many rows.
#include "lumeno/bitmap/draw_dib.h"

#include <memory>

class QPainter;

namespace lumeno {

class QtDrawTarget final : public DibDrawTarget {
  public:
    // The painter must be active and outlive this target.
    explicit QtDrawTarget(QPainter& painter);

    bool IsRasterDisplay() const override;
    int ScreenBitsPerPixel() const override;
    bool CanTakeBits() const override { return true; }
    void SetStretchMode(int mode) override;
    void* SelectPalette(void* palette) override;
    int StretchBits(const DibRect& target, const DibRect& source, const TDib& image,
                    uint32_t rasterOp) override;
    int SendBits(int x, int y, const TDib& image) override;
    std::unique_ptr<DeviceBitmap> CreateCompatibleBitmap(int width, int height) override;
    int RowBandHeight() const override;

  private:
    QPainter& painter_;
};

// Colour depth of the primary screen; 24 when there is none (no GUI application yet).
int ScreenBitsPerPixel();

} // namespace lumeno
