// Draws the effect label in every style, direction, alignment and option the decorative
// controls offer onto one picture, so that a person can look at them all at once:
//   gl_gallery [OUTPUT.png]      (default: gl_gallery.png in the working folder)
// Rows: the six styles plain and outlined; the active and disabled looks and the gradients;
// texture, background picture, letters that show what lies beneath, opaque labels; the four
// directions with their three alignments (each label framed by a thin line); the About
// window's six labels as its description sets them.
#include "gl/Register.h"
#include "gl/glLabel.h"

#include "GlTestSupport.h"

#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "support/ClassicColors.h"

#include <QImage>
#include <QPainter>
#include <cstdio>

namespace {

using gltest::Checker;

constexpr int kGalleryWidth = 980;
constexpr int kGalleryHeight = 530;

// A picture of vertical stripes, what lies beneath the see-through labels.
class TStripes : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override
    {
        gdi::DeviceContext& dc = *Canvas()->Handle();
        static const TColor colours[] = {clRed, clYellow, clLime, clAqua, clFuchsia};
        for (int x = 0; x < Width(); x += 6)
            dc.FillRect(Rect(x, 0, x + 6, Height()), gdi::SolidBrush(colours[(x / 6) % 5]));
    }
};

// A thin frame around a label's bounds, drawn on the form, to show where alignment puts
// the text inside them.
class TFrameMark : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override { Canvas()->Handle()->FrameRect(ClientRect(), gdi::SolidBrush(clGray)); }
};

class Gallery {
public:
    Gallery()
    {
        FForm.SetClientWidth(kGalleryWidth);
        FForm.SetClientHeight(kGalleryHeight);
        FForm.SetCaption(QStringLiteral("gl gallery"));
    }

    TglLabel* Label(const QString& caption, int left, int top, int height = -21, TFontStyles style = fsBold)
    {
        return gltest::NewLabel(FForm, caption, left, top, height, style);
    }

    template <class T>
    T* Control(int left, int top, int width, int height)
    {
        auto* control = new T(&FForm);
        control->SetParent(&FForm);
        control->SetBounds(left, top, width, height);
        return control;
    }

