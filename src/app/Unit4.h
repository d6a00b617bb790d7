#pragma once
// The folder browse dialog: a tree of the user's places rooted at the desktop. OK puts the
// selected folder's path into the main window's folder field; Cancel leaves it alone. Made once
// at start and only hidden when closed, so the tree keeps its expansion and selection.

#include "toolkit/Forms.h"

class TBitBtn;
class TShellTreeView;

class TForm4 : public TForm {
    Q_OBJECT

public:
    explicit TForm4(TComponent* owner);
    ~TForm4() override;

    TBitBtn* BitBtn1 = nullptr;
    TBitBtn* BitBtn2 = nullptr;
    TShellTreeView* ShellTreeView1 = nullptr;

public slots:
    // OK: the selected folder's path into Form1's Edit1.
    void BitBtn1Click(TObject* Sender);
    // Cancel.
    void BitBtn2Click(TObject* Sender);
};

extern TForm4* Form4;
