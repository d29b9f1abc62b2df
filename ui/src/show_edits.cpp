// The undoable edits of the show (show_edits.h).
#include "show_edits.h"

#include <utility>

namespace lumeno::ui {
namespace {

enum EditId { kCaptionEdit = 1 };

class TShowEdit : public QUndoCommand {
  public:
    TShowEdit(TSlideShow& show, TShowChanged changed) : Show(show), Changed(std::move(changed)) {}
    void undo() override {
        Undo();
        if (Changed) Changed();
    }
    void redo() override {
        // The first redo is the edit itself: the caller shows its outcome.
        Redo();
        if (!First && Changed) Changed();
        First = false;
    }

  protected:
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    TSlideShow& Show;

  private:
    TShowChanged Changed;
    bool First = true;
};

class TAddPhotos final : public TShowEdit {
  public:
    TAddPhotos(TSlideShow& show, std::vector<std::string> paths, bool fileNamesAsText,
               TShowChanged changed)
        : TShowEdit(show, std::move(changed)), Paths(std::move(paths)),
          FileNamesAsText(fileNamesAsText) {}

  private:
    void Redo() override {
        if (Taken.empty()) {
            Show.AddPhotos(Paths, FileNamesAsText);
        } else {
            // The same records again, thumbnails included.
            for (TFotoRecord& foto : Taken)
                Show.InsertPhoto(Show.Count(), std::move(foto));
            Taken.clear();
        }
    }
    void Undo() override {
        const int n = static_cast<int>(Paths.size());
        if (Show.Count() < n) return;
        Taken.clear();
        for (int i = Show.Count() - n; i < Show.Count(); ++i)
            Taken.push_back(std::move(Show.Fotos[i]));
        for (int k = 0; k < n; ++k)
            Show.Fotos.Delete(Show.Count() - 1);
    }

    std::vector<std::string> Paths;
    bool FileNamesAsText;
    std::vector<TFotoRecord> Taken; // the added photos while undone
};

class TDeletePhoto final : public TShowEdit {
  public:
    TDeletePhoto(TSlideShow& show, TShowChanged changed)
        : TShowEdit(show, std::move(changed)), Position(show.CurFoto) {}

  private:
    void Redo() override {
        if (Position < 1 || Position > Show.Count()) return;
        Taken = Show.TakePhoto(Position - 1);
        Show.CurFoto = Position; // the photo that followed becomes current
    }
    void Undo() override {
        if (Position < 1 || Position > Show.Count() + 1) return;
        Show.InsertPhoto(Position - 1, std::move(Taken));
        Taken = TFotoRecord{};
        Show.CurFoto = Position;
    }

    int Position; // 1-based
    TFotoRecord Taken;
};

class TMovePhoto final : public TShowEdit {
  public:
    TMovePhoto(TSlideShow& show, bool forward, TShowChanged changed)
        : TShowEdit(show, std::move(changed)), From(show.CurFoto),
          To(forward ? show.CurFoto - 1 : show.CurFoto + 1) {}

  private:
    void Redo() override { Exchange(To); }
    void Undo() override { Exchange(From); }
    void Exchange(int current) {
        if (From < 1 || To < 1 || From > Show.Count() || To > Show.Count()) return;
        Show.Fotos.Exchange(From - 1, To - 1);
        Show.CurFoto = current;
    }

    int From, To; // 1-based
};

class TCaptionEdit final : public TShowEdit {
  public:
    TCaptionEdit(TSlideShow& show, std::string caption, int burst, TShowChanged changed)
        : TShowEdit(show, std::move(changed)), Position(show.CurFoto), Burst(burst),
          Before(show.Current()->Text), After(std::move(caption)) {}
    int id() const override { return kCaptionEdit; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const TCaptionEdit*>(other);
        if (next->Position != Position || next->Burst != Burst) return false;
        After = next->After;
        setObsolete(After == Before);
        return true;
    }

  private:
    void Redo() override { Store(After); }
    void Undo() override { Store(Before); }
    void Store(const std::string& text) {
        if (Position < 1 || Position > Show.Count()) return;
        Show.Fotos[Position - 1].Text = text;
        Show.CurFoto = Position;
    }

    int Position; // 1-based
    int Burst;
    std::string Before, After;
};

} // namespace

QUndoCommand* AddPhotosEdit(TSlideShow& show, const std::vector<std::string>& paths,
                            bool fileNamesAsText, TShowChanged changed) {
    if (paths.empty()) return nullptr;
    return new TAddPhotos(show, paths, fileNamesAsText, std::move(changed));
}

QUndoCommand* DeletePhotoEdit(TSlideShow& show, TShowChanged changed) {
    if (!show.HasCurrent()) return nullptr;
    return new TDeletePhoto(show, std::move(changed));
}

QUndoCommand* MovePhotoEdit(TSlideShow& show, bool forward, TShowChanged changed) {
    const int to = forward ? show.CurFoto - 1 : show.CurFoto + 1;
    if (!show.HasCurrent() || to < 1 || to > show.Count()) return nullptr;
    return new TMovePhoto(show, forward, std::move(changed));
}

QUndoCommand* CaptionEdit(TSlideShow& show, std::string caption, int burst, TShowChanged changed) {
    if (!show.HasCurrent()) return nullptr;
    return new TCaptionEdit(show, std::move(caption), burst, std::move(changed));
}

} // namespace lumeno::ui
