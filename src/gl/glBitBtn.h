#pragma once
// The hover bitmap button: a bitmap button that looks flat until the pointer is over it or
// it is held down. Every redraw is the base drawing plus a touch-up that hides the bevel.

#include "toolkit/Buttons.h"

#include <array>

// The colours the touch-up draws with; the parent's is resolved when the button is drawn.
enum class TglTouchUpColor { Face, ParentBackground, Shadow };

struct TglTouchUpLine {
    TglTouchUpColor color;
    TPoint from;
    TPoint to; // left out, as the platform's lines leave out their end point
};

// What the touch-up adds over the base drawing of one redraw.
struct TglTouchUp {
    enum class Kind {
        None,      // under the pointer or held down: the full 3-D face stands
        FaceFrame, // focused or default: a face-coloured frame over the inner bevel
        FlatLines, // at rest: the bevel painted out, one shadow line left
    };
    Kind kind = Kind::None;
    TRect frame;                          // for FaceFrame
    std::array<TglTouchUpLine, 6> lines{}; // for FlatLines, in drawing order
};

// The touch-up for a button whose client rectangle is client.
TglTouchUp GlBitBtnTouchUp(const TRect& client, bool mouseOver, bool pressed, bool focusedOrDefault);

class TglBitBtn : public TBitBtn {
    Q_OBJECT

public:
    explicit TglBitBtn(TComponent* owner);
    ~TglBitBtn() override;

    bool MouseOver() const { return FMouseOver; }

    void MouseEnter(TControl* control) override;
    void MouseLeave(TControl* control) override;

protected:
    void DrawItem(const TDrawItemStruct& item) override;

private:
    // The parent's background as an RGB value (the face colour without a parent).
    TColor ParentBackground() const;

    bool FMouseOver = false;
};
