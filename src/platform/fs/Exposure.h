#pragma once
// Who, besides root and the running user, could remove, replace or change a file, as its owner,
// group and mode and those of the folder that holds its entry say:
// - its owner, who may change its mode and then write it;
// - its group, when it is writable by the group, and anyone, when it is writable by others;
// - the owner of its folder, who may change the folder's mode and then its entries;
// - the folder's group, or anyone, when the folder is writable by them, unless its sticky bit
//   keeps entries to their owners (and to the folder's owner, counted already).
// Root and the running user are left out: they could do anything with either copy anyway.
// Groups are not looked into: a group counts as the users in it, whoever they are, so that a
// file is never taken for as safe as another only because two groups happen to share members.
// Access control lists and file flags are not read.

#include "platform/fs/Folder.h"

#include <cstddef>
#include <cstdint>

namespace files {

class Exposure {
public:
    // The exposure of the file ownership describes, whose entry lies in a folder ownership
    // folder describes, to all but root and runningUser.
    static Exposure Of(const Ownership& file, const Ownership& folder, std::uint32_t runningUser);

    // Whether everyone who could touch a file exposed so could touch one exposed as other too.
    bool Within(const Exposure& other) const;

private:
    // At most two of each: the file's and the folder's.
    struct Ids {
        std::uint32_t ids[2] = {};
        std::size_t count = 0;
        void Add(std::uint32_t id);
        bool Has(std::uint32_t id) const;
        bool Within(const Ids& other) const;
    };

    bool FAnyone = false;
    Ids FUsers;
    Ids FGroups;
};

} // namespace files
