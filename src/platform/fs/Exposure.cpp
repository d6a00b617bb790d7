#include "platform/fs/Exposure.h"

#include <sys/stat.h>

namespace files {

void Exposure::Ids::Add(std::uint32_t id)
{
    if (!Has(id))
        ids[count++] = id;
}

bool Exposure::Ids::Has(std::uint32_t id) const
{
    for (std::size_t i = 0; i < count; ++i) {
        if (ids[i] == id)
            return true;
    }
    return false;
}

bool Exposure::Ids::Within(const Ids& other) const
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!other.Has(ids[i]))
            return false;
    }
    return true;
}

Exposure Exposure::Of(const Ownership& file, const Ownership& folder, std::uint32_t runningUser)
{
    const auto trusted = [runningUser](std::uint32_t user) { return user == 0 || user == runningUser; };
    Exposure exposure;
    if (!trusted(file.owner))
        exposure.FUsers.Add(file.owner);
    if ((file.mode & S_IWGRP) != 0)
        exposure.FGroups.Add(file.group);
    if (!trusted(folder.owner))
        exposure.FUsers.Add(folder.owner);
    const bool sticky = (folder.mode & S_ISVTX) != 0;
    if ((folder.mode & S_IWGRP) != 0 && !sticky)
        exposure.FGroups.Add(folder.group);
    exposure.FAnyone = (file.mode & S_IWOTH) != 0 || ((folder.mode & S_IWOTH) != 0 && !sticky);
    return exposure;
}

bool Exposure::Within(const Exposure& other) const
{
    return other.FAnyone || (!FAnyone && FUsers.Within(other.FUsers) && FGroups.Within(other.FGroups));
}

} // namespace files
