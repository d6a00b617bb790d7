#include "shell/ShellPartners.h"

#include "platform/shellns/Wide.h"

namespace ShellCtrls {

TCustomShellPartner::TCustomShellPartner(TComponent* owner)
    : TWinControl(owner), FRoot(RootFolderName(rfDesktop))
{
    SetTabStop(true);
}

TCustomShellPartner::~TCustomShellPartner() = default;

void TCustomShellPartner::SetRoot(const TRoot& value)
{
    FRoot = value;
}

void TCustomShellPartner::TreeUpdate(PCItemIdList absIdList)
{
    FFolder.reset(absIdList ? CopyIdList(absIdList) : nullptr);
}

QString TCustomShellPartner::RootText() const
{
    return shellns::PathToText(FRoot);
}

void TCustomShellPartner::SetRootText(const QString& value)
{
    SetRoot(shellns::TextToPath(value));
}

} // namespace ShellCtrls
