// The recording drawing target for tests.
#include "recording_target.h"

#include "lumeno/bitmap/dib_ops.h"

#include <cstring>

namespace lumeno {

namespace {

std::shared_ptr<ScopedDib> DeepCopy(const TDib& image) {
    auto copy = std::make_shared<ScopedDib>();
    if (!image.Bits || !image.Info) return copy;
    const int bits = DibBitCount(image);
    if (!newdib(copy->get(), DibWidth(image), DibHeight(image), bits, image.Info,
                bits <= 8 ? 256 : 0))
        return copy;
    std::memcpy(copy->get()->Bits, image.Bits,
                static_cast<size_t>(image.RowBytes) * static_cast<size_t>(DibHeight(image)));
    std::memcpy(copy->get()->Colours, image.Colours, sizeof(image.Colours));
    copy->get()->HasPalette = image.HasPalette;
    copy->get()->Palette = image.Palette;
    return copy;
}

class RecordingBitmap : public DeviceBitmap {
  public:
    RecordingBitmap(RecordingDrawTarget& owner) : owner_(owner) {}
    ~RecordingBitmap() override {
        RecordedCall call;
        call.kind = RecordedCall::Kind::DeleteBitmap;
        owner_.calls.push_back(std::move(call));
    }
    bool SetRows(const TDib& image) override {
        RecordedCall call;
        call.kind = RecordedCall::Kind::SetRows;
        call.image = DeepCopy(image);
        call.result = owner_.setRowsFails ? 0 : 1;
        owner_.calls.push_back(std::move(call));
        return !owner_.setRowsFails;
    }
    bool StretchTo(const DibRect& target, const DibRect& source, uint32_t rasterOp) override {
        RecordedCall call;
        call.kind = RecordedCall::Kind::StretchBlt;
        call.target = target;
        call.source = source;
        call.rasterOp = rasterOp;
        call.result = owner_.stretchBltFails ? 0 : 1;
        owner_.calls.push_back(std::move(call));
        return !owner_.stretchBltFails;
    }

  private:
    RecordingDrawTarget& owner_;
};

} // namespace

std::vector<const RecordedCall*> RecordingDrawTarget::Of(RecordedCall::Kind kind) const {
    std::vector<const RecordedCall*> out;
    for (const RecordedCall& call : calls)
        if (call.kind == kind) out.push_back(&call);
    return out;
}

void RecordingDrawTarget::SetStretchMode(int mode) {
    RecordedCall call;
    call.kind = RecordedCall::Kind::StretchMode;
    call.value = mode;
    calls.push_back(std::move(call));
}

void* RecordingDrawTarget::SelectPalette(void* palette) {
    RecordedCall call;
    call.kind = RecordedCall::Kind::SelectPalette;
    call.palette = palette;
    calls.push_back(std::move(call));
    void* previous = anySelected_ ? selected_ : initialPalette;
    selected_ = palette;
    anySelected_ = true;
    return previous;
}

int RecordingDrawTarget::StretchBits(const DibRect& target, const DibRect& source,
                                     const TDib& image, uint32_t rasterOp) {
    RecordedCall call;
    call.kind = RecordedCall::Kind::StretchBits;
    call.target = target;
    call.source = source;
    call.rasterOp = rasterOp;
    call.image = DeepCopy(image);
    call.result = stretchResult != 0 ? stretchResult : target.height;
    calls.push_back(call);
    return call.result;
}

int RecordingDrawTarget::SendBits(int x, int y, const TDib& image) {
    RecordedCall call;
    call.kind = RecordedCall::Kind::SendBits;
    call.target = {x, y, DibWidth(image), DibHeight(image)};
    call.image = DeepCopy(image);
    call.result = sendResult >= 0 ? sendResult : DibHeight(image);
    calls.push_back(call);
    return call.result;
}

std::unique_ptr<DeviceBitmap> RecordingDrawTarget::CreateCompatibleBitmap(int width, int height) {
    RecordedCall call;
    call.kind = RecordedCall::Kind::CreateBitmap;
    call.target = {0, 0, width, height};
    call.result = createBitmapFails ? 0 : 1;
    calls.push_back(std::move(call));
    if (createBitmapFails) return nullptr;
    return std::make_unique<RecordingBitmap>(*this);
}

} // namespace lumeno
