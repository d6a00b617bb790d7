// The settings objects: initial values, what each setter stores and when it tells its
// owner, and their life in form descriptions (nested properties, names, defaults).
#include "gl/glCommCl.h"

#include "toolkit/ClassRegistry.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "support/ClassicColors.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Counts the OnChange calls of one settings object and checks their sender.
struct ChangeCounter {
    int count = 0;
    const TObject* lastSender = nullptr;

    template <class T>
    void Watch(T& object)
    {
        object.OnChange = TNotifyEvent::FromFunction([this](TObject* sender) {
            ++count;
            lastSender = sender;
        });
    }
};

TEST(GlSettings, NewObjectsHoldTheirInitialValues)
{
    gdi::ScopedClassicColors classic;
    const TGradient gradient;
    EXPECT_EQ(gradient.FromColor(), clGray);
    EXPECT_EQ(gradient.ToColor(), clBlack);
    EXPECT_EQ(gradient.FromRGB(), 0x808080u);
    EXPECT_EQ(gradient.ToRGB(), 0u);
    EXPECT_FALSE(gradient.BufferedDraw());
    EXPECT_EQ(gradient.Steps(), 255);
    EXPECT_EQ(gradient.PercentFilling(), 100);
    EXPECT_EQ(gradient.BrushStyle(), bsSolid);
    EXPECT_EQ(gradient.Orientation(), fgdHorizontal);
    EXPECT_FALSE(gradient.Active());
    EXPECT_FALSE(gradient.OnChange);

    const TIllumination illumination;
    EXPECT_EQ(illumination.Horizontal(), fhaLeft);
    EXPECT_EQ(illumination.Vertical(), fvaTop);
    EXPECT_EQ(illumination.ShadowDepth(), 2);

    const TPointClass point;
    EXPECT_EQ(point.X(), 0);
    EXPECT_EQ(point.Y(), 0);

    const TglLabelTextStyles styles;
    EXPECT_EQ(styles.Passive(), fstRaised);
    EXPECT_EQ(styles.Active(), fstRaised);
    EXPECT_EQ(styles.Disabled(), fstPushed);

    const TglLabelColors colors;
    EXPECT_EQ(colors.Text(), clBlack);
    EXPECT_EQ(colors.TextDisabled(), clGray);
    EXPECT_EQ(colors.Delineate(), clWhite);
    EXPECT_EQ(colors.Background(), clBtnFace);
    EXPECT_EQ(colors.Highlight(), clBtnHighlight);
    EXPECT_EQ(colors.Shadow(), clBtnShadow);
    EXPECT_EQ(colors.TextActive(), clBlack);
    EXPECT_EQ(colors.DelineateActive(), clWhite);
    EXPECT_FALSE(colors.AutoHighlight());
    EXPECT_FALSE(colors.AutoShadow());
    EXPECT_EQ(colors.BackgroundActive(), clBtnFace);
    EXPECT_EQ(colors.ColorHighlightShift(), 40);
    EXPECT_EQ(colors.ColorShadowShift(), 60);
}

// One row of the setter table: a setter call, the value it should leave, and whether the
// owner hears of it.
template <class T>
struct SetterCase {
    const char* what;
    std::function<void(T&)> set;
    std::function<int(const T&)> stored;
    int expected;
    bool notifies;
};

template <class T>
void RunSetterTable(const std::vector<SetterCase<T>>& cases)
{
    for (const SetterCase<T>& c : cases) {
        SCOPED_TRACE(c.what);
        T object;
        ChangeCounter changes;
        changes.Watch(object);
        c.set(object);
        EXPECT_EQ(c.stored(object), c.expected);
        EXPECT_EQ(changes.count, c.notifies ? 1 : 0);
        if (c.notifies) {
            EXPECT_EQ(changes.lastSender, &object);
        }
    }
}

