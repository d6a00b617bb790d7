#pragma once
// The shell combo box and shell list view that a shell tree can be linked with (its ShellComboBox
// and ShellListView). No window of this program places one; a form description may, and a tree
// linked with one hands it its root setting whenever that changes and the folder it moves to. What
// a partner does with them is its own: these keep them for whoever asks and show no more than an
// empty control.
#include "shell/ShellCtrls.h"
#include "toolkit/Controls.h"

namespace ShellCtrls {

class TCustomShellPartner : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Root READ RootText WRITE SetRootText)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_CLASSINFO("Root", "default 'rfDesktop'")

public:
    explicit TCustomShellPartner(TComponent* owner);
    ~TCustomShellPartner() override;

    // The root setting the tree handed over last (a root folder's name or a path).
    const TRoot& Root() const { return FRoot; }
    void SetRoot(const TRoot& value);
    // The folder the tree moved to last, as its absolute list; nullptr before the first.
    PCItemIdList Folder() const { return FFolder.get(); }
    // The tree moved to the item: the partner keeps a copy of its list.
    void TreeUpdate(PCItemIdList absIdList);

protected:
    QString RootText() const;
    void SetRootText(const QString& value);

private:
    TRoot FRoot;
    TIdListPtr FFolder;
};

} // namespace ShellCtrls

// Outside the namespace so that their meta-object names are the plain ones form descriptions write.
class TShellComboBox : public ShellCtrls::TCustomShellPartner {
    Q_OBJECT

public:
    using TCustomShellPartner::TCustomShellPartner;
};

class TShellListView : public ShellCtrls::TCustomShellPartner {
    Q_OBJECT

public:
    using TCustomShellPartner::TCustomShellPartner;
};
