#pragma once
// The PDF container of a slide show, written byte for byte: a fixed PDF 1.4 skeleton of 19
// objects (a fallback text page, an on-load script, the alternate presentation with the
// compressed SVG as embedded file, the resource name tree), one JPEG image object per photo,
// the cross-reference table and the trailer.
//
// Offsets are counted from the bytes written, so buffering never shifts them. The file is
// written in sections (skeleton, images, photo pages, caption fonts) whose object numbers
// an allocator hands out, over a byte sink (a file or memory).
#include "lumeno/export/byte_sink.h"
#include "lumeno/export/document_texts.h"
#include "lumeno/export/resource_names.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumeno {

struct TPhotoPages; // lumeno/export/photo_pages.h

// One photo's JPEG file, written unchanged as an image stream.
struct TJpegImage {
    std::vector<uint8_t> Bytes;
    int32_t Width = 0;
    int32_t Height = 0;
    // One grey component (a photo's own JPEG taken over): the image is /DeviceGray instead
    // of /DeviceRGB. The JPEGs the export encodes itself are always colour.
    bool Grey = false;
    // The ICC profile the data are stored in (a photo's own JPEG taken over); empty for sRGB.
    // Given, the image's colour space is /ICCBased with it (one object per distinct profile,
    // after the photo pages); the JPEGs the export encodes itself are sRGB.
    std::vector<uint8_t> Profile;
    // The EXIF orientation (1..8) of a photo's own JPEG taken over as it is: Width and Height
    // are those of the stored picture, and every page and presentation turns it upright when
    // placing it. 1 for every JPEG the export encodes itself.
    int32_t Orientation = 1;
};

enum class TPdfCode { kOk, kCannotCreate, kWriteError, kFileTooLarge, kStopped };

struct TPdfResult {
    bool ok = false;
    TPdfCode code = TPdfCode::kOk;
    int detail = 0; // errno for kCannotCreate / kWriteError
    // Caption characters no installed font covers, drawn as nothing on the photo pages
    // (ascending, each once).
    std::u32string missing;
};

// Asked for photo k = 1..n in order, after objects 1 to 19 are written. Returns the JPEG,
// or nullopt to stop the export (result kStopped). The writer holds one photo at a time.
using TPhotoSource = std::function<std::optional<TJpegImage>(int k)>;

// Writes the whole file into `sink`, from its first byte, and finishes the sink.
// `compressedSvg` is the zlib stream of the SVG document. Every photo must be delivered (a
// missing one would leave an object number without its offset). kWriteError carries the
// sink's error number; what was written stays where it went.
// With `pages` (may be null: the default file, unchanged), the catalog also names PDF 1.5,
// opens at the first photo page and, with fullScreen, in full screen; the page tree lists
// one page per photo before the text page, which then carries pages->TextPageLines instead of
// DefaultTextPageLines.
// After the image objects follow, per photo, a page (of the photo's own proportions) and
// its content stream, then the caption fonts.
TPdfResult WritePdfSlideShow(TByteSink& sink, bool fullScreen,
                             const std::vector<uint8_t>& compressedSvg, int photoCount,
                             const TPhotoSource& source, const TPhotoPages* pages = nullptr);

// The same into the file `path` (created or emptied); kCannotCreate with errno when it
// cannot be opened, kWriteError also when closing fails. On kWriteError the partly written
// file stays on disk.
TPdfResult WritePdfSlideShow(const std::string& path, bool fullScreen,
                             const std::vector<uint8_t>& compressedSvg, int photoCount,
                             const TPhotoSource& source, const TPhotoPages* pages = nullptr);

} // namespace lumeno
