#pragma once
// pictavo: the image codec library. Reads and writes image files and holds images as
// device-independent bitmaps (TDib).
//
// Pixel layout of a TDib: rows stored bottom row first (row 0 = bottom), each row RowBytes
// long (a multiple of 4); 1, 4, 8 or 24 bits per pixel. 24-bit pixels are blue, green, red.
// 1- and 4-bit pixels are packed from the most significant bits of a byte. Palette images
// (1, 4, 8 bits) carry their colour table twice: in Info->bmiColors (blue, green, red,
// reserved) and in Colours (red, green, blue, flags).
//
// Ownership: a TDib is a plain record. Whoever obtains an image (OpenDib, newdib,
// DIBHalftoneDIB...) releases it with deldib; ScopedDib does that on scope exit.
//
// Thread safety: every call may run on any thread at the same time as others, on different
// TDib records. SetJPEGQual sets a process-wide value read by later SaveDib calls.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define PICTAVO_API __declspec(dllexport)
#else
#define PICTAVO_API __attribute__((visibility("default")))
#endif

struct TRgbQuad {
    uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct TPaletteEntry {
    uint8_t peRed, peGreen, peBlue, peFlags;
};

// The image's bitmap header followed by its colour table.
struct TDibInfo {
    uint32_t biSize;        // 40
    int32_t biWidth;        // pixels
    int32_t biHeight;       // pixels, positive: rows stored bottom row first
    uint16_t biPlanes;      // 1
    uint16_t biBitCount;    // 1, 4, 8 or 24
    uint32_t biCompression; // 0
    uint32_t biSizeImage;   // RowBytes * biHeight
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed; // colour table entries, 0 for 24 bits
    uint32_t biClrImportant;
    TRgbQuad bmiColors[256];
};

struct TDib {
    TDibInfo* Info = nullptr; // header and colour table; null when empty
    uintptr_t Handle = 0;     // non-zero while the record holds an image
    uint8_t* Bits = nullptr;  // pixel rows; null when there is no image
    int32_t RowBytes = 0;     // bytes per stored row
    uint8_t HasPalette = 0;   // 1 for palette images (the palette is selected before drawing)
    TPaletteEntry Colours[256] = {};
    void* Palette = nullptr; // device palette; unused by the Qt drawing layer
};

// Receives loading progress from OpenDib (the owner window's progress message): percentages
// 0..100, never falling, the last one 100, on the thread that called OpenDib.
class TDibLoadOwner {
  public:
    virtual void DibLoadProgress(int percent) = 0;