    void Build()
    {
        const TglTextStyle styles[] = {fstNone, fstRaised, fstRecessed, fstPushed, fstShadow, fstVolumetric};
        const char* names[] = {"None", "Raised", "Recessed", "Pushed", "Shadow", "Volumetric"};
        for (int i = 0; i < 6; ++i) {
            TglLabel* plain = Label(QString::fromLatin1(names[i]), 10 + i * 160, 10);
            plain->TextStyles()->SetPassive(styles[i]);
            plain->Colors()->SetText(clNavy);
            TglLabel* outlined = Label(QString::fromLatin1(names[i]) + QStringLiteral("+"), 10 + i * 160, 45);
            outlined->TextStyles()->SetPassive(styles[i]);
            outlined->Colors()->SetText(clNavy);
            outlined->Colors()->SetDelineate(clYellow);
            outlined->SetOptions(outlined->Options() | floDelineatedText);
            outlined->Illumination()->SetShadowDepth(3);
        }

        // Looks and gradients.
        TglLabel* active = Label(QStringLiteral("Active look"), 10, 90);
        active->TextStyles()->SetActive(fstRecessed);
        active->Colors()->SetTextActive(clBlue);
        active->EnterNotify();
        TglLabel* disabled = Label(QStringLiteral("Disabled"), 190, 90);
        disabled->SetEnabled(false);
        TglLabel* disabledRaised = Label(QStringLiteral("Disabled raised"), 320, 90);
        disabledRaised->TextStyles()->SetDisabled(fstRaised);
        disabledRaised->Gradient()->SetActive(true);
        disabledRaised->SetEnabled(false);
        TglLabel* clan = Label(QStringLiteral("Clan Vexal"), 520, 90);
        clan->Gradient()->SetFromColor(clNavy);
        clan->Gradient()->SetToColor(clRed);
        clan->Gradient()->SetActive(true);
        TglLabel* vertical = Label(QStringLiteral("Vertical"), 660, 90);
        vertical->Gradient()->SetFromColor(clLime);
        vertical->Gradient()->SetToColor(clBlue);
        vertical->Gradient()->SetOrientation(fgdVertical);
        vertical->Gradient()->SetActive(true);
        TglLabel* half = Label(QStringLiteral("Half filled"), 790, 90);
        half->Gradient()->SetFromColor(clRed);
        half->Gradient()->SetToColor(clYellow);
        half->Gradient()->SetPercentFilling(50);
        half->Gradient()->SetActive(true);

        // Pictures and see-through letters, over stripes.
        Control<TStripes>(0, 130, kGalleryWidth, 110);
        TglLabel* textured = Label(QStringLiteral("Textured"), 10, 140, -28);
        textured->SetTexture(Checker(&FForm, clRed, clYellow, 3));
        TglLabel* backed = Label(QStringLiteral("Background"), 180, 140, -28);
        backed->SetBackground(Checker(&FForm, clSilver, clWhite, 4));
        TglLabel* seeThrough = Label(QStringLiteral("Transparent font"), 400, 140, -28);
        seeThrough->SetOptions(floActiveWhileControlFocused | floTransparentFont);
        seeThrough->Colors()->SetHighlight(clWhite);
        seeThrough->Colors()->SetShadow(clBlack);
        TglLabel* volumetricTexture = Label(QStringLiteral("Vol. textured"), 700, 140, -28);
        volumetricTexture->TextStyles()->SetPassive(fstVolumetric);
        volumetricTexture->Illumination()->SetShadowDepth(3);
        volumetricTexture->SetTexture(Checker(&FForm, clBlue, clAqua, 2));
        TglLabel* opaque = Label(QStringLiteral("Opaque"), 10, 190);
        opaque->SetTransparent(false);
        opaque->Colors()->SetBackground(clCream);
        // Opaque with a texture: the texture is not shown, the letters show the label's own
        // background picture and the rest its background colour.
        TglLabel* opaqueTexture = Label(QStringLiteral("Opaque, picture in letters"), 150, 190);
        opaqueTexture->SetTransparent(false);
        opaqueTexture->Colors()->SetBackground(clCream);
        opaqueTexture->SetBackground(Checker(&FForm, clNavy, clBlue, 2));
        opaqueTexture->SetTexture(Checker(&FForm, clRed, clYellow, 3));
        TglLabel* pushedTexture = Label(QStringLiteral("Pushed, textured"), 480, 190);
        pushedTexture->TextStyles()->SetPassive(fstPushed);
        pushedTexture->SetTexture(Checker(&FForm, clRed, clYellow, 3));
        TglLabel* buffered = Label(QStringLiteral("Buffered"), 720, 190);
        buffered->SetOptions(floBufferedDraw);
        buffered->Colors()->SetAutoHighlight(true);
        buffered->Colors()->SetAutoShadow(true);

        // Directions and alignments, each label in a frame larger than its text.
        const TglLabelDir directions[] = {fldLeftRight, fldRightLeft, fldUpDown, fldDownUp};
        const TAlignment alignments[] = {taLeftJustify, taCenter, taRightJustify};
        for (int d = 0; d < 4; ++d)
            for (int a = 0; a < 3; ++a) {
                const bool upright = directions[d] == fldUpDown || directions[d] == fldDownUp;
                const int left = upright ? 520 + (d - 2) * 225 + a * 72 : 10 + a * 170;
                const int top = upright ? 255 : 255 + d * 45;
                const int width = upright ? 40 : 160;
                const int height = upright ? 170 : 38;
                Control<TFrameMark>(left, top, width, height);
                TglLabel* turned = Label(a == 0 ? QStringLiteral("Left") : a == 1 ? QStringLiteral("Centre")
                                                                                  : QStringLiteral("Right"),
                                         left, top, -16);
                turned->SetAutoSize(false);
                turned->SetBounds(left, top, width, height);
                turned->SetDirection(directions[d]);
                turned->SetAlignment(alignments[a]);
                turned->Colors()->SetText(clMaroon);
            }

        // The About window's labels, as its description sets them.
        TglLabel* made = Label(QStringLiteral("Made by Korvane"), 10, 450);
        made->Colors()->SetTextDisabled(clSkyBlue);
        made->Colors()->SetShadow(8294290);
        made->Colors()->SetHighlight(clWhite);
        made->SetOptions(floActiveWhileControlFocused | floBufferedDraw | floTransparentFont);
        TglLabel* title = Label(QStringLiteral("Dupsweep ver 1.0"), 230, 450, -16);
        title->Colors()->SetText(clMoneyGreen);
        title->Colors()->SetTextActive(clMoneyGreen);
        title->Gradient()->SetFromColor(clSilver);
        title->Gradient()->SetToColor(clCream);
        title->Gradient()->SetActive(true);
        TglLabel* line1 = Label(QString::fromUtf8("Программа для удаления "), 440, 450, -13);
        line1->Colors()->SetText(clDefault);
        line1->Colors()->SetTextActive(clDefault);
        Label(QString::fromUtf8("одинаковых реплеев с базы"), 440, 466, -13);
        TglLabel* clan2 = Label(QStringLiteral("Clan Vexal"), 10, 490);
        clan2->Gradient()->SetFromColor(clNavy);
        clan2->Gradient()->SetToColor(clRed);
        clan2->Gradient()->SetActive(true);
        clan2->Gradient()->SetBufferedDraw(true);
        clan2->Gradient()->SetSteps(100);
        clan2->Gradient()->SetBrushStyle(bsDiagCross);
        TglLabel* link = Label(QStringLiteral("www.vexal.example"), 160, 495, -11, fsBold | fsUnderline);
        link->Colors()->SetText(clNavy);
        link->Colors()->SetTextActive(clBlue);
        TglLabel* linkHover = Label(QStringLiteral("www.vexal.example"), 300, 495, -11, fsBold | fsUnderline);
        linkHover->Colors()->SetText(clNavy);
        linkHover->Colors()->SetTextActive(clBlue);
        linkHover->EnterNotify();
    }

    QImage Picture()
    {
        FForm.Show();
        QCoreApplication::processEvents();
        // Labels size themselves as they paint: a second picture shows them settled.
        FForm.grab();
        QCoreApplication::processEvents();
        return FForm.grab().toImage();
    }

private:
    TForm FForm{nullptr};
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    RegisterGlClasses();
    gdi::ScopedClassicColors classic;
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gl_gallery.png");
    Gallery gallery;
    gallery.Build();
    if (!gallery.Picture().save(output)) {
        std::fprintf(stderr, "gl_gallery: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("gl_gallery: wrote %s\n", qPrintable(output));
    return 0;
}