// Where the gradient's setters leave the common rule (store what differs, then notify).
TEST(GlSettings, GradientStepsAreClampedBufferingIsSilentAndABrushAlwaysNotifies)
{
    using G = TGradient;
    RunSetterTable<G>({
        {"BufferedDraw never notifies", [](G& g) { g.SetBufferedDraw(true); },
         [](const G& g) { return int(g.BufferedDraw()); }, 1, false},
        {"Steps 0 becomes 1", [](G& g) { g.SetSteps(0); }, [](const G& g) { return g.Steps(); }, 1, true},
        {"Steps -7 becomes 1", [](G& g) { g.SetSteps(-7); }, [](const G& g) { return g.Steps(); }, 1, true},
        {"Steps 1000 becomes 255, unchanged", [](G& g) { g.SetSteps(1000); }, [](const G& g) { return g.Steps(); },
         255, false},
        {"BrushStyle unchanged still notifies", [](G& g) { g.SetBrushStyle(bsSolid); },
         [](const G& g) { return int(g.BrushStyle()); }, bsSolid, true},
    });
}

TEST(GlSettings, OrientationNotifiesOnlyWhileTheGradientIsActive)
{
    TGradient gradient;
    ChangeCounter changes;
    changes.Watch(gradient);
    gradient.SetOrientation(fgdRectangle);
    EXPECT_EQ(changes.count, 0);
    gradient.SetActive(true);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(gradient.Orientation(), fgdRectangle);  // kept although nobody heard of it
    gradient.SetOrientation(fgdVertical);
    EXPECT_EQ(changes.count, 2);
    gradient.SetOrientation(fgdVertical);
    EXPECT_EQ(changes.count, 2);
}

TEST(GlSettings, PercentFillingKeepsEvenAValueThatIsNoPercentage)
{
    TGradient gradient;
    ChangeCounter changes;
    changes.Watch(gradient);
    gradient.SetPercentFilling(150);
    EXPECT_EQ(gradient.PercentFilling(), 150);
    gradient.SetPercentFilling(-1);
    EXPECT_EQ(gradient.PercentFilling(), -1);
    EXPECT_EQ(changes.count, 2);
    gradient.SetPercentFilling(-1);
    EXPECT_EQ(changes.count, 2);
}

TEST(GlSettings, AColourKeepsTheRgbItResolvedToWhenItWasSet)
{
    gdi::SystemColorTable table = gdi::ClassicSystemColors();
    gdi::ScopedClassicColors classic;
    TGradient gradient;
    ChangeCounter changes;
    changes.Watch(gradient);
    gradient.SetFromColor(clBtnFace);
    EXPECT_EQ(gradient.FromRGB(), table[gdi::COLOR_BTNFACE]);
    EXPECT_EQ(changes.count, 1);

    table[gdi::COLOR_BTNFACE] = gdi::RGB(1, 2, 3);
    QGuiApplication::setPalette(gdi::PaletteOf(table)); // put back as it was when classic goes
    gradient.SetFromColor(clBtnFace);  // unchanged value: nothing happens, not even a lookup
    EXPECT_EQ(gradient.FromRGB(), gdi::ClassicSystemColors()[gdi::COLOR_BTNFACE]);
    EXPECT_EQ(changes.count, 1);
    gradient.SetToColor(clBtnFace);
    EXPECT_EQ(gradient.ToRGB(), gdi::RGB(1, 2, 3));
}

TEST(GlSettings, IlluminationPointAndStyleSettersByTheTable)
{
    using I = TIllumination;
    RunSetterTable<I>({
        {"ShadowDepth -5 from 2 becomes 0", [](I& i) { i.SetShadowDepth(-5); },
         [](const I& i) { return i.ShadowDepth(); }, 0, true},
        {"ShadowDepth unchanged", [](I& i) { i.SetShadowDepth(2); }, [](const I& i) { return i.ShadowDepth(); }, 2,
         false},
        {"Horizontal", [](I& i) { i.SetHorizontal(fhaRight); }, [](const I& i) { return int(i.Horizontal()); },
         fhaRight, true},
        {"Horizontal unchanged", [](I& i) { i.SetHorizontal(fhaLeft); },
         [](const I& i) { return int(i.Horizontal()); }, fhaLeft, false},
        {"Vertical", [](I& i) { i.SetVertical(fvaBottom); }, [](const I& i) { return int(i.Vertical()); }, fvaBottom,
         true},
    });
    {
        TIllumination zero;
        zero.SetShadowDepth(0);
        ChangeCounter changes;
        changes.Watch(zero);
        zero.SetShadowDepth(-5);  // already 0: nothing to tell
        EXPECT_EQ(changes.count, 0);
    }

    using P = TPointClass;
    RunSetterTable<P>({
        {"X", [](P& p) { p.SetX(45); }, [](const P& p) { return p.X(); }, 45, true},
        {"X unchanged", [](P& p) { p.SetX(0); }, [](const P& p) { return p.X(); }, 0, false},
        {"Y negative", [](P& p) { p.SetY(-3); }, [](const P& p) { return p.Y(); }, -3, true},
    });

    using S = TglLabelTextStyles;
    RunSetterTable<S>({
        {"Passive", [](S& s) { s.SetPassive(fstShadow); }, [](const S& s) { return int(s.Passive()); }, fstShadow,
         true},
        {"Active unchanged", [](S& s) { s.SetActive(fstRaised); }, [](const S& s) { return int(s.Active()); },
         fstRaised, false},
        {"Disabled", [](S& s) { s.SetDisabled(fstNone); }, [](const S& s) { return int(s.Disabled()); }, fstNone,
         true},
    });
}

