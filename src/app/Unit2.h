#pragma once
// The removal report window: the paths the last removal deleted, their number in the caption.
// It has no code of its own; the removal fills it (see ReportWindow.h).

#include "toolkit/Forms.h"

class TListBox;

class TForm2 : public TForm {
    Q_OBJECT

public:
    explicit TForm2(TComponent* owner);
    ~TForm2() override;

    TListBox* ListBox1 = nullptr;
};

extern TForm2* Form2;
