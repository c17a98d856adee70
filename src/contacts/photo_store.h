#pragma once

#include "data/status.h"

#include <QString>

namespace norvane {

// A photo as it lies in the photo folder after registering.
struct StoredPhoto
{
    QString name;        // the file name saved as PROFILE
    bool copied = false; // false when an identical file was already there and is reused
};

// Copies a chosen picture into the photo folder. A different file already
// there under the same name is never replaced: the copy takes the next free
// name ("photo (2).jpg"). A byte-identical file is reused as it is.
Status storePhoto(const QString& sourcePath, const QString& photoFolder, StoredPhoto& stored);

// Whether a PROFILE value names a plain file inside the photo folder. A name
// with a folder part ("../x") must never lead a deletion out of the folder.
bool isPlainPhotoName(const QString& name);

// Deletes a photo file of the photo folder; a missing file is no error.
Status deletePhoto(const QString& photoFolder, const QString& name);

} // namespace norvane