TEST(GlSettings, EveryColourOfTheSetNotifiesWhenChangedAndOnlyThen)
{
    using C = TglLabelColors;
    using Setter = void (C::*)(TColor);
    struct Colour {
        const char* name;
        Setter set;
        std::function<TColor(const C&)> get;
    };
    const std::vector<Colour> colours = {
        {"Text", &C::SetText, [](const C& c) { return c.Text(); }},
        {"TextDisabled", &C::SetTextDisabled, [](const C& c) { return c.TextDisabled(); }},
        {"Delineate", &C::SetDelineate, [](const C& c) { return c.Delineate(); }},
        {"Background", &C::SetBackground, [](const C& c) { return c.Background(); }},
        {"Highlight", &C::SetHighlight, [](const C& c) { return c.Highlight(); }},
        {"Shadow", &C::SetShadow, [](const C& c) { return c.Shadow(); }},
        {"TextActive", &C::SetTextActive, [](const C& c) { return c.TextActive(); }},
        {"DelineateActive", &C::SetDelineateActive, [](const C& c) { return c.DelineateActive(); }},
        {"BackgroundActive", &C::SetBackgroundActive, [](const C& c) { return c.BackgroundActive(); }},
    };
    for (const Colour& colour : colours) {
        SCOPED_TRACE(colour.name);
        C colors;
        ChangeCounter changes;
        changes.Watch(colors);
        (colors.*colour.set)(colour.get(colors));
        EXPECT_EQ(changes.count, 0);
        (colors.*colour.set)(clMoneyGreen);
        EXPECT_EQ(colour.get(colors), clMoneyGreen);
        EXPECT_EQ(changes.count, 1);
    }

    RunSetterTable<C>({
        {"AutoHighlight", [](C& c) { c.SetAutoHighlight(true); }, [](const C& c) { return int(c.AutoHighlight()); },
         1, true},
        {"AutoShadow unchanged", [](C& c) { c.SetAutoShadow(false); },
         [](const C& c) { return int(c.AutoShadow()); }, 0, false},
        {"ColorHighlightShift negative", [](C& c) { c.SetColorHighlightShift(-300); },
         [](const C& c) { return c.ColorHighlightShift(); }, -300, true},
        {"ColorShadowShift unchanged", [](C& c) { c.SetColorShadowShift(60); },
         [](const C& c) { return c.ColorShadowShift(); }, 60, false},
    });
}

