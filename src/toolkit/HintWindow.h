#pragma once
// The window hints appear in. The application makes one of its hint window class, measures
// each hint with CalcHintRect and shows it with ActivateHint; subclasses restyle it.

#include "toolkit/Controls.h"

class THintWindow : public TCustomControl {
    Q_OBJECT

public:
    // Hidden, coloured clInfoBk, its canvas in the screen's hint font.
    explicit THintWindow(TComponent* owner);
    ~THintWindow() override;

    // The rectangle (from 0, 0) a hint needs: the text word-wrapped at maxWidth in the
    // canvas font, 6 pixels wider and 2 higher.
    virtual TRect CalcHintRect(int maxWidth, const QString& hint);
    // Shows the hint in rect (screen coordinates), kept on the screen, on top of every
    // window and without taking the activation.
    virtual void ActivateHint(TRect rect, const QString& hint);

protected:
    // A pop-up with a one-pixel border, saving the bits beneath, a tool window, topmost.
    void CreateParams(TCreateParams& params) override;
    // The text in clInfoText, word-wrapped, two pixels in from the left.
    void Paint() override;
};
