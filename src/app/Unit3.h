#pragma once
// The About window: the program's name and version, its author and the clan behind it, a
// picture with three names hidden over it that show while the pointer is over the clan's
// name, a link to the clan's page and a notch cut out of the bottom-right corner. Made once at
// start, shown modally by the main window's About button; it keeps its state between showings.

#include "toolkit/Forms.h"

class TImage;
class TLabel;
class TTimer;
class TglBitBtn;
class TglHoleShape;
class TglLabel;

// The page the link label opens: a neutral placeholder address.
inline constexpr const char* kClanPage = "https://www.example.org/";

class TForm3 : public TForm {
    Q_OBJECT

public:
    explicit TForm3(TComponent* owner);
    ~TForm3() override;

    TImage* Image1 = nullptr;
    TglLabel* glLabel1 = nullptr;
    TglLabel* glLabel2 = nullptr;
    TglLabel* glLabel3 = nullptr;
    TglLabel* glLabel4 = nullptr;
    TglLabel* glLabel5 = nullptr;
    TglLabel* glLabel6 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TglHoleShape* glHoleShape1 = nullptr;
    TglBitBtn* glBitBtn1 = nullptr;
    TTimer* Timer1 = nullptr;

public slots:
    // The link: the desktop's browser opens the clan's page.
    void glLabel6Click(TObject* Sender);
    // The pointer over "Clan Vexal" shows the three names; leaving it hides them.
    void glLabel5MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void glLabel5MouseLeave(TObject* Sender);
    void Timer1Timer(TObject* Sender);
};

extern TForm3* Form3;
