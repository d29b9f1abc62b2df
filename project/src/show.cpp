#include "lumeno/project/show.h"

#include "lumeno/core/text.h"
#include "platform.h"

namespace lumeno {
namespace {

// Length of the character reference "&#N;" at text[i] when it stands for a character that
// Windows-1252 cannot hold (the references Utf8ToCp1252 writes) or for the ampersand of a
// typed "&#", else 0.
size_t ReferenceLength(const std::string& text, size_t i) {
    if (text[i] != '&' || i + 3 >= text.size() || text[i + 1] != '#') return 0;
    size_t j = i + 2;
    uint32_t value = 0;
    while (j < text.size() && j < i + 10 && text[j] >= '0' && text[j] <= '9') {
        value = value * 10 + static_cast<uint32_t>(text[j] - '0');
        ++j;
    }
    if (j == i + 2 || j >= text.size() || text[j] != ';') return 0;
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    if (value != '&' && CodePointToCp1252(value) >= 0) return 0;
    return j + 1 - i;
}

} // namespace

std::string BreakEvery50(const std::string& name) {
    std::string out;
    out.reserve(name.size() + name.size() / 49 + 1);
    size_t i = 0;
    long position = 0; // 1-based position of the character about to be copied
    while (i < name.size()) {
        const size_t ref = ReferenceLength(name, i);
        const size_t length = ref ? ref : 1;
        if (++position % 50 == 0) out += '\r';
        out.append(name, i, length);
        i += length;
    }
    return out;
}

std::string FileNameCaption(const std::string& path) {
    return BreakEvery50(
        platform::PathToCp1252(EscapeTypedReferences(platform::FileNameOfPath(path))));
}

const std::string* TSlideShow::CurrentCaption() const {
    const TFotoRecord* foto = Current();
    return foto ? &foto->Text : nullptr;
}

void TSlideShow::AddPhotos(const std::vector<std::string>& paths, bool fileNamesAsText) {
    for (const std::string& path : paths) {
        TFotoRecord& foto = Fotos.Append();
        foto.FileName = path;
        if (fileNamesAsText) foto.Text = FileNameCaption(path);
    }
}

bool TSlideShow::DeleteCurrent() {
    if (!HasCurrent()) return false;
    Fotos.Delete(CurFoto - 1);
    return true;
}

bool TSlideShow::MoveForward() {
    if (CurFoto < 2 || CurFoto > Count()) return false;
    Fotos.Exchange(CurFoto - 1, CurFoto - 2);
    --CurFoto;
    return true;
}

bool TSlideShow::MoveBack() {
    if (CurFoto < 1 || CurFoto >= Count()) return false;
    Fotos.Exchange(CurFoto - 1, CurFoto);
    ++CurFoto;
    return true;
}

bool TSlideShow::StoreCaption(const std::string& cp1252) {
    TFotoRecord* foto = Current();
    if (!foto) return false;
    foto->Text = cp1252;
    return true;
}

void TSlideShow::FreeAllPics() {
    Fotos.Clear();
    CurFoto = 1;
}

TFotoRecord TSlideShow::TakePhoto(int index) {
    if (index < 0 || index >= Count()) return TFotoRecord{};
    TFotoRecord foto = std::move(Fotos[index]);
    Fotos.Delete(index);
    return foto;
}

void TSlideShow::InsertPhoto(int index, TFotoRecord foto) {
    index = index < 0 ? 0 : (index > Count() ? Count() : index);
    Fotos.Append() = std::move(foto);
    for (int i = Count() - 1; i > index; --i)
        Fotos.Exchange(i, i - 1);
}

void TSlideShow::ReplaceWith(TSlideShow& other) {
    Fotos.Clear();
    for (TFotoRecord& foto : other.Fotos)
        Fotos.Append() = std::move(foto);
    CurFoto = other.CurFoto;
    other.FreeAllPics();
}

void TSlideShow::NewShow(TShowSettings& settings) {
    FreeAllPics();
    settings = TShowSettings{};
}

} // namespace lumeno