// A component that holds one settings object of every class, as a control does.
class TSettingsHost : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(TGradient* Gradient READ Gradient)
    Q_PROPERTY(TIllumination* Illumination READ Illumination)
    Q_PROPERTY(TPointClass* RectEllipse READ RectEllipse)
    Q_PROPERTY(TglLabelTextStyles* TextStyles READ TextStyles)
    Q_PROPERTY(TglLabelColors* Colors READ Colors)
    Q_PROPERTY(T2DAlign* Alignment READ Alignment)
    Q_PROPERTY(gl::TglLabelOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(gl::TglLabelDir Direction MEMBER direction)
    Q_PROPERTY(gl::TFontWeight FontWeight MEMBER fontWeight)
    Q_PROPERTY(gl::TFocusControlMethod FocusControlMethod MEMBER focusControlMethod)
    Q_CLASSINFO("Direction", "default fldLeftRight")
    Q_CLASSINFO("FocusControlMethod", "default fcmOnMouseDown")

public:
    explicit TSettingsHost(TComponent* owner) : TNonVisualComponent(owner)
    {
        for (auto* object : std::initializer_list<TNotifyEvent*>{&FGradient.OnChange, &FIllumination.OnChange,
                                                                  &FPoint.OnChange, &FStyles.OnChange,
                                                                  &FColors.OnChange, &FAlign.OnChange})
            *object = TNotifyEvent::FromFunction([this](TObject* sender) {
                changes.push_back({sender, ComponentState().testFlag(csLoading)});
            });
    }

    TGradient* Gradient() { return &FGradient; }
    TIllumination* Illumination() { return &FIllumination; }
    TPointClass* RectEllipse() { return &FPoint; }
    TglLabelTextStyles* TextStyles() { return &FStyles; }
    TglLabelColors* Colors() { return &FColors; }
    T2DAlign* Alignment() { return &FAlign; }
    TglLabelOptions Options() const { return FOptions; }
    void SetOptions(TglLabelOptions value) { FOptions = value; }

    struct Change {
        TObject* sender;
        bool whileLoading;
    };
    std::vector<Change> changes;
    TglLabelDir direction = fldLeftRight;
    TFontWeight fontWeight = fwDONTCARE;
    TFocusControlMethod focusControlMethod = fcmOnMouseDown;

private:
    TGradient FGradient{this};
    TIllumination FIllumination{this};
    TPointClass FPoint{this};
    TglLabelTextStyles FStyles{this};
    TglLabelColors FColors{this};
    T2DAlign FAlign{this};
    TglLabelOptions FOptions = floActiveWhileControlFocused;
};

TEST(GlSettingsStreaming, DefaultsAreLeftOutAndOnlyWhatHasNoDefaultIsWritten)
{
    TSettingsHost host(nullptr);
    host.SetName(QStringLiteral("Host1"));
    EXPECT_EQ(TWriter::WriteRootComponent(&host), QStringLiteral("object Host1: TSettingsHost\n"
                                                                 "  Gradient.Active = False\n"
                                                                 "  Gradient.Orientation = fgdHorizontal\n"
                                                                 "  RectEllipse.X = 0\n"
                                                                 "  RectEllipse.Y = 0\n"
                                                                 "  Options = [floActiveWhileControlFocused]\n"
                                                                 "  FontWeight = fwDONTCARE\n"
                                                                 "end\n"));
}

const char* const kEveryClassChanged = R"(object Host1: TSettingsHost
  Gradient.FromColor = clNavy
  Gradient.ToColor = clRed
  Gradient.Active = True
  Gradient.BufferedDraw = True
  Gradient.Orientation = fgdVertConvergent
  Gradient.Steps = 100
  Gradient.PercentFilling = 50
  Gradient.BrushStyle = bsDiagCross
  Illumination.Horizontal = fhaCenter
  Illumination.Vertical = fvaBottom
  Illumination.ShadowDepth = 5
  RectEllipse.X = 45
  RectEllipse.Y = -45
  TextStyles.Passive = fstVolumetric
  TextStyles.Active = fstNone
  TextStyles.Disabled = fstRecessed
  Colors.Text = clMoneyGreen
  Colors.TextDisabled = clSkyBlue
  Colors.Delineate = clCream
  Colors.Shadow = 8294290
  Colors.Highlight = clWhite
  Colors.Background = clBtnHighlight
  Colors.TextActive = clDefault
  Colors.DelineateActive = clBlack
  Colors.AutoHighlight = True
  Colors.AutoShadow = True
  Colors.ColorHighlightShift = -20
  Colors.ColorShadowShift = 300
  Colors.BackgroundActive = 12983
  Alignment.Horizontal = fhaRight
  Alignment.Vertical = fvaCenter
  Options = [floActiveWhileControlFocused, floBufferedDraw, floTransparentFont]
  Direction = fldDownUp
  FontWeight = fwHEAVY
  FocusControlMethod = fcmOnMouseUp
end
)";

