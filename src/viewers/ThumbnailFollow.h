// Thumbnails follow their files: the change notices of the program's own
// file operations (ui/ChangeNotices.h) copy, rename or drop the thumbnail
// objects, so that no thumbnail is left for a file that is gone and none
// shows for the wrong file.
//
//   Removed file        its thumbnail is deleted;
//   Removed directory   every thumbnail whose name begins with the
//                       directory's path and "\" is deleted;
//   Renamed file        the thumbnail moves to the new name (an older one
//                       there is replaced, or deleted when the file had none);
//   Renamed directory   every thumbnail below it moves;
//   Added or Changed by a copy (copiedFrom)  the source's thumbnail is
//                       copied to the new file (or the target's old one
//                       deleted when the source has none);
//   Added otherwise     an old thumbnail under that name is deleted (a new
//                       file is not the picture it showed).
// Names are compared lower-cased; a moved object is given its new exact
// path. Called on the thread that owns the store (the GUI thread).
#pragma once

#include "ui/ChangeNotices.h"
#include "viewers/ThumbnailStore.h"

namespace vorlane::viewers {

void FollowChange(IThumbnailStore& store, const ui::ChangeNotice& notice);

} // namespace vorlane::viewers
