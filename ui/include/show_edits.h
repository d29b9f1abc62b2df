// Undoable edits of the open show: adding, deleting and moving photos and changing a caption,
// as commands for the window's QUndoStack. Each command works on the show it was made for and
// relies on the stack's order: when it is undone, the show is as the command left it. A
// command whose photo is no longer where it expects (the show was changed past the stack)
// does nothing.
//
// Undoing or redoing makes the photo concerned current (a deleted photo comes back at its
// place with its caption and thumbnail); adding and undoing an add keep the current position.
// After every undo and redo `changed` is called, so the window shows the new state.
#pragma once

#include "lumeno/project/show.h"

#include <QUndoCommand>

#include <functional>
#include <string>
#include <vector>

namespace lumeno::ui {

using TShowChanged = std::function<void()>;

// Appends the photos (as TSlideShow::AddPhotos); undo takes them out again.
QUndoCommand* AddPhotosEdit(TSlideShow& show, const std::vector<std::string>& paths,
                            bool fileNamesAsText, TShowChanged changed);
// Deletes the current photo; nullptr when none is current.
QUndoCommand* DeletePhotoEdit(TSlideShow& show, TShowChanged changed);
// Moves the current photo one place forward (toward photo 1) or back; nullptr when it cannot
// move that way.
QUndoCommand* MovePhotoEdit(TSlideShow& show, bool forward, TShowChanged changed);
// Replaces the current photo's caption; nullptr when none is current. Consecutive caption
// edits of the same photo with the same `burst` merge into one step; a caption that ends as
// it began leaves no step at all.
QUndoCommand* CaptionEdit(TSlideShow& show, std::string caption, int burst, TShowChanged changed);

} // namespace lumeno::ui
