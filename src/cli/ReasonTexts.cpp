#include "cli/ReasonTexts.h"

#include "platform/fs/FileErrors.h"

namespace cli {

std::string KeptReason(const replays::NotDeleted& kept)
{
    using replays::KeepReason;
    switch (kept.reason) {
    case KeepReason::CannotOpen:
    case KeepReason::Refused:
        return files::ErrorText(kept.code);
    case KeepReason::CannotCompare:
        return "Cannot compare with " + kept.other + ": " + files::ErrorText(kept.code);
    case KeepReason::SameFile:
        return "Same file as " + kept.other;
    case KeepReason::ContentsDiffer:
        return "Contents differ from " + kept.other;
    case KeepReason::Changed:
        return "Changed while it was compared or before it could be deleted";
    case KeepReason::OtherChanged:
        return kept.other + " changed or went away before this copy could be deleted";
    case KeepReason::Replaced:
        return "Replaced by another file before it could be deleted";
    case KeepReason::FolderReplaced:
        return "Its folder, or that of " + kept.other + ", is no longer the folder the scan walked";
    case KeepReason::LeftAside:
        return "Kept as " + kept.other + ": its name was taken while it was checked";
    case KeepReason::LeftHidden:
        return "Kept, but hidden at " + kept.other + ": it could not be given a name again; the next list or dedupe"
               " of its folder brings it back";
    case KeepReason::ForeignLink:
        return "It or " + kept.other + " is reached through " + (kept.link.empty() ? "a link" : kept.link + ", a link")
            + " that belongs to another user";
    case KeepReason::InUse:
        return "In use by another program";
    case KeepReason::ReachedFor:
        return kept.code == files::kNoError
            ? "Another program reached for it as it was removed: kept as " + kept.other
            : "Another program reached for it as it was removed, and what it held could not be saved: "
                + files::ErrorText(kept.code);
    case KeepReason::ExposedCopy:
        return "Another user could remove or change " + kept.other + ", the copy that would stay, but not this one";
    case KeepReason::NoTrash:
        return kept.code == files::kNoTrash ? files::ErrorText(kept.code)
                                            : "No trash on its file system: " + files::ErrorText(kept.code);
    case KeepReason::Rewritten:
        return kept.code == files::kNoError
            ? "Written to while it was removed: kept as " + kept.other
            : "Written to while it was removed, and what it held then could not be saved: " + files::ErrorText(kept.code);
    }
    return {};
}

} // namespace cli