  protected:
    ~TDibLoadOwner() = default;
};

// Loads an image file into out (any earlier content of out is not freed: pass an empty
// record). Success means out->Bits is non-null; the result is 1 on success, 0 otherwise.
// mode: -1 for the photo strip and the export, 0 for the picture viewer (both load the
// whole picture). owner may be null. Corrupt files give an empty record or, where part of
// the picture was decoded, that part (result 1; rows never read are black); never a crash.
// Reads JPEG, PNG, BMP, GIF (first frame), TIFF (first page), WebP (still pictures) and
// HEIC/HEIF, recognised by their first bytes, not by the file name. Palette PNG/GIF/BMP and
// 1/4-bit BMP stay palette images, grey JPEG/PNG become 8-bit grey palette images, the rest
// 24 bits; transparency is composited onto white. A camera's orientation (EXIF, TIFF tag,
// HEIF rotation) is applied: width and height are those of the upright picture. Pictures
// above 500 megapixels are not loaded.
PICTAVO_API int OpenDib(TDib* out, const char* fileName, int mode, TDibLoadOwner* owner);

// What the last OpenDib, OpenDibMemory or OpenDibReduced on the calling thread did with the
// picture's colour profile: none or sRGB (kNone; the decoded bytes as they are), converted to
// sRGB through it (kConverted), or a profile that could not be used (kBroken: damaged, of
// the wrong colour space, or unreadable; the picture was taken as sRGB). Pictures with a
// profile of another colour space than sRGB (Adobe RGB, Display P3, a CMYK or grey profile,
// the colour tags of PNG and HEIF, Adobe RGB named in EXIF) are converted to sRGB at load
// time, so every use of a TDib holds sRGB.
enum class TDibColour { kNone, kConverted, kBroken };
PICTAVO_API TDibColour LastDibColour();

// OpenDib on a file already in memory (the bytes are only read during the call).
PICTAVO_API int OpenDibMemory(TDib* out, const uint8_t* data, size_t size, TDibLoadOwner* owner);

// Writes the image; format 7 is JPEG (quality from SetJPEGQual). Returns 1 on success.
PICTAVO_API int SaveDib(const TDib* image, const char* fileName, int format, int option);

// OpenDib followed by SaveDib(..., 7, ...) in one pass for the common photo: a JPEG of three
// colour components stored upright (no EXIF turn), whose data decode to the end. Writes to
// fileName exactly the bytes that pair would write, decoding and encoding a band of rows at a
// time instead of holding the whole picture, and sets the picture's size. Returns 0 for every
// other file (also a photo whose colour profile cannot be used; a usable one converts the
// rows as OpenDib does), or when reading or writing
// fails midway: fileName may then hold part of a picture, and the caller takes the usual pair,
// which writes it anew. owner as for OpenDib. One exception to the same bytes: a photo with a
// matrix profile (or a table profile close to one) and colour at half the width, on a
// processor with AVX-512 byte permutes, is converted from its stored YCbCr samples, each 2 x 2
// block's colour as stored (the pair interpolates it): the same colours, within a level on average.
PICTAVO_API int RecodeJpegFile(const char* sourceName, const char* fileName, int* width,
                               int* height, TDibLoadOwner* owner);

// Quality 1..100 of later JPEG writes (default 75).
PICTAVO_API void SetJPEGQual(int quality);

// A new image with zero-filled pixels. colourSource's table is copied (colourCount entries,
// at most 256) when given. Returns 1 and sets Handle on success; 0 leaves out empty.
PICTAVO_API int newdib(TDib* out, int width, int height, int bitsPerPixel,
                       const TDibInfo* colourSource, int colourCount);

// Frees what the record holds (null or empty records are fine); the record is empty after.
PICTAVO_API void deldib(TDib* image);

// One pixel; x from the left, y in storage order (0 = bottom row). For 1/4/8 bits the
// colour index; for 24 bits 0x00RRGGBB. Out-of-range coordinates read 0 and write nothing.
PICTAVO_API uint32_t getpixel(const TDib* image, int x, int y);
PICTAVO_API void setpixel(TDib* image, int x, int y, uint32_t value);

// A copy of a 24-bit image reduced to a 256-colour palette image for displays of at most
// 256 colours; the XY form resamples to width x height. Returns 1 on success.
PICTAVO_API int DIBHalftoneDIB(TDib* out, const TDib* source);
PICTAVO_API int DIBHalftoneDIBXY(TDib* out, const TDib* source, int width, int height);

// The photo open dialog's entries, in dialog order: every picture file, one entry per format,
// every file. Patterns are ";"-separated ("*.jpg;*.jpeg"); the window gives each kind its
// words.
enum class TDibOpenKind { AllPictures, Jpeg, Png, Bmp, Gif, Tiff, WebP, Heif, AllFiles };
struct TDibOpenFormat {
    TDibOpenKind Kind;
    const char* Name; // the format's own name ("JPEG"), not meant for the user's language
    const char* Patterns;
};
// The table above; its length in *count.
PICTAVO_API const TDibOpenFormat* GetDIBOpenFormats(size_t* count);

// The same table as a filter text: "name|patterns|..." pairs.
PICTAVO_API const char* GetDIBOpenFilter();

// 1 when `data` (the first bytes of a file, 12 are enough) begin as a format OpenDib reads,
// else 0. A file that does and still gives no picture is damaged.
PICTAVO_API int IsDibFormat(const uint8_t* data, size_t size);

// Fast reduced load for thumbnails: decodes the picture at a reduced scale whose size is at
// least minWidth x minHeight where the format allows (else the full picture), and reports
// the full (upright) picture's size in fullWidth/fullHeight (0 on failure). JPEG: a camera's
// embedded thumbnail when it covers that size and has the picture's proportions, else DCT
// scaling by n/8; WebP: the decoder's scaling; HEIF: an embedded thumbnail that covers the
// size. Returns 1 on success; the picture is upright as with OpenDib.
PICTAVO_API int OpenDibReduced(TDib* out, const char* fileName, int minWidth, int minHeight,
                               int* fullWidth, int* fullHeight, TDibLoadOwner* owner);

// --- PNG files with text keys ---------------------------------------------------------------

// One text chunk of a PNG: a key of 1 to 79 Latin-1 characters and its value (Latin-1 bytes,
// ValueSize of them; an UTF-8 URI is stored as its bytes).
struct TPngText {
    const char* Key;
    const char* Value;
    size_t ValueSize;
};

// PNG bytes made by the library; freed with FreePngData.
struct TPngData {
    uint8_t* Data = nullptr;
    size_t Size = 0;
};

// Encodes a 24-bit image as an 8-bit RGB PNG, not interlaced, with the adaptive row filters,
// deflate level `level` (0 to 9) and the text chunks (uncompressed tEXt) before the pixels.
// Deterministic. Returns 1 and fills out, or 0 (out empty) for an image that is not 24 bits,
// a key libpng refuses or no memory.
PICTAVO_API int SavePngWithText(const TDib* image, const TPngText* texts, int textCount, int level,
                                TPngData* out);

// Frees what SavePngWithText made (null or empty records are fine); the record is empty after.
PICTAVO_API void FreePngData(TPngData* data);

// Receives each text chunk (tEXt, zTXt, iTXt) of a PNG read by OpenPngWithText, in the order
// libpng lists them; the pointers are valid during the call only.
typedef void (*TPngTextSink)(void* context, const char* key, const char* value, size_t valueSize);

// Decodes a whole PNG held in memory into a 24-bit image (palette and grey pictures expanded,
// 16-bit samples cut to 8 bits, transparency composited onto white) and hands its text chunks
// to sink (may be null) with context. A picture wider or higher than maxSide, a chunk above
// 1 MiB, damaged or cut-off data give 0 and leave out empty; 1 when every row was read.
PICTAVO_API int OpenPngWithText(TDib* out, const uint8_t* data, size_t size, int maxSide,
                                TPngTextSink sink, void* context);

// --- JPEG data taken over as it is --------------------------------------------------------

// What InspectJpeg read from a JPEG file's markers.
struct TJpegFacts {
    int32_t Width = 0, Height = 0; // pixels, from the frame header (as stored, not turned)
    int32_t Components = 0;        // 1 grey, 3 YCbCr
    int32_t Orientation = 1;       // EXIF orientation 1..8; 1 without EXIF
    int32_t Progressive = 0;       // 1 for a progressive picture, 0 for a baseline one
    size_t Size = 0;               // bytes up to and including the end marker
};

enum class TJpegCheck {
    kShowable,     // any viewer's JPEG decoder (a PDF viewer's DCT filter) shows it as it is
    kNotJpeg,      // does not start with a JPEG start marker
    kOtherCoding,  // arithmetic, lossless, hierarchical, extended or not 8 bits per sample
    kOtherColours, // CMYK, YCCK, RGB, an Adobe marker or a number of components not 1 or 3
    kDamaged,      // a marker or segment runs past the data, or the end marker is missing
    kTooLarge,     // more pixels than OpenDib loads
};

// Reads the markers of data (the bytes of a whole file) without decoding the picture, and
// fills facts (may be null) as far as they were found. A picture is kShowable when it is
// baseline or progressive Huffman-coded with 8 bits per sample, grey or YCbCr, and its
// markers are intact up to the end marker; data after the end marker are not part of it
// (facts->Size). Damage inside the coded data is not seen. Never reads outside data.
PICTAVO_API TJpegCheck InspectJpeg(const uint8_t* data, size_t size, TJpegFacts* facts);

// JPEG bytes made by the library; freed with FreeJpegData.
struct TJpegData {
    uint8_t* Data = nullptr;
    size_t Size = 0;
};

// Turns a kShowable JPEG upright for its EXIF orientation 2..8 without decoding it
// (libjpeg-turbo's lossless transform on the coded blocks): the picture is not recoded, only
// rearranged. Edge blocks that cannot be turned whole are cut off, at most 15 pixels on the
// right and bottom of the stored picture. Every marker is copied and the copy's EXIF
// orientation is set to 1, so no viewer turns it again. A baseline picture stays baseline,
// a progressive one progressive. Returns 1 and fills out, or 0 (out empty) for an
// orientation outside 2..8, damaged data, a picture smaller than one block of 16 pixels or
// with colour stored at less than half the resolution (more than 15 pixels would go).
PICTAVO_API int TurnJpegUpright(const uint8_t* data, size_t size, int orientation, TJpegData* out);

// The colour profile under which a PDF viewer shows a JPEG's data as OpenDib would (data:
// the bytes of a whole file). kConverted with out filled: the embedded ICC profile of RGB or
// grey data, or the Adobe RGB profile its EXIF data name without embedding it, to be given
// to the viewer with the data. kConverted with out empty: a profile that does not fit the
// data as a viewer reads them (a colour profile on grey data); only decoding converts it.
// kNone (no profile or sRGB) and kBroken (taken as sRGB): out empty, the data are sRGB. CMYK
// and YCCK data give kNone here (they are never taken over as they are). Freed with
// FreeJpegData.
PICTAVO_API TDibColour JpegColourProfile(const uint8_t* data, size_t size, TJpegData* out);

// Frees what TurnJpegUpright or JpegColourProfile made (null or empty records are fine); the record
// is empty after.
PICTAVO_API void FreeJpegData(TJpegData* data);

// Owns one TDib and frees it on destruction.
class ScopedDib {
  public:
    ScopedDib() = default;
    ~ScopedDib() { deldib(&dib_); }
    explicit ScopedDib(const TDib& adopt) : dib_(adopt) {}
    ScopedDib(const ScopedDib&) = delete;
    ScopedDib& operator=(const ScopedDib&) = delete;
    ScopedDib(ScopedDib&& other) noexcept : dib_(other.release()) {}
    ScopedDib& operator=(ScopedDib&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    // Frees the held image and takes over `adopt` (may be an empty record).
    void reset(const TDib& adopt = TDib{}) {
        deldib(&dib_);
        dib_ = adopt;
    }
    TDib* get() { return &dib_; }
    const TDib* get() const { return &dib_; }
    TDib* operator->() { return &dib_; }
    bool empty() const { return dib_.Bits == nullptr; }
    // Hands the image over to the caller, who frees it; this owner becomes empty.
    TDib release() {
        TDib out = dib_;
        dib_ = TDib{};
        return out;
    }

  private:
    TDib dib_{};
};