TEST(GlSettingsStreaming, EveryClassRoundTripsWithNestedNamesColourNamesAndSets)
{
    RegisterClass<TSettingsHost>();
    TSettingsHost host(nullptr);
    TReader::ReadRootComponent(&host, QString::fromUtf8(kEveryClassChanged));

    EXPECT_EQ(host.Gradient()->FromColor(), clNavy);
    EXPECT_EQ(host.Gradient()->ToRGB(), 0x0000FFu);
    EXPECT_TRUE(host.Gradient()->BufferedDraw());
    EXPECT_EQ(host.Gradient()->Orientation(), fgdVertConvergent);
    EXPECT_EQ(host.Gradient()->Steps(), 100);
    EXPECT_EQ(host.Gradient()->PercentFilling(), 50);
    EXPECT_EQ(host.Gradient()->BrushStyle(), bsDiagCross);
    EXPECT_EQ(host.Illumination()->ShadowDepth(), 5);
    EXPECT_EQ(host.Illumination()->Vertical(), fvaBottom);
    EXPECT_EQ(host.RectEllipse()->Y(), -45);
    EXPECT_EQ(host.TextStyles()->Passive(), fstVolumetric);
    EXPECT_EQ(host.Colors()->Shadow(), 8294290);
    EXPECT_EQ(host.Colors()->TextActive(), clDefault);
    EXPECT_EQ(host.Colors()->ColorShadowShift(), 300);
    EXPECT_EQ(host.Colors()->BackgroundActive(), 12983);
    EXPECT_EQ(host.Alignment()->Horizontal(), fhaRight);
    EXPECT_EQ(host.Options(), floActiveWhileControlFocused | floBufferedDraw | floTransparentFont);
    EXPECT_EQ(host.direction, fldDownUp);
    EXPECT_EQ(host.fontWeight, fwHEAVY);
    EXPECT_EQ(host.focusControlMethod, fcmOnMouseUp);

    EXPECT_EQ(TWriter::WriteRootComponent(&host), QString::fromUtf8(kEveryClassChanged));
}

TEST(GlSettingsStreaming, OnChangeRunsWhileTheDescriptionIsRead)
{
    TSettingsHost host(nullptr);
    TReader::ReadRootComponent(&host, QStringLiteral("object Host1: TSettingsHost\n"
                                                     "  Gradient.BrushStyle = bsSolid\n"
                                                     "  Gradient.BufferedDraw = True\n"
                                                     "  Colors.Text = clNavy\n"
                                                     "  RectEllipse.X = 45\n"
                                                     "end\n"));
    ASSERT_EQ(host.changes.size(), 3u);  // BrushStyle even unchanged, BufferedDraw never
    EXPECT_EQ(host.changes[0].sender, host.Gradient());
    EXPECT_EQ(host.changes[1].sender, host.Colors());
    EXPECT_EQ(host.changes[2].sender, host.RectEllipse());
    for (const auto& change : host.changes)
        EXPECT_TRUE(change.whileLoading);
}

TEST(GlSettingsStreaming, BadValuesAreRefusedWithTheLineAndTheReason)
{
    TSettingsHost host(nullptr);
    const auto read = [&](const char* line) {
        return QStringLiteral("object Host1: TSettingsHost\n  %1\nend\n").arg(QLatin1String(line));
    };
    const auto message = [&](const char* line) {
        try {
            TReader::ReadRootComponent(&host, read(line));
        } catch (const EReadError& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_TRUE(message("TextStyles.Passive = fstEmbossed").startsWith(QStringLiteral("Line 2: ")));
    EXPECT_TRUE(message("TextStyles.Passive = fstEmbossed").contains(QStringLiteral("fstEmbossed")));
    EXPECT_TRUE(message("Options = [floBufferedDraw, floSparkles]").contains(QStringLiteral("floSparkles")));
    EXPECT_TRUE(message("Colors.Text = clNoSuchColour").contains(QStringLiteral("clNoSuchColour")));
}

TEST(GlSettingsStreaming, AFillingOutsideAPercentageLoadsAndIsWrittenBackAsItWas)
{
    for (const char* value : {"150", "-20"}) {
        TSettingsHost host(nullptr);
        const QString line = QStringLiteral("  Gradient.PercentFilling = %1\n").arg(QLatin1String(value));
        TReader::ReadRootComponent(&host, QStringLiteral("object Host1: TSettingsHost\n%1end\n").arg(line));
        EXPECT_EQ(host.Gradient()->PercentFilling(), QByteArray(value).toInt());
        EXPECT_TRUE(TWriter::WriteRootComponent(&host).contains(line)) << value;
    }
}

}  // namespace

#include "glCommClTest.moc"
