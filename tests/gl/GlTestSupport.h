#pragma once
// What the decorative controls' tests and their gallery share: a grabbed picture in the format
// its pixels are compared in, the pointer entering and leaving, a checker bitmap, a windowless
// control of one colour and an effect label in a font of its own.

#include "gl/glLabel.h"

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QWidget>

namespace gltest {

// What the widget shows, in the format its pixels are compared in.
inline QImage Picture(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The pointer entering and leaving the widget, wherever the real pointer is.
inline void Enter(QWidget* widget)
{
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QCoreApplication::sendEvent(widget, &enter);
}

inline void Leave(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

// Two by two squares of cell pixels each, b in the top-left one.
inline TBitmap* Checker(QObject* parent, TColor a, TColor b, int cell = 1)
{
    auto* bitmap = new TBitmap(parent);
    bitmap->SetSize(cell * 2, cell * 2);
    for (int y = 0; y < cell * 2; ++y)
        for (int x = 0; x < cell * 2; ++x)
            bitmap->Handle().SetPixel(x, y, ((x / cell) + (y / cell)) % 2 ? a : b);
    return bitmap;
}

// A windowless control that fills itself with one colour through its canvas.
class TSwatch : public TGraphicControl {
public:
    TSwatch(TComponent* owner, TColor colour) : TGraphicControl(owner), FColour(colour) {}

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(FColour);
        Canvas()->FillRect(ClientRect());
    }

private:
    TColor FColour;
};

// An effect label on the form at (left, top) in Arial of the given height and style rather
// than its parent's font; it sizes itself to the caption when it first paints.
template <class T = TglLabel>
T* NewLabel(TForm& form, const QString& caption, int left, int top, int height = -21, TFontStyles style = fsBold)
{
    auto* label = new T(&form);
    label->SetParent(&form);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetParentFont(false);
    label->Font()->SetName(QStringLiteral("Arial"));
    label->Font()->SetHeight(height);
    label->Font()->SetStyle(style);
    label->SetCaption(caption);
    return label;
}

}  // namespace gltest
