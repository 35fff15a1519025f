// Which drive C: the Logo Manager window starts on.
#pragma once

#include "drive/DriveC.h"

#include <QString>

#include <optional>
#include <string>

namespace quillmere {

class SettingsStore;

struct StartDrive {
    DriveC drive;
    // Why the choice kept in the settings could not be used; empty when it was
    // (or there was none).
    QString problem;
};

// option (--drive-c) when not empty, else $QUILLMERE_DRIVE_C, else the folder or
// disk image kept as "DriveC" while it exists, else the practice drive; on an
// image, partition as for DriveC::Open. A kept choice that cannot be opened
// now (a running virtual machine holds the image) gives the practice drive and
// the reason, so the window still opens and the choice is tried again next
// time. Throws what DriveC::Open throws for the option, the variable and the
// practice drive.
StartDrive OpenStartDrive(const std::string& option, int partition, const SettingsStore& settings);

struct ReopenedDrive {
    std::optional<DriveC> drive; // none: nothing could be opened, the old drive stays
    QString text;                // what happened, for a message
};

// Drive C: opened again after another program changed, replaced, moved or
// removed it under the window: the same choice (the practice drive, or the
// folder or image by its name and partition), else the practice drive.
ReopenedDrive OpenDriveAgain(const DriveC& old);

} // namespace quillmere
